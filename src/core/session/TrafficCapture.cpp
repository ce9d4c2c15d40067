#include "session/TrafficCapture.h"

#include "config/AppPaths.h"
#include "session/LinkSession.h"
#include "session/TrafficFormat.h"

#include <QDir>
#include <QFileInfo>

namespace {
constexpr int FlushIntervalMs = 1000;

QString rotatedPath(int index)
{
    return AppPaths::file(QStringLiteral("/APP/Log/traffic.%1.log").arg(index));
}
} // namespace

TrafficCapture::TrafficCapture(LinkSession &linkSession, QObject *parent)
    : QObject(parent), session(linkSession)
{
    flushTimer.setInterval(FlushIntervalMs);
    connect(&flushTimer, &QTimer::timeout, this, [this] { file.flush(); });
}

TrafficCapture::~TrafficCapture()
{
    stop();
}

QString TrafficCapture::filePath()
{
    return AppPaths::file(QStringLiteral("/APP/Log/traffic.log"));
}

bool TrafficCapture::start()
{
    if (isRunning())
        return true;
    if (!openFile())
        return false;
    seen = session.traffic().endSequence();
    connect(&session, &LinkSession::SGL_TrafficRecorded, this, &TrafficCapture::takeRecords);
    flushTimer.start();
    return true;
}

void TrafficCapture::stop()
{
    if (isRunning()) {
        takeRecords();
        file.close();
    }
    disconnect(&session, &LinkSession::SGL_TrafficRecorded, this, &TrafficCapture::takeRecords);
    flushTimer.stop();
}

bool TrafficCapture::openFile()
{
    const QString path = filePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    file.setFileName(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        error = file.errorString();
        return false;
    }
    if (file.size() == 0)
        file.write((TrafficFormat::fileHeader() + QLatin1Char('\n')).toUtf8());
    error.clear();
    return true;
}

void TrafficCapture::rotate()
{
    file.close();
    QFile::remove(rotatedPath(KeptFiles));
    for (int index = KeptFiles - 1; index >= 1; --index)
        QFile::rename(rotatedPath(index), rotatedPath(index + 1));
    QFile::rename(filePath(), rotatedPath(1));
    if (!openFile())
        stop();
}

void TrafficCapture::takeRecords()
{
    const TrafficRing &ring = session.traffic();
    for (quint64 sequence = ring.keptFrom(seen); sequence < ring.endSequence() && file.isOpen(); ++sequence) {
        file.write((TrafficFormat::fileLine(ring.at(sequence)) + QLatin1Char('\n')).toUtf8());
        if (file.size() >= MaxFileBytes)
            rotate();
    }
    seen = ring.endSequence();
}
