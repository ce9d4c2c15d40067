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
    // Changes the line speed of the terminal side; false for a rate the terminal does not know. Does nothing
    // once the line is left to the peer.
    bool setBaudRate(int rate);
    // From now on the tool alone sets the terminal side, as a PC sets its own serial port: it starts at
    // settings no device uses (4800 baud, 2 stop bits), so only a tool that sets the line is understood.
    void leaveLineToPeer();
    // The settings the tool gave its side now, e.g. "57600 8N1" ("?" for a speed none of the five), followed
    // by " RTS/CTS" with hardware flow control.
    QString lineSettings() const;

    QString tag() const override { return QStringLiteral("pty"); }
    bool isConnected() const override { return masterFd >= 0; }
    bool writeBytes(const QByteArray &bytes) override;

private:
    void readMaster();

    int masterFd = -1;
    int slaveFd = -1; // kept open so the line stays up while the tool has it closed
    bool peerSetsLine = false;
    QSocketNotifier *notifier = nullptr;
    QString slavePath;
    QString link;
    LineSplitter splitter;
};
