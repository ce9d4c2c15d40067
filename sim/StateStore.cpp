#include "StateStore.h"

#include "DeviceState.h"

#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>

#include <cstdio>

bool StateStore::load(QJsonObject *json)
{
    if (!isEnabled())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (!document.isObject()) {
        std::fprintf(stderr, "lumaplex-sim: ignoring %s: %s\n", qPrintable(path),
                     qPrintable(error.error != QJsonParseError::NoError
                                    ? error.errorString()
                                    : QStringLiteral("not a JSON object")));
        return false;
    }
    *json = document.object();
    written = bytes;
    return true;
}

void StateStore::save(const DeviceState &state)
{
    if (!isEnabled())
        return;
    const QByteArray bytes = QJsonDocument(state.toJson()).toJson(QJsonDocument::Indented);
    if (bytes == written)
        return;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        std::fprintf(stderr, "lumaplex-sim: cannot save the state to %s: %s\n", qPrintable(path),
                     qPrintable(file.errorString()));
        return;
    }
    written = bytes;
}
