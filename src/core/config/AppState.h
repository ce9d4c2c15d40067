#pragma once

#include "config/ConfigValues.h"
#include "config/LanguageTexts.h"

#include <QtGlobal>

// The kind of a link.
enum LinkTypeValue : quint32 { LinkNone = 0, LinkSerial = 1, LinkTcpClient = 2 };

// The process-wide state of the GUI thread: the link type of the main window's session, the settings and the
// language texts. What is known about a device belongs to the device model of its link session. Only the GUI
// thread touches it; the transport threads share nothing but their link channels.
struct AppState
{
    quint32 LinkType = 0; // 0 no link, 1 serial, 2 TCP client
    bool ConfigSavePending = true;

    ConfigValues config;
    LanguageTexts text;
};

AppState &State();

// Puts every field, setting and text back to its start value (used at start-up and by tests).
void resetAppState();
