#include "session/DeviceModel.h"

#include "protocol/LayoutCatalogue.h"
#include "protocol/ReplyKeywords.h"
#include "protocol/ReplyParser.h"
#include "protocol/ValueTables.h"

#include <QStringList>

namespace {
const QString ModeKey = QStringLiteral("multiview.mode");
const QString LayoutPrefix = QStringLiteral("multiview.");

QString windowKey(int window)
{
    return QStringLiteral("multiview.window%1").arg(window + 1);
}

QString numbers(const quint32 (&values)[4], int count)
{
    QStringList parts;
    for (int i = 0; i < count; ++i)
        parts << QString::number(values[i]);
    return parts.join(QLatin1Char(' '));
}
} // namespace

DeviceModel::DeviceModel(QObject *parent) : QObject(parent) {}

QString DeviceModel::value(const QString &key) const
{
    const auto it = known.find(key);
    return it == known.end() ? QString() : it->second;
}

void DeviceModel::forget()
{
    mirror = DeviceContext();
    known.clear();
}

void DeviceModel::applyLine(const QByteArray &line, const QByteArray &answered, bool watch)
{
    const ParsedReply reply = parseReplyLine(line, mirror.CurrentModel, mirror.MultiviewMode);
    if (reply.ignored)
        return;
    if (reply.keyword == KwModelType) {
        identify(reply);
        return;
    }
    own = !answered.isEmpty() && !watch;
    if (reply.apply)
        apply(reply);
    emit SGL_ReplyApplied(reply, answered, watch);
}

void DeviceModel::identify(const ParsedReply &reply)
{
    // Only the first model reply counts, whether the model is known or not.
    if (mirror.ModelIdentified)
        return;
    mirror.ModelIdentified = true;
    if (reply.apply) {
        mirror.CurrentModel = quint8(reply.index);
        mirror.InputCount = Tables::inputCount(mirror.CurrentModel);
    }
    emit SGL_Identified(reply.apply, reply.text.trimmed());
}

void DeviceModel::set(const QString &key, const QString &value)
{
    const QString before = this->value(key);
    known[key] = value;
    emit SGL_ValueReported(key, value);
    if (before != value)
        emit SGL_ValueChanged(key, before, value, own);
}

void DeviceModel::setWord(const char *key, const WordList &list, int index)
{
    if (index >= 0)
        set(QLatin1String(key), QString::fromLatin1(list.at(quint32(index))));
}

void DeviceModel::forgetLayout()
{
    for (auto it = known.begin(); it != known.end();)
        it = it->first.startsWith(LayoutPrefix) && it->first != ModeKey ? known.erase(it) : std::next(it);
}

void DeviceModel::apply(const ParsedReply &reply)
{
    const quint32 model = mirror.CurrentModel;
    const int index = reply.index;
    if (const Setting *key = Settings::ofKeyword(reply.keyword)) {
        const QString value = key->words ? QString::fromLatin1(key->words(model).at(quint32(index)))
                                         : QString::number(reply.number);
        if (reply.keyword == KwMultiview) {
            if (value != this->value(ModeKey))
                forgetLayout();
            mirror.MultiviewMode = quint32(index);
        } else if (reply.keyword == KwPipPos) {
            mirror.PipPosition = quint32(index);
        } else if (reply.keyword == KwPipSize) {
            mirror.PipSize = quint32(index);
        }
        set(QLatin1String(key->name), value);
        return;
    }
    if (isVersionKeyword(reply.keyword)) {
        set(QStringLiteral("firmware.version"), reply.text);
        return;
    }
    switch (reply.keyword) {
    case KwInResolution:
        set(QStringLiteral("multiview.inputResolution"), reply.text);
        break;
    case KwInSource:
    case KwWindow1In:
    case KwWindow2In:
    case KwWindow3In:
    case KwWindow4In: {
        const int window = reply.keyword == KwInSource ? 0 : reply.target;
        mirror.WindowSource[window] = quint32(index);
        set(windowKey(window), QString::fromLatin1(Tables::inputSources(model).at(quint32(index))));
        break;
    }
    case KwPbpMode:
    case Kw3xWinMode:
    case Kw4xWinMode:
        mirror.ModeIndex = quint32(reply.number - 1);
        set(QStringLiteral("multiview.layout"), QString::number(reply.number));
        break;
    case KwPbpAspect:
    case Kw3xWinAspect:
    case Kw4xWinAspect:
        mirror.AspectIndex = quint32(index);
        setWord("multiview.aspect", Tables::Aspects, index);
        break;
    case KwMaxMode:
        mirror.ModeCount = quint32(reply.number);
        set(QStringLiteral("multiview.modeCount"), QString::number(reply.number));
        break;
    case KwMultiviewSync:
        applyMultiviewReport(reply.multiview);
        break;
    case KwNetworkInfo:
        set(QStringLiteral("link.ip"), reply.words.value(0));
        set(QStringLiteral("link.port"), reply.words.value(1));
        set(QStringLiteral("link.mask"), reply.words.value(2));
        set(QStringLiteral("link.gateway"), reply.words.value(3));
        break;
    case KwBaudrate:
        if (Tables::BaudRates.indexOf(QByteArray::number(reply.number)) >= 0)
            set(QStringLiteral("link.baudRate"), QString::number(reply.number));
        break;
    case KwPipUser:
        set(QStringLiteral("multiview.pipWindow"), numbers(reply.numbers, 4));
        break;
    case KwPbpPresenter:
        set(QStringLiteral("multiview.presenterWindow"), numbers(reply.numbers, 4));
        break;
    case KwResoUser:
        set(QStringLiteral("output.userWidth"), QString::number(reply.numbers[0]));
        set(QStringLiteral("output.userHeight"), QString::number(reply.numbers[1]));
        break;
    default:
        break;
    }
}

void DeviceModel::applyMultiviewReport(const MultiviewReport &report)
{
    const quint32 model = mirror.CurrentModel;
    const quint32 mode = report.resultingMode;
    if (report.mode >= 0) {
        const QString word = QString::fromLatin1(Tables::MultiviewModes.at(mode));
        if (word != value(ModeKey))
            forgetLayout();
        mirror.MultiviewMode = mode;
        set(ModeKey, word);
    }
    for (int w = 0; w < LayoutCatalogue::windowCount(mode) && w < 4; ++w) {
        if (report.windowSource[w] < 0)
            continue;
        mirror.WindowSource[w] = quint32(report.windowSource[w]);
        set(windowKey(w), QString::fromLatin1(Tables::inputSources(model).at(mirror.WindowSource[w])));
    }
    if (mode == ModeSingle) {
        set(QStringLiteral("multiview.inputResolution"), report.inputResolution);
        setWord("multiview.autoSwitch", Tables::OnOff, report.autoSwitch);
    } else if (mode == ModePip) {
        if (report.pipPosition >= 0)
            mirror.PipPosition = quint32(report.pipPosition);
        if (report.pipSize >= 0)
            mirror.PipSize = quint32(report.pipSize);
        setWord("multiview.pipPosition", Tables::PipPositions, report.pipPosition);
        setWord("multiview.pipSize", Tables::PipSizes, report.pipSize);
    } else {
        if (report.aspect >= 0)
            mirror.AspectIndex = quint32(report.aspect);
        setWord("multiview.aspect", Tables::Aspects, report.aspect);
        if (report.modeNumber > 0) {
            mirror.ModeIndex = quint32(report.modeNumber - 1);
            set(QStringLiteral("multiview.layout"), QString::number(report.modeNumber));
        }
        if (report.hasModeCount) {
            mirror.ModeCount = report.modeCount;
            set(QStringLiteral("multiview.modeCount"), QString::number(report.modeCount));
        }
    }
}
