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
    s.ConfigSavePending = true;
    resetKeyTable(configKeyTable());
    resetKeyTable(languageKeyTable());
}

namespace {
// The settings and texts hold their defaults from static construction on.
const bool stateReadyBeforeMain = (State(), true);
} // namespace
