#include "GatewayAccess.h"

#include "GatewayOptions.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace {

QByteArray hashOf(const QByteArray &secret)
{
    return QCryptographicHash::hash(secret, QCryptographicHash::Sha256);
}

// An IPv4 client reached through an IPv6 socket is taken as the IPv4 address it is.
QHostAddress plain(const QHostAddress &address)
{
    bool ok = false;
    const quint32 v4 = address.toIPv4Address(&ok);
    return ok ? QHostAddress(v4) : address;
}

} // namespace

GatewayAccess::GatewayAccess(const GatewayOptions &options)
    : tokensFile(options.tokensFile), networks(options.allowFrom), proxy(options.trustedProxy)
{
}

QStringList GatewayAccess::parse(const QByteArray &text,
                                 QHash<QByteArray, std::pair<QString, TokenScope>> *found)
{
    static const QRegularExpression name(QStringLiteral("^[A-Za-z0-9._-]{1,64}$"));
    QStringList problems;
    QSet<QString> names;
    const QList<QByteArray> lines = text.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QString where = QStringLiteral("line %1: ").arg(i + 1);
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.size() != 3) {
            problems << where + QStringLiteral("not NAME SCOPE SECRET");
            continue;
        }
        const QString holder = QString::fromUtf8(words.at(0));
        const QByteArray &scope = words.at(1);
        const QByteArray &secret = words.at(2);
        if (!name.match(holder).hasMatch())
            problems << where +
                            QStringLiteral("the name '%1' is not 1 to 64 of A-Z, a-z, 0-9, '.', '_' and '-'")
                                .arg(holder);
        else if (names.contains(holder))
            problems << where + QStringLiteral("the name %1 is given twice").arg(holder);
        if (scope != "read" && scope != "control")
            problems << where + QStringLiteral("the scope '%1' is neither read nor control")
                                    .arg(QString::fromUtf8(scope));
        const bool visible =
            std::all_of(secret.begin(), secret.end(), [](char c) { return c > ' ' && c < 127; });
        if (secret.size() < SecretMinimum || !visible)
            problems << where + QStringLiteral("the secret of %1 is not %2 or more visible ASCII characters")
                                    .arg(holder)
                                    .arg(SecretMinimum);
        else if (found->contains(hashOf(secret)))
            problems << where + QStringLiteral("the secret of %1 is another token's too").arg(holder);
        names.insert(holder);
        found->insert(hashOf(secret), {holder, scope == "control" ? TokenScope::Control : TokenScope::Read});
    }
    if (problems.isEmpty() && found->isEmpty())
        problems << QStringLiteral("no token is given: no client could be served");
    return problems;
}

bool GatewayAccess::load(QStringList *problems)
{
    if (tokensFile.isEmpty())
        return true;
    QFile file(tokensFile);
    if (!file.open(QIODevice::ReadOnly)) {
        *problems << QStringLiteral("cannot read: %1").arg(file.errorString());
        return false;
    }
    const QFileDevice::Permissions open =
        QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther;
    if (file.permissions() & open) {
        *problems << QStringLiteral("others may read or change it: make it the service's own (chmod 600)");
        return false;
    }
    QHash<QByteArray, std::pair<QString, TokenScope>> found;
    const QStringList wrong = parse(file.readAll(), &found);
    if (!wrong.isEmpty()) {
        *problems << wrong;
        return false;
    }
    holders = std::move(found);
    return true;
}

QHostAddress GatewayAccess::clientOf(const QHostAddress &peer, const QByteArray &forwardedFor) const
{
    const QHostAddress direct = plain(peer);
    if (proxy.isNull() || direct != proxy || forwardedFor.isEmpty())
        return direct;
    // The proxy adds the address it was reached from last; what comes before it the client may have made up.
    const QHostAddress forwarded(QString::fromLatin1(forwardedFor.split(',').last().trimmed()));
    return forwarded.isNull() ? direct : plain(forwarded);
}

bool GatewayAccess::admits(const QHostAddress &client) const
{
    if (networks.empty())
        return true;
    const QHostAddress address = plain(client);
    return std::any_of(networks.begin(), networks.end(),
                       [&address](const auto &network) { return address.isInSubnet(network); });
}

std::optional<GatewayClient> GatewayAccess::identify(GatewayClient client, const QByteArray &secret) const
{
    const auto found = holders.constFind(hashOf(secret));
    if (found == holders.constEnd())
        return std::nullopt;
    client.token = found->first;
    client.scope = found->second;
    client.identified = true;
    return client;
}

bool GatewayAccess::stillHolds(const GatewayClient &client) const
{
    if (!takesTokens() || !client.identified)
        return true;
    return std::any_of(holders.begin(), holders.end(), [&client](const auto &holder) {
        return holder.first == client.token && holder.second == client.scope;
    });
}
