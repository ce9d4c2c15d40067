#include "SystemCommands.h"

#include <QHostAddress>

namespace {

const char *const versionKeywords[] = {"VERSION", "SUB-VERSION", "EXPAND-VERSION", "KEYBOARD-VERSION"};

bool isIpv4(const QByteArray &text)
{
    QHostAddress address;
    return address.setAddress(QString::fromLatin1(text)) &&
           address.protocol() == QAbstractSocket::IPv4Protocol;
}

} // namespace

bool SystemCommands::handle(const SimRequest &request, SimResponse *response)
{
    QList<QByteArray> args;
    if (request.is({"MODEL", "TYPE"})) {
        response->add("MODEL TYPE", s.modelName.toLatin1());
        return true;
    }
    for (int kind = 0; kind < 4; ++kind) {
        if (request.is({versionKeywords[kind]})) {
            response->add(versionKeywords[kind], s.versions[size_t(kind)].toLatin1());
            return true;
        }
    }
    if (request.is({"IN", "EDIDMODE"}, &args)) {
        SimEdit::setWord(request, args, Tables::EdidModes, &s.edidMode, response);
        response->add("IN EDIDMODE", Tables::EdidModes.at(s.edidMode));
        return true;
    }
    if (request.is({"EDID-USER"}, &args)) {
        edidUser(request, args, response);
        return true;
    }
    if (request.is({"BAUDRATE"}, &args)) {
        int rate = 0;
        if (request.isSet && !args.isEmpty() && SimEdit::number(args.first(), 1, 115200, &rate) &&
            Tables::BaudRates.indexOf(QByteArray::number(rate)) >= 0) {
            response->changed = rate != s.baudRate;
            s.baudRate = rate;
            response->action = SimResponse::Action::ApplyBaudRate;
        }
        response->add("BAUDRATE", QByteArray::number(s.baudRate));
        return true;
    }
    if (request.is({"NETWORK-INFO"}, &args)) {
        networkInfo(request, args, response);
        return true;
    }
    return false;
}

void SystemCommands::edidUser(const SimRequest &request, const QList<QByteArray> &args, SimResponse *response)
{
    if (request.isGet) {
        response->add("EDID-USER",
                      s.userEdid.isEmpty() ? QByteArray("NONE") : s.userEdid.toHex(' ').toUpper());
        return;
    }
    QByteArray edid;
    for (const QByteArray &word : args) {
        bool ok = false;
        const uint byte = word.toUInt(&ok, 16);
        if (word.size() != 2 || !ok)
            break;
        edid.append(char(byte));
    }
    if (edid.size() != DeviceState::EdidSize || args.size() != DeviceState::EdidSize) {
        response->add("EDID-USER", "ERROR");
        return;
    }
    response->changed = edid != s.userEdid;
    s.userEdid = edid;
    response->add("EDID-USER", "OK");
}

void SystemCommands::networkInfo(const SimRequest &request, const QList<QByteArray> &args,
                                 SimResponse *response)
{
    int port = 0;
    if (request.isSet && args.size() == 4 && isIpv4(args.at(0)) &&
        SimEdit::number(args.at(1), 1, 65535, &port) && isIpv4(args.at(2)) && isIpv4(args.at(3))) {
        const NetworkSettings written{QString::fromLatin1(args.at(0)), quint16(port),
                                      QString::fromLatin1(args.at(2)), QString::fromLatin1(args.at(3))};
        response->changed = written.ip != s.network.ip || written.port != s.network.port ||
                            written.mask != s.network.mask || written.gateway != s.network.gateway;
        s.network = written;
        response->action = SimResponse::Action::ApplyNetwork;
    }
    response->add("NETWORK-INFO", networkText());
}

QByteArray SystemCommands::networkText() const
{
    return s.network.ip.toLatin1() + ' ' + QByteArray::number(s.network.port) + ' ' +
           s.network.mask.toLatin1() + ' ' + s.network.gateway.toLatin1();
}
