#include "protocol/TableDescription.h"

#include "config/AppPaths.h"
#include "config/ConfigFile.h"
#include "config/KeyTables.h"
#include "protocol/Actions.h"
#include "protocol/Settings.h"
#include "protocol/ValueTables.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QStringList>

namespace {

const char *kindWord(Setting::Kind kind)
{
    switch (kind) {
    case Setting::Word:
        return "word";
    case Setting::Switch:
        return "switch";
    case Setting::Number:
        return "number";
    case Setting::Baud:
        return "baud";
    case Setting::Rectangle:
        return "rectangle";
    case Setting::Address:
        return "address";
    }
    return "";
}

// When the setting is part of a device's setup, besides its model.
const char *conditionWord(Setting::Condition condition)
{
    switch (condition) {
    case Setting::Always:
        return "always";
    case Setting::UserResolution:
        return "userResolution";
    case Setting::Single:
        return "single";
    case Setting::Pip:
        return "pip";
    case Setting::Split:
        return "split";
    case Setting::PipUserWindow:
        return "pipUserWindow";
    case Setting::PresenterWindow:
        return "presenterWindow";
    case Setting::ShownWindow:
        return "shownWindow";
    }
    return "";
}

const char *pageWord(SettingPage page)
{
    switch (page) {
    case SettingPage::Output:
        return "output";
    case SettingPage::Multiview:
        return "multiview";
    case SettingPage::Audio:
        return "audio";
    case SettingPage::System:
        return "system";
    }
    return "";
}

// A label as a page shows it, without the colon and arrows that lead to its field.
QString labelOf(const char *key)
{
    QString text = key ? languageText(key) : QString();
    while (!text.isEmpty() && QStringLiteral(":：↓ ").contains(text.back()))
        text.chop(1);
    return text;
}

QJsonValue keyOrNull(const char *key)
{
    return key ? QJsonValue(QLatin1String(key)) : QJsonValue(QJsonValue::Null);
}

QJsonObject settingObject(const Setting &setting, quint32 model)
{
    QJsonObject object{
        {QStringLiteral("key"), QLatin1String(setting.name)},
        {QStringLiteral("kind"), QLatin1String(kindWord(setting.kind))},
        {QStringLiteral("when"), QLatin1String(conditionWord(setting.condition))},
        {QStringLiteral("page"), QLatin1String(pageWord(setting.page))},
        {QStringLiteral("box"), labelOf(setting.box)},
        {QStringLiteral("boxKey"), keyOrNull(setting.box)},
        {QStringLiteral("label"), labelOf(setting.label)},
        {QStringLiteral("labelKey"), keyOrNull(setting.label)},
        {QStringLiteral("read"), setting.readObject
                                     ? QJsonValue(QStringLiteral("GET %1").arg(setting.readObject))
                                     : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("write"), setting.object
                                      ? QJsonValue(QStringLiteral("SET %1 <value>").arg(setting.object))
                                      : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("reply"), keyOrNull(setting.object ? setting.object : setting.readObject)}};
    if (setting.words) {
        const WordList &words = setting.words(model);
        const QStringList wires = words.toStringList();
        const QStringList displays = words.displayList();
        QJsonArray values;
        for (int i = 0; i < wires.size(); ++i)
            values.append(
                QJsonObject{{QStringLiteral("wire"), wires[i]}, {QStringLiteral("display"), displays[i]}});
        object.insert(QStringLiteral("values"), values);
    } else if (setting.kind == Setting::Number || setting.kind == Setting::Rectangle) {
        const std::pair<int, int> range = Settings::range(setting, model, {});
        object.insert(QStringLiteral("min"), range.first);
        object.insert(QStringLiteral("max"), range.second);
    }
    return object;
}

QJsonObject actionObject(const Action &action)
{
    QJsonObject object{{QStringLiteral("name"), QLatin1String(action.name)},
                       {QStringLiteral("page"), QLatin1String(pageWord(action.page))},
                       {QStringLiteral("label"), labelOf(action.label)},
                       {QStringLiteral("labelKey"), keyOrNull(action.label)},
                       {QStringLiteral("restarts"), action.restarts}};
    if (action.argument == Action::Number)
        object.insert(QStringLiteral("argument"),
                      QJsonObject{{QStringLiteral("name"), QLatin1String(action.argumentName)},
                                  {QStringLiteral("kind"), QStringLiteral("number")},
                                  {QStringLiteral("min"), action.low},
                                  {QStringLiteral("max"), action.high}});
    else if (action.argument == Action::Edid)
        object.insert(QStringLiteral("argument"),
                      QJsonObject{{QStringLiteral("name"), QLatin1String(action.argumentName)},
                                  {QStringLiteral("kind"), QStringLiteral("edid")},
                                  {QStringLiteral("bytes"), 256}});
    else
        object.insert(QStringLiteral("argument"), QJsonValue(QJsonValue::Null));
    return object;
}

} // namespace

void useLanguage(const QString &language)
{
    const bool english = language != QLatin1String("other");
    resetKeyTable(languageKeyTable());
    const QString own = english ? AppPaths::englishLanguageFile() : AppPaths::otherLanguageFile();
    const QString shipped = AppPaths::file(QStringLiteral("/APP/ConfigFile/") + QFileInfo(own).fileName());
    if (QFileInfo::exists(own))
        Config_ReadKeyFile(own);
    else if (QFileInfo::exists(shipped))
        Config_ReadKeyFile(shipped);
}

QJsonObject describeModel(quint32 model, bool withSettings)
{
    QJsonObject description;
    if (withSettings) {
        QJsonArray settings;
        for (const Setting &setting : Settings::all()) {
            if (setting.onModel(model))
                settings.append(settingObject(setting, model));
        }
        description.insert(QStringLiteral("settings"), settings);
    }
    QJsonArray actions;
    for (const Action &action : Actions::all()) {
        if (action.onModel(model))
            actions.append(actionObject(action));
    }
    description.insert(QStringLiteral("actions"), actions);
    return description;
}
