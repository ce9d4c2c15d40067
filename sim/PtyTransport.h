#pragma once

#include "LineSplitter.h"
#include "SimLink.h"

class QSocketNotifier;

// The device's RS-232 port, served on a pseudo-terminal. The tool opens the terminal side (reached through
// a symbolic link) as its serial port; the simulator reads and writes the controlling side.
class PtyTransport : public SimLink
{
    Q_OBJECT
public:
    explicit PtyTransport(QObject *parent = nullptr);
    ~PtyTransport() override;

    // Creates the pair in raw mode at `baudRate` and points `linkPath` at the terminal side.
    bool open(const QString &linkPath, int baudRate, QString *error);
    void close();
    QString terminalPath() const { return slavePath; }
    QString linkPath() const { return link; }
    // Changes the line speed of the terminal side; false for a rate the terminal does not know.
    bool setBaudRate(int rate);

    QString tag() const override { return QStringLiteral("pty"); }
    bool isConnected() const override { return masterFd >= 0; }
    bool writeBytes(const QByteArray &bytes) override;

private:
    void readMaster();

    int masterFd = -1;
    int slaveFd = -1; // kept open so the line stays up while the tool has it closed
    QSocketNotifier *notifier = nullptr;
    QString slavePath;
    QString link;
    LineSplitter splitter;
};
