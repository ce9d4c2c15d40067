#pragma once

#include "config/LanguageTexts.h"

#include <QString>
#include <QtGlobal>

#include <map>
#include <vector>

// The settings of a device by name ("output.hdcp" = "FORCE-2.2"): the one description that reply parsing,
// the request builders, validation, setup files, the command-line tool's get and set, watching and the
// pages read. A value is text: a wire word of the setting's list (switches "ON" or "OFF"), a decimal
// number, a rectangle as four numbers separated by spaces, or an IPv4 address.
using SetupValues = std::map<QString, QString>;

// The read request (or requests) a setting's value comes from.
enum class SetupGroup
{
    Output,
    Edid,
    Audio,
    Multiview,
    Link
};

// Every setting, in the order in which a restore writes them; the row's `name` is its key.
enum class SettingId
{
    OutputUserWidth,
    OutputUserHeight,
    OutputResolution,
    OutputHdcp,
    OutputVka,
    OutputItc,
    OutputFourKAuto,
    EdidMode,
    AudioSource,
    AudioVolume,
    AudioMute,
    AudioMainAudio,
    AudioMic1,
    AudioMic1Volume,
    AudioMic2,
    AudioMic2Volume,
    MultiviewMode,
    MultiviewAutoSwitch,
    MultiviewPipPosition,
    MultiviewPipSize,
    MultiviewAspect,
    MultiviewLayout,
    MultiviewPipWindow,
    MultiviewPresenterWindow,
    MultiviewWindow1,
    MultiviewWindow2,
    MultiviewWindow3,
    MultiviewWindow4,
    LinkBaudRate,
    LinkIp,
    LinkPort,
    LinkMask,
    LinkGateway
};

// The tab page a setting is shown on.
enum class SettingPage
{
    Output,
    Multiview,
    Audio,
    System
};

struct WordList;

// The models that have a setting: one bit per ModelIndex, and bit 5 (NoModel) for a device not identified
// yet, which is taken to have every setting that only some models lack.
using ModelSet = quint8;
constexpr ModelSet AnyModel = 0x3F;

// One setting of the device, one row each. `object` is the keyword of the request that writes it alone
// ("SET <object> <value>") and of the reply that reports it; `readObject` that of the request that reads it
// ("GET <readObject>"); `busyMs` how long a write keeps the device busy. A null object: the setting is
// reported, read or written together with others (a user resolution, a rectangle, the network settings, a
// window source). `words` gives the values of a Word or Switch setting for a model, wire and display
// words side by side.
struct Setting
{
    enum Kind
    {
        Word,
        Switch,
        Number,
        Baud,
        Rectangle,
        Address
    };
    // When the setting belongs to a device of one of its models: always, or in some multiview layouts.
    enum Condition
    {
        Always,
        UserResolution,
        Single,
        Pip,
        Split,
        PipUserWindow,
        PresenterWindow,
        ShownWindow
    };

    SettingId id;
    const char *name;
    SetupGroup group;
    Kind kind;
    ModelSet models;
    Condition condition;
    int window; // ShownWindow: 0 to 3
    const char *object = nullptr;
    const char *readObject = nullptr;
    quint32 busyMs = 0;
    const WordList &(*words)(quint32 model) = nullptr;
    // Where the window shows it: its page, and the language keys of the group box it stands in on that
    // page (null: none) and of its label.
    SettingPage page = SettingPage::Output;
    const char *box = nullptr;
    const char *label = nullptr;
    // The label of the line "Sync <label> Message." that confirms its reply in the status box; null for none.
    QString LanguageTexts::*statusLabel = nullptr;

    bool onModel(quint32 model) const { return model < 8 && ((models >> model) & 1U) != 0; }
};

namespace Settings {

// Every setting, in the order of SettingId (the order in which a restore writes them).
const std::vector<Setting> &all();
const Setting &of(SettingId id);
const Setting *find(const QString &name);
// The setting a reply keyword (ReplyKeywordIndex) reports, or null.
const Setting *ofKeyword(int keyword);
// Whether `model` has the setting (whatever its multiview layout).
bool onModel(SettingId id, quint32 model);

// Whether the setting belongs to the setup of `model` holding `values`. A setting that depends on the
// multiview layout belongs while the layout (or the PIP position, size or layout number it needs) is not
// given.
bool applies(const Setting &setting, quint32 model, const SetupValues &values);
// Drops the values whose settings do not belong to the setup of `model`.
void prune(quint32 model, SetupValues &values);

// The lowest and highest value of a Number setting, or of each number of a Rectangle.
std::pair<int, int> range(const Setting &setting, quint32 model, const SetupValues &values);
// `text` as a value of the setting for `model` and `values`, written the way a setup keeps it (wire words
// as the list has them, whatever their case; numbers in decimal; ...), or a null string when it is not a
// valid value; `why` then tells why.
QString normalized(const Setting &setting, quint32 model, const SetupValues &values, const QString &text,
                   QString *why = nullptr);

} // namespace Settings
