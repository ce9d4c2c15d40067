#pragma once

#include <QByteArray>
#include <QString>

// The readable traffic log on standard output: time, link, direction and the bytes with everything
// unprintable escaped ("\r", "\n", "\xHH"). Every line is flushed at once, since scripts and tests read it.
class TrafficLog
{
public:
    explicit TrafficLog(bool quiet) : quiet(quiet) {}

    void received(const QString &link, const QByteArray &bytes) const { write(link, "<-", escape(bytes)); }
    void sent(const QString &link, const QByteArray &bytes) const { write(link, "->", escape(bytes)); }
    // An event that is not traffic (a connection, a fault at work).
    void note(const QString &link, const QString &text) const { write(link, "--", text); }

    // A line printed even with --quiet (where the simulator listens).
    static void announce(const QString &text);
    static QString escape(const QByteArray &bytes);

private:
    void write(const QString &link, const char *direction, const QString &text) const;

    bool quiet;
};
