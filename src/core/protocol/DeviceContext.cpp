#include "protocol/DeviceContext.h"

#include "protocol/LayoutCatalogue.h"
#include "protocol/ValueTables.h"

namespace {
quint32 indexIn(const SetupValues &values, const char *key, const WordList &list)
{
    const auto it = values.find(QLatin1String(key));
    const int index = it == values.end() ? -1 : list.indexOf(it->second.toLatin1());
    return index >= 0 ? quint32(index) : 0;
}
} // namespace

DeviceContext DeviceContext::of(quint32 model, const SetupValues &values)
{
    DeviceContext context;
    context.ModelIdentified = model < NoModel;
    context.CurrentModel = quint8(qMin<quint32>(model, NoModel));
    context.InputCount = Tables::inputCount(model);
    context.MultiviewMode = indexIn(values, "multiview.mode", Tables::MultiviewModes);
    context.ModeCount = LayoutCatalogue::modeCount(context.MultiviewMode);
    context.AspectIndex = indexIn(values, "multiview.aspect", Tables::Aspects);
    context.PipPosition = indexIn(values, "multiview.pipPosition", Tables::PipPositions);
    context.PipSize = indexIn(values, "multiview.pipSize", Tables::PipSizes);
    const auto layout = values.find(QStringLiteral("multiview.layout"));
    const quint32 number = layout == values.end() ? 0 : layout->second.toUInt();
    context.ModeIndex = number > 0 ? number - 1 : 0;
    for (quint32 window = 0; window < 4; ++window)
        context.WindowSource[window] =
            indexIn(values, QStringLiteral("multiview.window%1").arg(window + 1).toLatin1().constData(),
                    Tables::inputSources(model));
    return context;
}
