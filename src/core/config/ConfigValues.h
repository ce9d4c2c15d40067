#pragma once

#include <QString>

// The settings of config.ini: the 18 of the first versions, then how often an open link re-reads the
// device's whole state (seconds, 0 off). Numbers are kept as decimal text, flags as "1" / "0".
struct ConfigValues
{
    QString Key_LanguageIsEnglish;
    QString Key_UI_Login;
    QString Key_UI_Output;
    QString Key_UI_Multiview;
    QString Key_UI_Audio;
    QString Key_UI_System;
    QString Spassword_Admin;
    QString Spassword_User;
    QString SP_Name;
    QString SP_BaudRate;
    QString SP_DataBit;
    QString SP_Parity;
    QString SP_StopBit;
    QString SP_FlowControl;
    QString SP_RemoteIp;
    QString SP_RemotePort;
    QString SP_RemoteSubmask;
    QString SP_RemoteGateway;
    QString SP_WatchSeconds;
};
