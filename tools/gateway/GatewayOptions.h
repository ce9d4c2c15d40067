#pragma once

#include <QHostAddress>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>

#include <vector>

// An address and port to serve on; port 0 for none.
struct GatewayEndpoint
{
    QHostAddress address = QHostAddress::LocalHost;
    quint16 port = 0;
};

// What the command line asks of the gateway.
struct GatewayOptions
{
    static constexpr quint16 DefaultPort = 8740;

    // The HTTP API and its WebSocket stream.
    GatewayEndpoint listen{QHostAddress::LocalHost, DefaultPort};
    // The device file; empty: the saved device list (below --app-dir when given).
    QString devicesFile;
    QString appDir;
    QSet<QString> allowedOrigins;
    // Where every change is appended as a JSON line; empty: kept in memory only (GET .../audit).
    QString auditFile;
    // The text control port, when asked for.
    GatewayEndpoint control;
    // The tokens every client must show; empty: none are asked (loopback only).
    QString tokensFile;
    // The client networks served; empty: every client.
    std::vector<QPair<QHostAddress, int>> allowFrom;
    // The reverse proxy whose X-Forwarded-For names the client; null: none.
    QHostAddress trustedProxy;
    bool checkConfig = false;
};

struct ParsedGatewayOptions
{
    GatewayOptions options;
    // Set when the program ends at once: 0 after --help or --version, 2 for a usage error (already told).
    int exitCode = -1;
};

ParsedGatewayOptions parseGatewayOptions(const QStringList &arguments);
