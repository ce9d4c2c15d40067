#include "setup/SetupReader.h"

#include "config/AppState.h"
#include "link/TrafficRecord.h"
#include "protocol/Catalogue.h"
#include "protocol/LayoutCatalogue.h"
#include "protocol/ReplyKeywords.h"
#include "protocol/ReplyParser.h"
#include "setup/LinkExchange.h"

#include <QHash>

namespace {
QString word(const WordList &list, int index)
{
    return QString::fromLatin1(list.at(quint32(index)));
}

QString numbers(const quint32 (&values)[4], int count)
{
    QStringList parts;
    for (int i = 0; i < count; ++i)
        parts << QString::number(values[i]);
    return parts.join(QLatin1Char(' '));
}
} // namespace

SetupReader::SetupReader(LinkSession &linkSession, QObject *parent) : QObject(parent), session(linkSession) {}

QList<SetupGroup> SetupReader::allGroups()
{
    return {SetupGroup::Output, SetupGroup::Edid, SetupGroup::Audio, SetupGroup::Multiview, SetupGroup::Link};
}

void SetupReader::start(const QList<SetupGroup> &wanted, quint32 model)
{
    groups = wanted;
    read = DeviceSetup();
    networkAsked = false;
    read.saved = QDateTime::currentDateTimeUtc();
    result = Outcome::Running;
    delete exchange;
    exchange = new LinkExchange(session, this);
    exchange->setRecordHandler([this](const TrafficRecord &record) { handle(record); });
    connect(exchange, &LinkExchange::SGL_Settled, this, &SetupReader::settle);
    connect(exchange, &LinkExchange::SGL_LinkLost, this, [this] { finish(Outcome::LinkLost); });
    modelKnown = model < NoModel;
    read.model = model;
    if (modelKnown) {
        modelWord = read.modelName();
        readGroups();
    } else if (!exchange->send(captureRequests({}, [] { GetModelType(); }))) {
        finish(Outcome::LinkLost);
    }
}

bool SetupReader::wants(SetupGroup group) const
{
    return groups.contains(group);
}

QStringList SetupReader::timedOut() const
{
    return exchange ? exchange->timedOut() : QStringList();
}

void SetupReader::readGroups()
{
    const quint32 model = read.model;
    std::vector<CapturedRequest> requests = captureRequests(BuildContext::of(model, {}), [&] {
        if (wants(SetupGroup::Output)) {
            if (userResolutionAlways) {
                userResolutionAsked = true;
                GetUserResolution();
            }
            GetOutResolution();
            GetOutHdcp();
            GetOutVka();
            GetOutItc();
            GetOut4KAuto();
        }
        if (wants(SetupGroup::Edid))
            GetInEdidMode();
        if (wants(SetupGroup::Audio)) {
            GetAudioSource();
            GetAudioVolume();
            GetAudioMute();
            if (model == ModelTN386) {
                GetMainAudioOnOff();
                for (quint32 mic = 0; mic < 2; ++mic) {
                    GetMicOnOff(mic);
                    GetMicVolume(mic);
                }
            }
        }
        if (wants(SetupGroup::Multiview))
            GetMultiviewSync();
        if (wants(SetupGroup::Link)) {
            // The network settings follow once the baud rate has been answered (see handle()).
            GetBaudrate();
        }
    });
    if (requests.empty())
        QMetaObject::invokeMethod(this, &SetupReader::settle, Qt::QueuedConnection);
    else if (!exchange->send(requests))
        finish(Outcome::LinkLost);
}

void SetupReader::handle(const TrafficRecord &record)
{
    if (result != Outcome::Running)
        return;
    // One link setting at a time: the main window takes each such reply as a read only while the reply
    // before it has been handled.
    static const QByteArray baudRead = QByteArrayLiteral("GET BAUDRATE\r");
    const bool baudReadEnded =
        record.kind == TrafficRecord::TimedOut ? record.bytes == baudRead : record.command == baudRead;
    if (baudReadEnded && !networkAsked && modelKnown && Tables::hasNetworkSettings(read.model)) {
        networkAsked = true;
        if (!exchange->send(captureRequests({}, [] { GetNetworkInfo(); })))
            return finish(Outcome::LinkLost);
    }
    if (record.kind != TrafficRecord::Received)
        return;
    const auto shown = read.values.find(QStringLiteral("multiview.mode"));
    const int mode =
        shown == read.values.end() ? -1 : Tables::MultiviewModes.indexOf(shown->second.toLatin1());
    const ParsedReply reply = parseReplyLine(record.bytes, modelKnown ? read.model : NoModel,
                                             mode >= 0 ? quint32(mode) : ModeSingle);
    if (reply.keyword == KwModelType && !modelKnown) {
        modelWord = reply.text.trimmed();
        if (!reply.apply || reply.index < 0) {
            finish(Outcome::UnknownModel);
            return;
        }
        read.model = quint32(reply.index);
        modelKnown = true;
        readGroups();
        return;
    }
    if (!modelKnown || reply.ignored || !reply.apply)
        return;
    // The reply to a read of the device's own link settings: the main window takes it as a read, not as
    // the confirmation of a write (which would make it close the link).
    if ((reply.keyword == KwBaudrate || reply.keyword == KwNetworkInfo) && record.command.startsWith("GET "))
        State().LinkParamReadPending = true;
    apply(reply);
    followUp();
}

void SetupReader::set(const char *key, const QString &value)
{
    read.values[QLatin1String(key)] = value;
}

void SetupReader::forgetMultiview()
{
    for (auto it = read.values.begin(); it != read.values.end();)
        it = it->first.startsWith(QLatin1String("multiview.")) ? read.values.erase(it) : std::next(it);
}

void SetupReader::apply(const ParsedReply &reply)
{
    const int index = reply.index;
    const quint32 model = read.model;
    if (reply.keyword == KwMultiviewSync) {
        applyMultiviewReport(reply);
        return;
    }
    if (reply.keyword == KwMultiview && index >= 0) {
        forgetMultiview();
        set("multiview.mode", word(Tables::MultiviewModes, index));
        return;
    }
    const bool found = index >= 0;
    switch (reply.keyword) {
    case KwOutResolution:
        if (found)
            set("output.resolution", word(Tables::OutputResolutions, index));
        break;
    case KwResoUser:
        set("output.userWidth", QString::number(reply.numbers[0]));
        set("output.userHeight", QString::number(reply.numbers[1]));
        break;
    case KwOutHdcp:
        if (found)
            set("output.hdcp", word(Tables::HdcpModes, index));
        break;
    case KwOutVka:
        if (found)
            set("output.vka", word(Tables::VkaModes, index));
        break;
    case KwOutItc:
    case KwOut4KAuto:
    case KwAudioMute:
    case KwMainAudioOnOff:
    case KwMic1OnOff:
    case KwMic2OnOff:
    case KwAutoSwitch: {
        static const QHash<int, const char *> switches = {{KwOutItc, "output.itc"},
                                                          {KwOut4KAuto, "output.fourKAuto"},
                                                          {KwAudioMute, "audio.mute"},
                                                          {KwMainAudioOnOff, "audio.mainAudio"},
                                                          {KwMic1OnOff, "audio.mic1"},
                                                          {KwMic2OnOff, "audio.mic2"},
                                                          {KwAutoSwitch, "multiview.autoSwitch"}};
        if (found)
            set(switches.value(reply.keyword), word(Tables::OnOff, index));
        break;
    }
    case KwInEdidMode:
        if (found)
            set("edid.mode", word(Tables::EdidModes, index));
        break;
    case KwAudioSource:
        if (found)
            set("audio.source", word(Tables::audioSources(model), index));
        break;
    case KwAudioVol:
        set("audio.volume", QString::number(reply.number));
        break;
    case KwMic1Vol:
    case KwMic2Vol:
        set(reply.keyword == KwMic1Vol ? "audio.mic1Volume" : "audio.mic2Volume",
            QString::number(reply.number));
        break;
    case KwWindow1In:
    case KwWindow2In:
    case KwWindow3In:
    case KwWindow4In:
        if (found)
            read.values[QStringLiteral("multiview.window%1").arg(reply.target + 1)] =
                word(Tables::inputSources(model), index);
        break;
    case KwPipPos:
        if (found)
            set("multiview.pipPosition", word(Tables::PipPositions, index));
        break;
    case KwPipSize:
        if (found)
            set("multiview.pipSize", word(Tables::PipSizes, index));
        break;
    case KwPbpMode:
    case Kw3xWinMode:
    case Kw4xWinMode:
        set("multiview.layout", QString::number(reply.number));
        break;
    case KwPbpAspect:
    case Kw3xWinAspect:
    case Kw4xWinAspect:
        if (found)
            set("multiview.aspect", word(Tables::Aspects, index));
        break;
    case KwPipUser:
        set("multiview.pipWindow", numbers(reply.numbers, 4));
        break;
    case KwPbpPresenter:
        set("multiview.presenterWindow", numbers(reply.numbers, 4));
        break;
    case KwBaudrate:
        if (Tables::BaudRates.indexOf(QByteArray::number(reply.number)) >= 0)
            set("link.baudRate", QString::number(reply.number));
        break;
    case KwNetworkInfo:
        set("link.ip", reply.words.value(0));
        set("link.port", reply.words.value(1));
        set("link.mask", reply.words.value(2));
        set("link.gateway", reply.words.value(3));
        break;
    default:
        break;
    }
}

void SetupReader::applyMultiviewReport(const ParsedReply &reply)
{
    const MultiviewReport &report = reply.multiview;
    if (report.mode < 0)
        return;
    const quint32 model = read.model;
    const quint32 mode = quint32(report.mode);
    forgetMultiview();
    set("multiview.mode", word(Tables::MultiviewModes, report.mode));
    for (int w = 0; w < LayoutCatalogue::windowCount(mode) && w < 4; ++w) {
        if (report.windowSource[w] >= 0)
            read.values[QStringLiteral("multiview.window%1").arg(w + 1)] =
                word(Tables::inputSources(model), report.windowSource[w]);
    }
    if (mode == ModeSingle) {
        set("multiview.autoSwitch", word(Tables::OnOff, report.autoSwitch));
    } else if (mode == ModePip) {
        if (report.pipPosition >= 0)
            set("multiview.pipPosition", word(Tables::PipPositions, report.pipPosition));
        if (report.pipSize >= 0)
            set("multiview.pipSize", word(Tables::PipSizes, report.pipSize));
    } else {
        if (report.aspect >= 0)
            set("multiview.aspect", word(Tables::Aspects, report.aspect));
        if (report.modeNumber > 0)
            set("multiview.layout", QString::number(report.modeNumber));
    }
}

void SetupReader::followUp()
{
    const SetupValues &values = read.values;
    std::vector<CapturedRequest> requests = captureRequests(BuildContext::of(read.model, values), [&] {
        const auto resolution = values.find(QStringLiteral("output.resolution"));
        if (wants(SetupGroup::Output) && !userResolutionAsked && resolution != values.end() &&
            resolution->second == QLatin1String("USER")) {
            userResolutionAsked = true;
            GetUserResolution();
        }
        const SetupKey *pipWindow = SetupKeys::find(QStringLiteral("multiview.pipWindow"));
        const SetupKey *presenter = SetupKeys::find(QStringLiteral("multiview.presenterWindow"));
        const bool complete = values.count(QStringLiteral("multiview.mode")) &&
                              (values.count(QStringLiteral("multiview.pipSize")) ||
                               values.count(QStringLiteral("multiview.layout")));
        if (wants(SetupGroup::Multiview) && !userWindowAsked && complete &&
            (SetupKeys::applies(*pipWindow, read.model, values) ||
             SetupKeys::applies(*presenter, read.model, values))) {
            userWindowAsked = true;
            GetUserWindow();
        }
    });
    if (!requests.empty() && !exchange->send(requests))
        finish(Outcome::LinkLost);
}

void SetupReader::settle()
{
    if (result != Outcome::Running)
        return;
    if (!modelKnown) {
        finish(Outcome::TimedOut);
        return;
    }
    finish(exchange->timedOut().isEmpty() ? Outcome::Done : Outcome::TimedOut);
}

void SetupReader::finish(Outcome outcome)
{
    if (result != Outcome::Running)
        return;
    result = outcome;
    if (modelKnown) {
        const SetupValues all = read.values;
        SetupKeys::prune(read.model, read.values);
        if (userResolutionAlways) {
            for (const char *key : {"output.userWidth", "output.userHeight"}) {
                const auto it = all.find(QLatin1String(key));
                if (it != all.end())
                    read.values.insert(*it);
            }
        }
        for (auto it = read.values.begin(); it != read.values.end();) {
            const SetupKey *key = SetupKeys::find(it->first);
            it = key && wants(key->group) ? std::next(it) : read.values.erase(it);
        }
    }
    emit SGL_Finished();
}
