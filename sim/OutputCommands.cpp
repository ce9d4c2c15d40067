#include "OutputCommands.h"

#include "protocol/Settings.h"

#include <QRegularExpression>

namespace {
// Largest user timing the output accepts in either direction.
constexpr int MaxUserTiming = 8192;
} // namespace

bool OutputCommands::handle(const SimRequest &request, SimResponse *response)
{
    QList<QByteArray> args;
    if (request.is({"OUT", "RESOLUTION"}, &args)) {
        SimEdit::setWord(request, args, Tables::OutputResolutions, &s.outResolution, response);
        response->add("OUT RESOLUTION", Tables::OutputResolutions.at(s.outResolution));
        return true;
    }
    if (request.is({"RESO-USER"}, &args)) {
        int width = 0;
        int height = 0;
        if (request.isSet && args.size() >= 2 && SimEdit::number(args.at(0), 1, MaxUserTiming, &width) &&
            SimEdit::number(args.at(1), 1, MaxUserTiming, &height)) {
            response->changed = quint32(width) != s.userWidth || quint32(height) != s.userHeight;
            s.userWidth = quint32(width);
            s.userHeight = quint32(height);
        }
        response->add("RESO-USER", QByteArray::number(s.userWidth) + ' ' + QByteArray::number(s.userHeight));
        return true;
    }
    if (request.is({"OUT", "HDCP"}, &args)) {
        SimEdit::setWord(request, args, Tables::HdcpModes, &s.hdcp, response);
        response->add("OUT HDCP", Tables::HdcpModes.at(s.hdcp));
        return true;
    }
    if (request.is({"OUT", "VKA"}, &args)) {
        SimEdit::setWord(request, args, Tables::VkaModes, &s.vka, response);
        response->add("OUT VKA", Tables::VkaModes.at(s.vka));
        return true;
    }
    if (request.is({"OUT", "ITC"}, &args)) {
        SimEdit::setOnOff(request, args, &s.itc, response);
        response->add("OUT ITC", SimEdit::onOffWord(s.itc));
        return true;
    }
    if (request.is({"OUT", "4K-AUTO"}, &args)) {
        // A model without the feature does not answer at all, as the real one.
        if (Settings::onModel(SettingId::OutputFourKAuto, s.model)) {
            SimEdit::setOnOff(request, args, &s.fourKAuto, response);
            response->add("OUT 4K-AUTO", SimEdit::onOffWord(s.fourKAuto));
        }
        return true;
    }
    if (request.is({"IN", "RESOLUTION"}, &args)) {
        // Setting it stands for plugging in a source with another timing.
        static const QRegularExpression timing(QStringLiteral("^\\d{3,4}x\\d{3,4}[pi]\\d{2,3}$"));
        if (request.isSet && !args.isEmpty() && timing.match(QString::fromLatin1(args.first())).hasMatch()) {
            response->changed = QString::fromLatin1(args.first()) != s.inputResolution;
            s.inputResolution = QString::fromLatin1(args.first());
        }
        response->add("IN RESOLUTION", s.inputResolution.toLatin1());
        return true;
    }
    return false;
}
