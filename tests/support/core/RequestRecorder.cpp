#include "RequestRecorder.h"

#include "session/LinkSession.h"

#include <utility>

RequestRecorder::RequestRecorder(LinkSession &session)
{
    QObject::connect(&session, &LinkSession::SGL_RequestQueued, &scope,
                     [this](quint64, const QByteArray &line) { recorded << line; });
}

QByteArrayList RequestRecorder::take()
{
    return std::exchange(recorded, {});
}
