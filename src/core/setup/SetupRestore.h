#pragma once

#include "setup/DeviceSetup.h"

#include <QObject>
#include <QStringList>

class LinkExchange;
class LinkSession;
class SetupReader;
struct Request;

// Makes a device hold the values of a setup: reads what it holds, refuses a setup of another model, sends
// only the change requests for the values that differ, in a safe order (the multiview layout before the
// layout's options and window sources, which are planned against what the device shows once it has
// changed layout; commands that make the device busy hold back the following ones as the link always does),
// reads the device back and tells what still differs. The device's own link settings go last, and only
// when asked for: the link breaks once the device takes them.
class SetupRestore : public QObject
{
    Q_OBJECT
public:
    enum class Outcome
    {
        Running,
        Matches,      // the device holds every value of the setup (link settings aside)
        Differs,      // some values still differ after the read-back
        OtherModel,   // the setup belongs to another model; nothing was changed
        UnknownModel, // the device names a model this program does not know
        TimedOut,     // the device did not tell its model
        LinkLost
    };

    explicit SetupRestore(LinkSession &session, QObject *parent = nullptr);
    ~SetupRestore() override;

    void start(const DeviceSetup &target, bool withLinkSettings);

    Outcome outcome() const { return result; }
    // The device's setup as read before any change.
    const DeviceSetup &before() const { return initial; }
    // The change requests sent, without CR.
    QStringList sent() const { return sentLines; }
    // What still differs after the read-back (link settings are not read back).
    QList<SetupDifference> remaining() const { return differences; }
    // Requests left without reply.
    QStringList timedOut() const;
    QString reportedModel() const { return deviceModel; }

signals:
    void SGL_Finished();

private:
    enum class Step
    {
        Identify,
        ReadBefore,
        Settings,
        ReadLayout,
        LayoutOptions,
        LayoutDetails,
        ReadBack,
        LinkSettings
    };

    void read(Step next, const QList<SetupGroup> &groups);
    void readDone();
    void identified();
    void readBefore();
    // The requests for the layout's options, user window and window sources against `now`. While the user
    // window of the setup is not known yet (the layout did not show one), only the options go, and the rest
    // after another read: *readAgain tells.
    std::vector<Request> planLayout(const SetupValues &now, bool *readAgain);
    void settled();
    void send(Step next, const std::vector<Request> &requests);
    void finish(Outcome outcome);
    SetupValues targetWithoutLink() const;
    QList<SetupGroup> targetGroups(bool withLink) const;

    LinkSession &session;
    LinkExchange *exchange = nullptr;
    SetupReader *reader = nullptr;
    DeviceSetup target;
    bool withLink = false;
    bool layoutReadAgain = false;
    Step step = Step::Identify;
    DeviceSetup initial;
    QString deviceModel;
    QStringList sentLines;
    QStringList unanswered;
    int exchangeTimeoutsTaken = 0;
    QList<SetupDifference> differences;
    Outcome result = Outcome::Running;
    bool watchHeld = false;
};
