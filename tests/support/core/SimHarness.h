#pragma once

// Helpers for the simulator tests: start the built lumaplex-sim on a free loopback port, talk to it over a
// real TCP connection or its pseudo-terminal, and wait for what it sends while the event loop keeps running
// (so its standard output keeps being read).

#include "protocol/ByteHelpers.h"
#include "protocol/ReplyKeywords.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <functional>
#include <map>
#include <memory>
#include <termios.h>
#include <unistd.h>

namespace SimHarness {

// Runs the event loop until `done` holds or the time is up. The loop sleeps until something arrives (data,
// process output) and checks at least every 20 ms.
inline bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    QTimer tick;
    tick.start(20);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// The reply keyword (of the searched ones) that occurs as a whole word in a line, or an empty array.
inline QByteArray keywordIn(const QByteArray &line)
{
    const QByteArray withEnd = line + '\r';
    for (int i = 0; i < Tables::SearchedReplyKeywords; ++i) {
        const QByteArray keyword = Tables::ReplyKeywords.at(quint32(i));
        if (FindKeyword(withEnd.constData(), quint32(withEnd.size()), keyword.constData(),
                        quint32(keyword.size())))
            return keyword;
    }
    return QByteArray();
}

// One simulator process.
class SimProcess
{
public:
    ~SimProcess() { stop(); }

    // Starts the simulator with `args` (plus "--tcp 127.0.0.1:0" unless they choose the TCP side) and waits
    // for its "listening on" line.
    bool start(QStringList args)
    {
        if (!args.contains(QStringLiteral("--tcp")) && !args.contains(QStringLiteral("--no-tcp")))
            args << QStringLiteral("--tcp") << QStringLiteral("127.0.0.1:0");
        process.setProgram(QStringLiteral(LUMAPLEX_SIM_PATH));
        process.setArguments(args);
        process.start();
        if (!process.waitForStarted(5000))
            return false;
        const QRegularExpressionMatch match =
            waitForOutput(QRegularExpression(QStringLiteral("listening on [^\\n]*\\n")));
        if (!match.hasMatch())
            return false;
        const QRegularExpressionMatch tcp =
            QRegularExpression(QStringLiteral("tcp ([0-9.]+):(\\d+)")).match(match.captured(0));
        if (tcp.hasMatch())
            port = quint16(tcp.captured(2).toUInt());
        const QRegularExpressionMatch pty =
            QRegularExpression(QStringLiteral("pty (\\S+) \\(link")).match(match.captured(0));
        if (pty.hasMatch())
            terminal = pty.captured(1);
        return true;
    }

    // Waits for standard output to contain a match of `pattern` after `from` (an offset into output()).
    QRegularExpressionMatch waitForOutput(const QRegularExpression &pattern, int from = 0,
                                          int timeoutMs = 5000)
    {
        QRegularExpressionMatch match;
        waitUntil(
            [&] {
                collect();
                match = pattern.match(out, from);
                return match.hasMatch() || process.state() == QProcess::NotRunning;
            },
            timeoutMs);
        return match;
    }

    QString output()
    {
        collect();
        return out;
    }

    // Asks the simulator to quit (SIGTERM) and returns its exit code, or -1 when it did not end cleanly.
    int stop()
    {
        if (process.state() == QProcess::NotRunning)
            return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished(2000);
            return -1;
        }
        collect();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QProcess process;
    quint16 port = 0;
    QString terminal;

private:
    void collect() { out += QString::fromLatin1(process.readAllStandardOutput()); }

    QString out;
};

// A TCP connection that cuts what it receives into lines (CR ends a line; the LF of CR LF is dropped).
class LineClient
{
public:
    LineClient()
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] {
            const QByteArray bytes = socket.readAll();
            raw += bytes;
            chunks << bytes;
            for (char c : bytes) {
                if (c == '\r') {
                    lines << pending;
                    pending.clear();
                } else if (c != '\n' || !pending.isEmpty()) {
                    pending += c;
                }
            }
        });
    }

    bool connectTo(quint16 port, int timeoutMs = 3000)
    {
        socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        return waitUntil(
                   [this] {
                       return socket.state() == QAbstractSocket::ConnectedState ||
                              socket.state() == QAbstractSocket::UnconnectedState;
                   },
                   timeoutMs) &&
               socket.state() == QAbstractSocket::ConnectedState;
    }

    bool isConnected() const { return socket.state() == QAbstractSocket::ConnectedState; }

    void send(const QByteArray &text, const QByteArray &end = "\r")
    {
        socket.write(text + end);
        socket.flush();
    }

    // Waits for `count` lines in all; true when they came.
    bool waitLines(int count, int timeoutMs = 3000)
    {
        return waitUntil([&] { return lines.size() >= count; }, timeoutMs);
    }

    // Sends a request and returns the next line received (empty when none came in time).
    QByteArray request(const QByteArray &text, int timeoutMs = 3000)
    {
        const int before = lines.size();
        send(text);
        return waitLines(before + 1, timeoutMs) ? lines.at(before) : QByteArray();
    }

    QTcpSocket socket;
    QList<QByteArray> lines;
    QList<QByteArray> chunks;
    QByteArray raw;

private:
    QByteArray pending;
};

// The tool's side of the serial line: the pseudo-terminal opened in raw mode.
class PtyClient
{
public:
    ~PtyClient()
    {
        if (fd >= 0)
            ::close(fd);
    }

    bool open(const QString &path)
    {
        fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios settings{};
        if (fd < 0 || ::tcgetattr(fd, &settings) != 0)
            return false;
        ::cfmakeraw(&settings);
        ::cfsetispeed(&settings, B9600);
        ::cfsetospeed(&settings, B9600);
        return ::tcsetattr(fd, TCSANOW, &settings) == 0;
    }

    speed_t speed() const
    {
        termios settings{};
        ::tcgetattr(fd, &settings);
        return ::cfgetospeed(&settings);
    }

    bool send(const QByteArray &text)
    {
        return ::write(fd, text.constData(), size_t(text.size())) == text.size();
    }

    // Sends a request and returns the next line (without CR LF), empty when none came in time.
    QByteArray request(const QByteArray &text, int timeoutMs = 3000)
    {
        if (!send(text + '\r'))
            return QByteArray();
        QByteArray line;
        waitUntil(
            [&] {
                char buffer[512];
                const ssize_t n = ::read(fd, buffer, sizeof buffer);
                if (n > 0)
                    raw += QByteArray(buffer, int(n));
                while (raw.startsWith('\n'))
                    raw.remove(0, 1);
                const int end = raw.indexOf('\r');
                if (end < 0)
                    return false;
                line = raw.left(end);
                raw.remove(0, end + 1);
                return true;
            },
            timeoutMs);
        return line;
    }

    int fd = -1;
    QByteArray raw;
};

// One running simulator per model, each with a connected client, started on first use and shared by the
// rows of a test.
class SimPool
{
public:
    struct Running
    {
        SimProcess process;
        LineClient client;
    };

    // The simulator of `model`; null when it could not be started or reached.
    Running *simFor(const QString &model)
    {
        std::unique_ptr<Running> &slot = sims[model];
        if (!slot) {
            slot.reset(new Running);
            if (!slot->process.start({"--model", model, "--quiet"}) ||
                !slot->client.connectTo(slot->process.port)) {
                slot.reset();
                return nullptr;
            }
        }
        return slot.get();
    }
    void clear() { sims.clear(); }

private:
    std::map<QString, std::unique_ptr<Running>> sims;
};

} // namespace SimHarness
