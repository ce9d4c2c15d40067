#pragma once

#include "config/ConfigValues.h"
#include "config/LanguageTexts.h"

#include <QtGlobal>

// Selects the channel new commands are queued on.
enum LinkTypeValue : quint32 { LinkNone = 0, LinkSerial = 1, LinkTcpClient = 2 };

// Model index that means "no device identified yet".
constexpr quint8 NoModel = 5;

// The process-wide state of the GUI thread: the active link, the identified model, the mirror of the
// device's multiview settings that the request builders need, the settings and the language texts. Only the
// GUI thread touches it; the transport threads share nothing but their link channels.
struct AppState
{
    quint32 LinkType = 0; // 0 no link, 1 serial, 2 TCP client
    bool ModelIdentified = false;
    quint8 CurrentModel = NoModel;
    quint32 InputCount = 0;
    bool LinkParamReadPending = false;
    bool ConfigSavePending = true;

    quint32 MultiviewMode = 0;
    quint32 ModeCount = 0;
    quint32 AspectIndex = 0;
    quint32 ModeIndex = 0;
    quint32 PipPosition = 0;
    quint32 PipSize = 0;
    quint32 WindowSource[4] = {0, 0, 0, 0};

    ConfigValues config;
    LanguageTexts text;
};

AppState &State();

// Puts every field, setting and text back to its start value (used at start-up and by tests).
void resetAppState();
