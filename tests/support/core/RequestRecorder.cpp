#include "RequestRecorder.h"

#include <utility>

RequestRecorder::RequestRecorder()
{
    previous = setRequestSink([this](const QByteArray &line, const ReplyRule &rule) {
        recorded << line;
        recordedRules << rule;
    });
}

RequestRecorder::~RequestRecorder()
{
    setRequestSink(std::move(previous));
}

QByteArrayList RequestRecorder::take()
{
    recordedRules.clear();
    return std::exchange(recorded, {});
}
