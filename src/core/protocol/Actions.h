#pragma once

#include "protocol/DeviceContext.h"
#include "protocol/Request.h"
#include "protocol/Settings.h"

#include <QByteArray>
#include <QString>

#include <vector>

// What an operator does to a device that is not a value, one row each: the command-line tool's `actions`
// and `action`, and every description of a device's settings, read them.
enum class ActionId
{
    SceneSave,
    SceneLoad,
    VolumeUp,
    VolumeDown,
    Mic1VolumeUp,
    Mic1VolumeDown,
    Mic2VolumeUp,
    Mic2VolumeDown,
    FactoryReset,
    EdidUpload
};

struct Action
{
    // What the action takes: nothing, a whole number within [low, high], or an EDID image of 256 bytes
    // (from a file, for the command-line tool).
    enum Argument
    {
        None,
        Number,
        Edid
    };

    ActionId id;
    const char *name; // "scene.load"
    Argument argument;
    int low;
    int high;
    ModelSet models;
    // Whether the device restarts after it (a factory reset).
    bool restarts;
    SettingPage page;
    const char *label; // the language key of its label or button
    // The name of its argument in a description ("scene", "file").
    const char *argumentName;

    bool onModel(quint32 model) const { return model < 8 && ((models >> model) & 1U) != 0; }
};

namespace Actions {

const std::vector<Action> &all();
const Action &of(ActionId id);
const Action *find(const QString &name);

// What is wrong with `argument` (the number as text, or the EDID image's bytes) for `action`: a number out of
// range or missing, an argument given to an action without any, an EDID image that is not one. Empty when
// nothing is.
QString argumentProblem(const Action &action, const QByteArray &argument);
// The request that carries out `action` on `device` with `argument`, or a null request with `why` telling
// what is wrong: the argument, or a model without the action.
Request request(const Action &action, const DeviceContext &device, const QByteArray &argument, QString *why);

} // namespace Actions
