#pragma once

#include "setup/DeviceSetup.h"

#include <QList>
#include <QObject>
#include <QStringList>

class LinkExchange;
class LinkSession;
struct ParsedReply;
struct TrafficRecord;

// Reads a device's setup through the link session: asks for the model (unless it is known), sends the read
// requests of the wanted groups and takes the values from every reply line that comes meanwhile, with the
// follow-up reads some replies call for (the user resolution, a user window rectangle). Finishes once every
// request it sent has been answered or has timed out, or the link is gone.
class SetupReader : public QObject
{
    Q_OBJECT
public:
    enum class Outcome
    {
        Running,
        Done,
        TimedOut, // some requests got no reply; the values of the others are there
        LinkLost,
        UnknownModel // the device names a model this program does not know
    };

    explicit SetupReader(LinkSession &session, QObject *parent = nullptr);

    // Every group of keys.
    static QList<SetupGroup> allGroups();

    // Reads the keys of `groups` (only the model when empty). With `model` below 5 the model is taken as
    // known and not asked.
    void start(const QList<SetupGroup> &groups, quint32 model = 5);

    // Also reads the user resolution while the device shows another resolution (and keeps it).
    void setReadUserResolution(bool always) { userResolutionAlways = always; }

    Outcome outcome() const { return result; }
    const DeviceSetup &setup() const { return read; }
    QStringList timedOut() const;
    // What the device named as its model (also when it is unknown).
    QString reportedModel() const { return modelWord; }

signals:
    void SGL_Finished();

private:
    void handle(const TrafficRecord &record);
    void apply(const ParsedReply &reply);
    void applyMultiviewReport(const ParsedReply &reply);
    void readGroups();
    void followUp();
    void settle();
    void finish(Outcome outcome);
    bool wants(SetupGroup group) const;
    void set(const char *key, const QString &value);
    // A new layout: what was read of the old one no longer holds.
    void forgetMultiview();

    LinkSession &session;
    LinkExchange *exchange = nullptr;
    QList<SetupGroup> groups;
    DeviceSetup read;
    QString modelWord;
    bool modelKnown = false;
    bool userResolutionAsked = false;
    bool userResolutionAlways = false;
    bool userWindowAsked = false;
    bool networkAsked = false;
    QList<quint64> linkReads;
    Outcome result = Outcome::Running;
};
