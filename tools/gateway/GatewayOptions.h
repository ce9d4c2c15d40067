#pragma once

#include <QHostAddress>
#include <QSet>
#include <QString>
#include <QStringList>

// What the command line asks of the gateway.
struct GatewayOptions
{
    static constexpr quint16 DefaultPort = 8740;

    QHostAddress listenAddress = QHostAddress::LocalHost;
    quint16 listenPort = DefaultPort;
    // The device file; empty: the saved device list (below --app-dir when given).
    QString devicesFile;
    QString appDir;
    QSet<QString> allowedOrigins;
    bool checkConfig = false;
};

struct ParsedGatewayOptions
{
    GatewayOptions options;
    // Set when the program ends at once: 0 after --help or --version, 2 for a usage error (already told).
    int exitCode = -1;
};

ParsedGatewayOptions parseGatewayOptions(const QStringList &arguments);
