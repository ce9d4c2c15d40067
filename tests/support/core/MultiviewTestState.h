#pragma once

#include <QtGlobal>

// Sets the identified model as the reply handling does: the model index and its number of video inputs.
void identifyModel(quint8 model);

// Sets the multiview mirror of the application state in one go.
void setMultiviewState(quint32 mode, quint32 position = 0, quint32 size = 0, quint32 modeIndex = 0,
                       quint32 modeCount = 0, quint32 aspect = 0);
