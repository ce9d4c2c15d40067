#pragma once

#include "session/BaudProbe.h"

#include <QObject>

class Ui_Uart_Network;

// "Auto" in the connection page's baud box: before the serial link is opened, the speeds are tried on the
// port (most common first) with the model query. The first speed that answers is shown in the baud box and
// kept, and the link is opened at it; when none answers the operator is told which port and speeds were
// tried.
class SerialSpeedSearch : public QObject
{
    Q_OBJECT
public:
    explicit SerialSpeedSearch(Ui_Uart_Network &page);

    // Whether the baud box asks for the search.
    bool wanted() const;
    void start();
    bool isRunning() const { return probe.outcome() == BaudProbe::Outcome::Running; }

    BaudProbe probe;

private:
    void finished();

    Ui_Uart_Network &page;
    // The port as the operator gave it.
    QString port;
};
