#include "protocol/Actions.h"

#include "protocol/ByteHelpers.h"
#include "protocol/Catalogue.h"
#include "protocol/EdidUpload.h"
#include "protocol/ValueTables.h"

#include <QRegularExpression>

namespace {

// The device keeps 20 scenes.
constexpr int SceneCount = 20;
constexpr ModelSet Tn386Only = ModelSet(1U << ModelTN386);

const std::vector<Action> &actionTable()
{
    using A = Action;
    using I = ActionId;
    using P = SettingPage;
    static const std::vector<Action> rows = {
        {I::SceneSave, "scene.save", A::Number, 1, SceneCount, AnyModel, false, P::Multiview,
         "Slabel_SaveLayout", "scene"},
        {I::SceneLoad, "scene.load", A::Number, 1, SceneCount, AnyModel, false, P::Multiview,
         "Slabel_LoadLayout", "scene"},
        {I::VolumeUp, "audio.volumeUp", A::None, 0, 0, AnyModel, false, P::Audio, "Slabel_Volume", nullptr},
        {I::VolumeDown, "audio.volumeDown", A::None, 0, 0, AnyModel, false, P::Audio, "Slabel_Volume",
         nullptr},
        {I::Mic1VolumeUp, "audio.mic1VolumeUp", A::None, 0, 0, Tn386Only, false, P::Audio,
         "Slabel_Microphone1Volume", nullptr},
        {I::Mic1VolumeDown, "audio.mic1VolumeDown", A::None, 0, 0, Tn386Only, false, P::Audio,
         "Slabel_Microphone1Volume", nullptr},
        {I::Mic2VolumeUp, "audio.mic2VolumeUp", A::None, 0, 0, Tn386Only, false, P::Audio,
         "Slabel_Microphone2Volume", nullptr},
        {I::Mic2VolumeDown, "audio.mic2VolumeDown", A::None, 0, 0, Tn386Only, false, P::Audio,
         "Slabel_Microphone2Volume", nullptr},
        {I::FactoryReset, "device.factoryReset", A::None, 0, 0, AnyModel, true, P::System, "Slabel_Reset",
         nullptr},
        {I::EdidUpload, "edid.upload", A::Edid, 0, 0, AnyModel, false, P::System, "Slabel_UserEdid", "file"},
    };
    return rows;
}

Request build(ActionId id, int number, const QByteArray &edid)
{
    switch (id) {
    case ActionId::SceneSave:
        return SaveScene(number);
    case ActionId::SceneLoad:
        return LoadScene(number);
    case ActionId::VolumeUp:
        return AudioVolumeUp();
    case ActionId::VolumeDown:
        return AudioVolumeDown();
    case ActionId::Mic1VolumeUp:
        return MicVolumeUp(0);
    case ActionId::Mic1VolumeDown:
        return MicVolumeDown(0);
    case ActionId::Mic2VolumeUp:
        return MicVolumeUp(1);
    case ActionId::Mic2VolumeDown:
        return MicVolumeDown(1);
    case ActionId::FactoryReset:
        return ResetDevice();
    case ActionId::EdidUpload:
        return SetUserEdid(reinterpret_cast<const unsigned char *>(edid.constData()));
    }
    return {};
}

} // namespace

namespace Actions {

const std::vector<Action> &all()
{
    return actionTable();
}

const Action &of(ActionId id)
{
    return actionTable()[std::size_t(id)];
}

const Action *find(const QString &name)
{
    for (const Action &action : actionTable()) {
        if (name == QLatin1String(action.name))
            return &action;
    }
    return nullptr;
}

QString argumentProblem(const Action &action, const QByteArray &argument)
{
    const QString name = QLatin1String(action.name);
    switch (action.argument) {
    case Action::None:
        return argument.isEmpty() ? QString() : QStringLiteral("%1 takes no argument").arg(name);
    case Action::Number: {
        static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
        const QString text = QString::fromLatin1(argument);
        const int number = digits.match(text).hasMatch() ? text.toInt() : -1;
        if (number >= action.low && number <= action.high)
            return QString();
        return QStringLiteral("%1 needs a %2 from %3 to %4, not '%5'")
            .arg(name, QLatin1String(action.argumentName))
            .arg(action.low)
            .arg(action.high)
            .arg(text);
    }
    case Action::Edid:
        if (argument.size() != EdidUpload::Size)
            return QStringLiteral("%1 needs an EDID image of %2 bytes, not %3")
                .arg(name)
                .arg(EdidUpload::Size)
                .arg(argument.size());
        if (CheckEdidBlock(reinterpret_cast<const unsigned char *>(argument.constData())) != EdidValid)
            return QStringLiteral("%1: the image is no valid EDID (its header or checksum is wrong)")
                .arg(name);
        return QString();
    }
    return QString();
}

Request request(const Action &action, const DeviceContext &device, const QByteArray &argument, QString *why)
{
    QString reason = argumentProblem(action, argument);
    if (reason.isEmpty() && !action.onModel(device.CurrentModel))
        reason =
            QStringLiteral("a %1 has no %2")
                .arg(QString::fromLatin1(Tables::Models.at(device.CurrentModel)), QLatin1String(action.name));
    if (why)
        *why = reason;
    const int number = action.argument == Action::Number ? argument.toInt() : 0;
    return reason.isEmpty() ? build(action.id, number, argument) : Request();
}

} // namespace Actions
