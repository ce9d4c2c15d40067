#pragma once

#include "protocol/DeviceContext.h"
#include "protocol/Settings.h"

#include <QByteArray>
#include <QObject>
#include <QString>

struct MultiviewReport;
struct ParsedReply;

// What the tool knows about the device of one link session: whether and as what it was identified, the mirror
// of its multiview arrangement that the request builders need, and every value it has reported, by key
// ("output.hdcp" = "FORCE-2.2"). The keys are those of the settings table, and a few the pages show besides
// ("firmware.version", "multiview.inputResolution", "multiview.modeCount").
//
// Every line the device sends is applied here once: the line is parsed, its keyword leads through the
// settings table to its key and value list, and the value is stored. Pages observe the model and show its values;
// setup snapshots are taken from it.
class DeviceModel : public QObject
{
    Q_OBJECT

public:
    explicit DeviceModel(QObject *parent = nullptr);

    const DeviceContext &context() const { return mirror; }
    const SetupValues &values() const { return known; }
    // The value of `key`, a null string while none was reported.
    QString value(const QString &key) const;

    // Applies one line the device sent. `answered` is the request the line answered (CR included), empty for
    // a line that answered none; `watch` when that request was a watch read. A value that changes is the
    // tool's own change only when the line answered a request of the tool's that was no watch read.
    void applyLine(const QByteArray &line, const QByteArray &answered = QByteArray(), bool watch = false);
    // Forgets the device (a new link, a restart): not identified, no values.
    void forget();

signals:
    // The first model reply since the device was forgotten: a model of the table (`known`) or not. `name` is
    // the model as the device named it.
    void SGL_Identified(bool known, const QString &name);
    // A value as the device reported it, also when it is the one it had.
    void SGL_ValueReported(const QString &key, const QString &value);
    // A value that differs from the one known before (null before the first report); `own` when the line
    // that brought it answered a request of this tool.
    void SGL_ValueChanged(const QString &key, const QString &oldValue, const QString &newValue, bool own);
    // A line was applied (also one whose value the model could not take), after the values it brought.
    void SGL_ReplyApplied(const ParsedReply &reply, const QByteArray &answered, bool watch);

private:
    void identify(const ParsedReply &reply);
    void apply(const ParsedReply &reply);
    void applyMultiviewReport(const MultiviewReport &report);
    // A new multiview layout: what was known of the old one no longer holds.
    void forgetLayout();
    void set(const QString &key, const QString &value);
    void setWord(const char *key, const WordList &list, int index);

    DeviceContext mirror;
    SetupValues known;
    bool own = false;
};
