#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

class LinkSession;
class QWidget;
struct ParsedReply;
class Ui_Audio;
class Ui_Multiview;
class Ui_Output;
class Ui_System;
class Ui_Uart_Network;

// What the connection page's status box tells about the device of the main window's session: its
// identification (an accepted model makes the pages adapt and read everything; an unknown one closes the
// link), a confirmation line for every reply that earns one, and the end of the synchronisation that an
// accepted model starts: its last read (the link's parameter) ends it, answered or not, with the
// "Sync Over!" marker, or with a summary of the reads that went unanswered. It also names every value the
// device changed without a request of the tool's (found by watching, or told by the device itself), in the
// status box and in the traffic log, and ends the link of a device that stopped answering.
class SyncReport : public QObject
{
    Q_OBJECT
public:
    SyncReport(LinkSession &session, QWidget *messageParent, Ui_Uart_Network *connection, Ui_Output *output,
               Ui_Multiview *multiview, Ui_Audio *audio, Ui_System *system);

    // A read got no reply in time (the command without its line end).
    void readTimedOut(const QString &command);

private:
    void identified(bool known);
    void replyApplied(const ParsedReply &reply);
    void changedElsewhere(const QString &key, const QString &oldValue, const QString &newValue);
    void givenUp();
    // Whether a synchronisation of the device identified now is under way.
    bool syncRunning() const;
    void endSync();

    LinkSession &session;
    QWidget *messageParent;
    Ui_Uart_Network *connection;
    Ui_Output *output;
    Ui_Multiview *multiview;
    Ui_Audio *audio;
    Ui_System *system;
    bool syncing = false;
    QStringList unanswered;
};
