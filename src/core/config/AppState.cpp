#include "config/AppState.h"

#include "config/KeyTables.h"

AppState &State()
{
    static AppState state;
    static bool defaultsApplied = false;
    if (!defaultsApplied) {
        defaultsApplied = true;
        resetAppState();
    }
    return state;
}

void resetAppState()
{
    AppState &s = State();
    s.LinkType = 0;
    s.ModelIdentified = false;
    s.CurrentModel = NoModel;
    s.InputCount = 0;
    s.LinkParamReadPending = false;
    s.ConfigSavePending = true;
    s.MultiviewMode = 0;
    s.ModeCount = 0;
    s.AspectIndex = 0;
    s.ModeIndex = 0;
    s.PipPosition = 0;
    s.PipSize = 0;
    for (quint32 &source : s.WindowSource)
        source = 0;
    resetKeyTable(configKeyTable());
    resetKeyTable(languageKeyTable());
}

namespace {
// The settings and texts hold their defaults from static construction on.
const bool stateReadyBeforeMain = (State(), true);
} // namespace
