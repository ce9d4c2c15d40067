#pragma once

#include "config/LanguageTexts.h"

#include <QString>

#include <map>
#include <vector>

// The settings of a device setup by name ("output.hdcp" = "FORCE-2.2"), shared by the setup files, the
// main window's Save setup / Compare / Restore and the command-line tool's get, set and snapshot. A value is
// text: a word of the protocol's tables (switches "ON" or "OFF"), a decimal number, a rectangle as four
// numbers separated by spaces, or an IPv4 address.
using SetupValues = std::map<QString, QString>;

// The read request (or requests) a key's value comes from.
enum class SetupGroup
{
    Output,
    Edid,
    Audio,
    Multiview,
    Link
};

struct WordList;

// One setting of the device: its name, the setup group it is read with, the kind and condition of its value,
// and how the device names it. `object` is the keyword of the reply that reports it, and of the request that
// writes it alone ("SET <object> <value>", awaiting <object>); `readObject` that of the request that reads it
// ("GET <readObject>"); `busyMs` how long a write keeps the device busy. A null object: the setting is
// reported, read or written together with others (a user resolution, a rectangle, the network settings, a
// window source).
struct SetupKey
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
    // When the key belongs to a setup: always, for some models, or in some multiview layouts.
    enum Condition
    {
        Always,
        UserResolution,
        Has4KAuto,
        Tn386,
        Single,
        Pip,
        Split,
        PipUserWindow,
        PresenterWindow,
        ShownWindow,
        HasNetwork
    };

    const char *name;
    SetupGroup group;
    Kind kind;
    Condition condition;
    int window; // ShownWindow: 0 to 3
    const char *object = nullptr;
    const char *readObject = nullptr;
    quint32 busyMs = 0;
    // The words of a Word or Switch key for a model.
    const WordList &(*words)(quint32 model) = nullptr;
    // The label of the line "Sync <label> Message." that confirms its reply in the status box; null for none.
    QString LanguageTexts::*statusLabel = nullptr;
};

namespace SetupKeys {

// Every key, in the order in which a restore writes them.
const std::vector<SetupKey> &all();
const SetupKey *find(const QString &name);
// The key a reply keyword (ReplyKeywordIndex) reports, or null.
const SetupKey *ofKeyword(int keyword);

// Whether the key belongs to the setup of `model` holding `values`. A key that depends on the multiview
// layout belongs while the layout (or the PIP position, size or layout number it needs) is not given.
bool applies(const SetupKey &key, quint32 model, const SetupValues &values);
// Drops the values whose keys do not belong to the setup of `model`.
void prune(quint32 model, SetupValues &values);

// The lowest and highest value of a Number key.
std::pair<int, int> range(const SetupKey &key, quint32 model, const SetupValues &values);
// `text` as a value of the key for `model` and `values`, written the way a setup keeps it (table words
// as the table has them, whatever their case; numbers in decimal; ...), or a null string when it is not a
// valid value; `why` then tells why.
QString normalized(const SetupKey &key, quint32 model, const SetupValues &values, const QString &text,
                   QString *why = nullptr);

} // namespace SetupKeys
