#pragma once

#include "setup/DeviceSetup.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QStringList>

class LinkExchange;
class LinkReply;
class LinkSession;

// Reads a device's setup through the link session: asks for the model (unless it is known), sends the read
// requests of the wanted groups, with the follow-up reads some values call for (the user resolution, a user
// window rectangle), and takes the values the session's device model was given meanwhile. Finishes once every
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
    void ended(const LinkReply &reply);
    void readGroups();
    void followUp();
    void settle();
    void finish(Outcome outcome);
    bool wants(SetupGroup group) const;
    // The values reported since the read began.
    SetupValues reportedValues() const;

    LinkSession &session;
    LinkExchange *exchange = nullptr;
    QList<SetupGroup> groups;
    DeviceSetup read;
    QString modelWord;
    bool modelKnown = false;
    bool userResolutionAsked = false;
    bool userResolutionAlways = false;
    bool userWindowAsked = false;
    QSet<QString> reported;
    Outcome result = Outcome::Running;
};
