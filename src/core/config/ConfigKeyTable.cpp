#include "config/KeyTables.h"

#include "config/AppState.h"

const QVector<KeyBinding> &configKeyTable()
{
    ConfigValues &c = State().config;
    static const QVector<KeyBinding> table = {
        {"Key_LanguageIsEnglish", &c.Key_LanguageIsEnglish, "1"},
        {"Key_UI_Login", &c.Key_UI_Login, "1"},
        {"Key_UI_Output", &c.Key_UI_Output, "1"},
        {"Key_UI_Multiview", &c.Key_UI_Multiview, "1"},
        {"Key_UI_Audio", &c.Key_UI_Audio, "1"},
        {"Key_UI_System", &c.Key_UI_System, "1"},
        {"Spassword_Admin", &c.Spassword_Admin, "583029"},
        {"Spassword_User", &c.Spassword_User, "583029"},
        {"SP_Name", &c.SP_Name, "COM1"},
        {"SP_BaudRate", &c.SP_BaudRate, "9600"},
        {"SP_DataBit", &c.SP_DataBit, "8"},
        {"SP_Parity", &c.SP_Parity, "0"},
        {"SP_StopBit", &c.SP_StopBit, "1"},
        {"SP_FlowControl", &c.SP_FlowControl, "0"},
        {"SP_RemoteIp", &c.SP_RemoteIp, "192.168.0.247"},
        {"SP_RemotePort", &c.SP_RemotePort, "2000"},
        {"SP_RemoteSubmask", &c.SP_RemoteSubmask, "255.255.255.0"},
        {"SP_RemoteGateway", &c.SP_RemoteGateway, "192.168.0.1"},
        {"SP_WatchSeconds", &c.SP_WatchSeconds, "10"},
    };
    return table;
}

void resetKeyTable(const QVector<KeyBinding> &table)
{
    for (const KeyBinding &row : table)
        *row.value = QString::fromUtf8(row.builtIn);
}
