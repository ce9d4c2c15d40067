#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

class DeviceModel;
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
// "Sync Over!" marker, or with a summary of the reads that went unanswered.
class SyncReport : public QObject
{
    Q_OBJECT
public:
    SyncReport(DeviceModel &device, QWidget *messageParent, Ui_Uart_Network *connection, Ui_Output *output,
               Ui_Multiview *multiview, Ui_Audio *audio, Ui_System *system);

    // A read got no reply in time (the command without its line end).
    void readTimedOut(const QString &command);

private:
    void identified(bool known);
    void replyApplied(const ParsedReply &reply);
    // Whether a synchronisation of the device identified now is under way.
    bool syncRunning() const;
    void endSync();

    DeviceModel &device;
    QWidget *messageParent;
    Ui_Uart_Network *connection;
    Ui_Output *output;
    Ui_Multiview *multiview;
    Ui_Audio *audio;
    Ui_System *system;
    bool syncing = false;
    QStringList unanswered;
};
