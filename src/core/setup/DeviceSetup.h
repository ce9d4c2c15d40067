#pragma once

#include "protocol/Settings.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonValue>
#include <QList>
#include <QString>

// What a device holds, as a setup file keeps it: the model, when it was read and the values by key.
struct DeviceSetup
{
    static constexpr int FormatVersion = 1;

    quint32 model = 5; // row of the model table; 5 none
    QDateTime saved;
    SetupValues values;

    QString modelName() const;
    // The setup file: {"format": "lumaplex-setup", "version": 1, "model": ..., "saved": ..., "values": {...}}
    // with numbers as JSON numbers and rectangles as arrays of four numbers.
    QByteArray toJson() const;
};

// The outcome of reading a setup file.
struct SetupFileResult
{
    enum Status
    {
        Ok,
        Unreadable, // the file cannot be opened
        Damaged,    // not a JSON object
        Foreign,    // JSON, but not a setup of a model this program knows in a format version it reads
        BadValue    // a key it does not know, or a value the model cannot take
    };

    Status status = Ok;
    QString detail; // what was wrong, in English
    DeviceSetup setup;
};

// A value as a setup file holds it: numbers as JSON numbers, rectangles as arrays of four numbers, the
// rest as text.
QJsonValue setupJsonValue(const Setting &key, const QString &text);
// The text of a JSON value as the command line would give it; null for objects, booleans and the like.
QString setupTextOf(const QJsonValue &value);

SetupFileResult parseSetup(const QByteArray &json);
SetupFileResult readSetupFile(const QString &path);
// Writes the file at once and whole (an interrupted save leaves the old file); false with *error set.
bool writeSetupFile(const QString &path, const DeviceSetup &setup, QString *error);

// A value of `wanted` that `actual` does not hold (actual is null when it holds none for the key).
struct SetupDifference
{
    QString key;
    QString wanted;
    QString actual;
};

// The differences for the keys of `wanted`, in the order of the key table.
QList<SetupDifference> setupDifferences(const SetupValues &wanted, const SetupValues &actual);
