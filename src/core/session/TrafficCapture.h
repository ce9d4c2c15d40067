#pragma once

#include <QFile>
#include <QObject>
#include <QString>
#include <QTimer>

class LinkSession;

// Writes the session's traffic log continuously into "APP/Log/traffic.log" below the application directory,
// one line per record as in a saved traffic file. A file that reaches MaxFileBytes becomes traffic.1.log
// (older ones move up to traffic.<KeptFiles>.log, the oldest is removed) and a new file begins. The file is
// flushed once a second and when the capture stops.
class TrafficCapture : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 MaxFileBytes = 8 * 1024 * 1024;
    static constexpr int KeptFiles = 4;

    explicit TrafficCapture(LinkSession &session, QObject *parent = nullptr);
    ~TrafficCapture() override;

    // Starts writing what is recorded from now on; false (see errorString()) when the file cannot be opened.
    bool start();
    void stop();
    bool isRunning() const { return file.isOpen(); }

    static QString filePath();
    QString errorString() const { return error; }

private:
    void takeRecords();
    bool openFile();
    void rotate();

    LinkSession &session;
    QFile file;
    quint64 seen = 0;
    QTimer flushTimer;
    QString error;
};
