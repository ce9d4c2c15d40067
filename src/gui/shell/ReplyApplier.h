#pragma once

#include <QString>

class QWidget;
struct MultiviewReport;
struct ParsedReply;
class Ui_Audio;
class Ui_Multiview;
class Ui_Output;
class Ui_System;
class Ui_Uart_Network;

// Applies what a reply line says: updates the application state, calls the page operation that shows the
// value and writes the confirmation line into the connection page's status box.
class ReplyApplier
{
public:
    ReplyApplier(QWidget *messageParent, Ui_Uart_Network *connection, Ui_Output *output, Ui_Multiview *multiview,
                 Ui_Audio *audio, Ui_System *system);

    void dispatch(const QString &line);

private:
    void apply(const ParsedReply &reply);
    void applyModelType(const ParsedReply &reply);
    void applyMultiviewReport(const MultiviewReport &report);
    void writeStatus(const ParsedReply &reply);

    QWidget *messageParent;
    Ui_Uart_Network *connection;
    Ui_Output *output;
    Ui_Multiview *multiview;
    Ui_Audio *audio;
    Ui_System *system;
};
