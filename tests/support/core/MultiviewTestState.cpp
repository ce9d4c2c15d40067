#include "MultiviewTestState.h"

#include "config/AppState.h"
#include "protocol/ValueTables.h"

void identifyModel(quint8 model)
{
    State().CurrentModel = model;
    State().InputCount = Tables::inputCount(model);
}

void setMultiviewState(quint32 mode, quint32 position, quint32 size, quint32 modeIndex, quint32 modeCount,
                       quint32 aspect)
{
    AppState &s = State();
    s.MultiviewMode = mode;
    s.PipPosition = position;
    s.PipSize = size;
    s.ModeIndex = modeIndex;
    s.ModeCount = modeCount;
    s.AspectIndex = aspect;
}
