#pragma once

#include "protocol/DeviceContext.h"
#include "protocol/Request.h"

#include <QString>
#include <QtGlobal>

// Every request the tool can send, formed as a value: the line (verb, words, value, CR) with its reply rule.
// A builder reads nothing but its arguments and the device context it is given, and changes nothing; a
// failed condition, an index outside its list or a text over 1024 bytes gives a null request.

// An already formatted text (without CR) with the given rule.
Request requestWithRule(const QByteArray &text, const ReplyRule &rule);

// A setting that is read and written on its own (a row of the settings table with an object): "GET
// <readObject>", and "SET <object> <value>" with a word of the key's list (by index or as text) or a number
// in the key's range. Null when the key has no such request, does not apply to the device (another model,
// another multiview layout) or the value is not one the key takes.
Request ReadSetting(const DeviceContext &device, const char *key);
Request WriteSetting(const DeviceContext &device, const char *key, const QString &value);
Request WriteSetting(const DeviceContext &device, const char *key, quint32 index);

// Read requests.
Request GetModelType();
Request GetNetworkInfo();
Request GetBaudrate();
Request GetVersion(quint32 kind); // 0 VERSION, 1 SUB-VERSION, 2 EXPAND-VERSION, 3 KEYBOARD-VERSION
Request GetUserResolution();
Request GetInResolution(const DeviceContext &device);
Request GetMultiviewSync();
Request GetUserWindow(const DeviceContext &device);

// Change requests.
Request SetBaudrate(qint32 rate);
Request SetNetworkInfo(const QString &ip, const QString &port, const QString &mask, const QString &gateway);
Request ResetDevice();
Request SetUserResolution(qint32 width, qint32 height);
Request SetUserEdid(const unsigned char *edid256);
Request SetLayoutMode(const DeviceContext &device, qint32 mode);
Request SetLayoutAspect(const DeviceContext &device, quint32 index);
Request SetUserWindow(const DeviceContext &device, qint32 hStart, qint32 vStart, qint32 hSize, qint32 vSize);
Request SetWindowInput(const DeviceContext &device, quint32 window, quint32 source);
Request SaveScene(qint32 scene);
Request LoadScene(qint32 scene);
Request AudioVolumeUp();
Request AudioVolumeDown();
Request MicVolumeUp(quint32 mic);
Request MicVolumeDown(quint32 mic);

// Limits shared with the pages and the simulator.
constexpr quint32 MaxRequestText = 1024;
constexpr quint32 PauseAfterBusyCommandMs = 10000;
constexpr int MicVolumeLimit = 50;
