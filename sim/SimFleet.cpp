#include "SimFleet.h"

#include "ControlPort.h"
#include "Simulator.h"
#include "TrafficLog.h"

#include <QFileInfo>

#include <cstdio>
#include <sys/resource.h>

namespace {

// Every device of a fleet holds a listening socket and its clients' connections: a large fleet may need more
// files open than the soft limit allows.
void raiseOpenFileLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// "fleet.json" for device 3: "fleet-3.json", in the same folder.
QString indexedPath(const QString &path, int index)
{
    const QFileInfo file(path);
    const QString suffix = file.suffix();
    const QString name = suffix.isEmpty()
                             ? QStringLiteral("%1-%2").arg(file.fileName()).arg(index)
                             : QStringLiteral("%1-%2.%3").arg(file.completeBaseName()).arg(index).arg(suffix);
    return path.left(path.size() - file.fileName().size()) + name;
}

} // namespace

SimFleet::SimFleet(const SimOptions &options, QObject *parent) : QObject(parent), options(options) {}

SimFleet::~SimFleet()
{
    shutdown();
}

SimOptions SimFleet::deviceOptions(const SimOptions &fleet, int index)
{
    SimOptions device = fleet;
    if (!fleet.devicesGiven)
        return device;
    device.index = index;
    device.model = fleet.models.at(index % fleet.models.size());
    if (fleet.tcpPort != 0)
        device.tcpPort = quint16(fleet.tcpPort + index);
    if (!fleet.stateFile.isEmpty())
        device.stateFile = indexedPath(fleet.stateFile, index);
    return device;
}

bool SimFleet::start()
{
    if (options.devices > 1)
        raiseOpenFileLimit();
    for (int index = 0; index < options.devices; ++index) {
        devices.push_back(std::make_unique<Simulator>(deviceOptions(options, index)));
        if (!devices.back()->start()) {
            if (options.devicesGiven)
                printError(QStringLiteral("device %1 of %2 cannot start").arg(index).arg(options.devices));
            return false;
        }
    }
    if (options.controlEnabled) {
        controlPort = new ControlPort([this](const QByteArray &line) { return control(line); }, this);
        QString error;
        if (!controlPort->listen(options.controlAddress, options.controlPort, &error)) {
            printError(QStringLiteral("cannot listen for control lines on %1:%2: %3")
                           .arg(options.controlAddress.toString())
                           .arg(options.controlPort)
                           .arg(error));
            return false;
        }
    }
    if (options.devicesGiven) {
        QByteArray table;
        for (std::size_t index = 0; index < devices.size(); ++index)
            table += QByteArray::number(qulonglong(index)) + ' ' +
                     QByteArray::number(devices[index]->tcpPort()) + '\n';
        std::fputs(table.constData(), stdout);
        std::fflush(stdout);
        TrafficLog::announce(
            QStringLiteral("a fleet of %1 devices (%2) listening on tcp %3")
                .arg(options.devices)
                .arg(options.models.join(QLatin1String(", ")), options.tcpAddress.toString()));
    }
    if (controlPort)
        TrafficLog::announce(QStringLiteral("control lines on %1:%2")
                                 .arg(controlPort->address().toString())
                                 .arg(controlPort->port()));
    return true;
}

void SimFleet::shutdown()
{
    delete controlPort;
    controlPort = nullptr;
    for (const auto &device : devices)
        device->shutdown();
    devices.clear();
}

QByteArray SimFleet::control(const QByteArray &line)
{
    const QList<QByteArray> words = line.simplified().split(' ');
    if (words.size() != 3 || words.at(0).toUpper() != "FAULT")
        return QByteArrayLiteral("ERROR expected FAULT INDEX freeze|silent|disconnect|clear");
    bool ok = false;
    const int index = words.at(1).toInt(&ok, 10);
    if (!ok || index < 0 || index >= int(devices.size()))
        return "ERROR no device " + words.at(1) + " (the fleet has 0 to " +
               QByteArray::number(qulonglong(devices.size() - 1)) + ")";
    static const struct
    {
        const char *word;
        DeviceFault fault;
    } faults[] = {{"freeze", DeviceFault::Freeze},
                  {"silent", DeviceFault::Silent},
                  {"disconnect", DeviceFault::Disconnect},
                  {"clear", DeviceFault::Clear}};
    const QByteArray word = words.at(2).toLower();
    for (const auto &fault : faults) {
        if (word == fault.word) {
            devices[std::size_t(index)]->setFault(fault.fault);
            return QByteArrayLiteral("OK");
        }
    }
    return "ERROR no fault " + words.at(2) + " (freeze, silent, disconnect or clear)";
}
