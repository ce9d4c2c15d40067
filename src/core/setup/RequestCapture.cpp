#include "setup/RequestCapture.h"

#include "config/AppState.h"
#include "protocol/Catalogue.h"
#include "protocol/ValueTables.h"

namespace {
quint32 indexIn(const SetupValues &values, const char *key, const WordList &list)
{
    const auto it = values.find(QLatin1String(key));
    const int index = it == values.end() ? -1 : list.indexOf(it->second.toLatin1());
    return index >= 0 ? quint32(index) : 0;
}
} // namespace

BuildContext BuildContext::of(quint32 model, const SetupValues &values)
{
    BuildContext context;
    context.model = model;
    context.multiviewMode = indexIn(values, "multiview.mode", Tables::MultiviewModes);
    context.pipPosition = indexIn(values, "multiview.pipPosition", Tables::PipPositions);
    context.pipSize = indexIn(values, "multiview.pipSize", Tables::PipSizes);
    const auto layout = values.find(QStringLiteral("multiview.layout"));
    const quint32 number = layout == values.end() ? 0 : layout->second.toUInt();
    context.layoutIndex = number > 0 ? number - 1 : 0;
    return context;
}

std::vector<CapturedRequest> captureRequests(const BuildContext &context, const std::function<void()> &build)
{
    AppState &s = State();
    const quint8 model = s.CurrentModel;
    const quint32 mode = s.MultiviewMode;
    const quint32 position = s.PipPosition;
    const quint32 size = s.PipSize;
    const quint32 layoutIndex = s.ModeIndex;
    s.CurrentModel = quint8(context.model);
    s.MultiviewMode = context.multiviewMode;
    s.PipPosition = context.pipPosition;
    s.PipSize = context.pipSize;
    s.ModeIndex = context.layoutIndex;
    std::vector<CapturedRequest> captured;
    const RequestSink previous = setRequestSink([&captured](const QByteArray &line, const ReplyRule &rule) {
        captured.push_back({line, rule});
    });
    build();
    setRequestSink(previous);
    s.CurrentModel = model;
    s.MultiviewMode = mode;
    s.PipPosition = position;
    s.PipSize = size;
    s.ModeIndex = layoutIndex;
    return captured;
}
