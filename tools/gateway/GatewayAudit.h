#pragma once

#include "GatewayAccess.h"
#include "HttpMessage.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>
#include <map>

class GatewayDevice;

// The audit of every change asked through the gateway: one JSON object per change (time, client address and
// token, device, what was asked, how it ended, the values it names before and after), the last ones of each
// device kept for GET .../audit, and, with --audit FILE, appended to FILE as JSON lines. The file is written
// from the event loop a moment later, never while a request waits, and rotated by size (FILE.1 is the one
// before).
class GatewayAudit : public QObject
{
    Q_OBJECT

public:
    static constexpr int KeptPerDevice = 200;
    static constexpr qint64 RotateBytes = 16 * 1024 * 1024;

    // An empty path keeps the entries in memory only.
    explicit GatewayAudit(const QString &path = QString(), QObject *parent = nullptr);
    ~GatewayAudit() override;

    // The values of `keys` the device holds now, typed as the API shows them.
    static QJsonObject valuesOf(const GatewayDevice &device, const QStringList &keys);
    // Records a change `client` asked of `device` (`what`: "values", "setup", "action NAME", "line" or a
    // text port command) that ended with `answer`; `before` holds the values it names as they were.
    void record(const GatewayClient &client, const GatewayDevice &device, const QString &what,
                const QJsonValue &asked, const HttpResponse &answer, const QJsonObject &before);
    // The last `limit` entries of a device, the newest last.
    QJsonArray last(const QString &device, int limit) const;
    // Whether the file could be written; the reason it could not.
    QString problem() const { return failure; }

private:
    void flush();

    QString path;
    QByteArray pending;
    QTimer flushTimer;
    QString failure;
    std::map<QString, std::deque<QJsonObject>> kept;
};
