#pragma once

#include <QString>
#include <QStringList>

class QWidget;
struct MultiviewReport;
struct ParsedReply;
class Ui_Audio;
class Ui_Multiview;
class Ui_Output;
class Ui_System;
class Ui_Uart_Network;

// Applies what a reply line says: updates the application state, calls the page operation that shows the
// value and writes the confirmation line into the connection page's status box. It also follows the
// synchronisation that an accepted model starts: its last read (the link's parameter) ends it, answered or
// not, with the "Sync Over!" marker, or with a summary of the reads that went unanswered.
class ReplyApplier
{
public:
    ReplyApplier(QWidget *messageParent, Ui_Uart_Network *connection, Ui_Output *output, Ui_Multiview *multiview,
                 Ui_Audio *audio, Ui_System *system);

    void dispatch(const QString &line);
    // A read got no reply in time (the command without its line end).
    void readTimedOut(const QString &command);

private:
    void apply(const ParsedReply &reply);
    void applyModelType(const ParsedReply &reply);
    void applyMultiviewReport(const MultiviewReport &report);
    void writeStatus(const ParsedReply &reply);
    // Whether a synchronisation of the device identified now is under way.
    bool syncRunning() const;
    void endSync();

    QWidget *messageParent;
    Ui_Uart_Network *connection;
    Ui_Output *output;
    Ui_Multiview *multiview;
    Ui_Audio *audio;
    Ui_System *system;
    bool syncing = false;
    QStringList unanswered;
};
