#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

struct GatewayOptions;

// What a token lets its holder do: read only, or read and change.
enum class TokenScope
{
    Read,
    Control
};

// Who asks something of the gateway: the client's address (as the trusted proxy tells it, when it came
// through one) and the token it showed.
struct GatewayClient
{
    QString address;
    // The token's name; empty when the gateway takes no tokens.
    QString token;
    TokenScope scope = TokenScope::Control;
    // False while tokens are taken and this client has not shown one yet.
    bool identified = true;

    bool mayControl() const { return identified && scope == TokenScope::Control; }
    // The name a change made by this client goes by in the change stream.
    QString origin() const { return token.isEmpty() ? QStringLiteral("gateway") : token; }
};

// Who may use the gateway: the tokens of --tokens FILE (kept as SHA-256 hashes only), the client networks
// of --allow-from, and the reverse proxy of --trust-proxy whose X-Forwarded-For names the client.
//
// The tokens file holds one token per line, "NAME SCOPE SECRET" (SCOPE "read" or "control", SECRET at
// least 16 visible characters), with blank lines and lines starting with '#' skipped. It must not be
// readable by the group or others.
class GatewayAccess
{
public:
    static constexpr int SecretMinimum = 16;

    explicit GatewayAccess(const GatewayOptions &options);

    // Reads the tokens file again (nothing to read without one). A file with problems changes nothing: false,
    // with each problem by line in *problems.
    bool load(QStringList *problems);
    // Whether every client must show a token.
    bool takesTokens() const { return !tokensFile.isEmpty(); }
    int tokens() const { return int(holders.size()); }

    // The client a connection from `peer` speaks for: the last address of X-Forwarded-For when `peer` is the
    // trusted proxy, else `peer`.
    QHostAddress clientOf(const QHostAddress &peer, const QByteArray &forwardedFor) const;
    // Whether the networks of --allow-from hold `client` (every client when none are given).
    bool admits(const QHostAddress &client) const;
    // `client` as identified by `secret`; nullopt for a secret no token has.
    std::optional<GatewayClient> identify(GatewayClient client, const QByteArray &secret) const;
    // Whether the token `client` showed still exists with the same scope (after the file was read again).
    bool stillHolds(const GatewayClient &client) const;

    // The problems of a tokens file's text, by line; the holders by hash when there are none.
    static QStringList parse(const QByteArray &text,
                             QHash<QByteArray, std::pair<QString, TokenScope>> *holders);

private:
    QString tokensFile;
    std::vector<QPair<QHostAddress, int>> networks;
    QHostAddress proxy;
    QHash<QByteArray, std::pair<QString, TokenScope>> holders;
};
