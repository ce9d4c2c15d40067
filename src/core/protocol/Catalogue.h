#pragma once

#include "protocol/ReplyRule.h"

#include <QString>
#include <QtGlobal>

#include <functional>

// Every request the tool can send. Each builder formats one line (verb, words, value, CR), attaches the
// reply rule and hands it to the request sink, which queues it on the active link (the link session
// installs itself as the sink). A failed condition, an index outside its list, a text over 1024 bytes or no
// sink means that nothing is queued. Builders never wait.

// Receives every formatted request line (CR included) with its reply rule.
using RequestSink = std::function<void(const QByteArray &line, const ReplyRule &rule)>;
// Installs the sink that formatted requests go to and returns the one it replaces (an empty sink drops
// them).
RequestSink setRequestSink(RequestSink sink);

// Queues an already formatted text (without CR) with the given rule.
void sendWithRule(const char *text, quint32 length, ReplyRule rule);

// Read requests.
void GetModelType();
void GetNetworkInfo();
void GetBaudrate();
void GetVersion(quint32 kind); // 0 VERSION, 1 SUB-VERSION, 2 EXPAND-VERSION, 3 KEYBOARD-VERSION
void GetOutResolution();
void GetUserResolution();
void GetOutHdcp();
void GetOutVka();
void GetOutItc();
void GetOut4KAuto();
void GetInEdidMode();
void GetInResolution();
void GetMultiviewSync();
void GetUserWindow();
void GetAudioSource();
void GetAudioVolume();
void GetAudioMute();
void GetMainAudioOnOff();
void GetMicOnOff(quint32 mic);
void GetMicVolume(quint32 mic);

// Change requests.
void SetBaudrate(qint32 rate);
void SetNetworkInfo(const QString &ip, const QString &port, const QString &mask, const QString &gateway);
void ResetDevice();
void SetOutResolution(quint32 index);
void SetUserResolution(qint32 width, qint32 height);
void SetOutHdcp(quint32 index);
void SetOutVka(quint32 index);
void SetOutItc(quint32 index);
void SetOut4KAuto(quint32 index);
void SetInEdidMode(quint32 index);
void SetUserEdid(const unsigned char *edid256);
void SetMultiview(quint32 mode);
void SetPipPosition(quint32 index);
void SetPipSize(quint32 index);
void SetLayoutMode(qint32 mode);
void SetLayoutAspect(quint32 index);
void SetUserWindow(qint32 hStart, qint32 vStart, qint32 hSize, qint32 vSize);
void SetWindowInput(quint32 window, quint32 source);
void SetAutoSwitch(quint32 index);
void SaveScene(qint32 scene);
void LoadScene(qint32 scene);
void SetAudioSource(quint32 index);
void SetAudioVolume(qint32 volume);
void AudioVolumeUp();
void AudioVolumeDown();
void SetAudioMute(quint32 index);
void SetMainAudioOnOff(quint32 index);
void SetMicOnOff(quint32 mic, quint32 index);
void SetMicVolume(quint32 mic, qint32 volume);
void MicVolumeUp(quint32 mic);
void MicVolumeDown(quint32 mic);

// Limits shared with the pages and the simulator.
constexpr quint32 MaxRequestText = 1024;
constexpr quint32 PauseAfterBusyCommandMs = 10000;
constexpr int MicVolumeLimit = 50;
