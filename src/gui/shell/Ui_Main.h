#pragma once

#include "widgets/MyFramelessWindow.h"

#include <QString>
#include <QStringList>

#include <memory>

class LastingMessage;
class LinkThread;
class LinkHealthBar;
class LinkSession;
class QComboBox;
class QGridLayout;
class QTabWidget;
class QWidget;
class SetupActions;
class SyncReport;
class Ui_Audio;
class Ui_Debug;
class Ui_Multiview;
class Ui_Output;
class Ui_System;
class Ui_Uart_Network;

// The main window: the connection page and the four device pages in tabs, the language selector, the link
// health strip with the setup buttons below the tabs, the debug console. It owns the link session whose
// device model the pages show, reports reply time-outs (in one box while it is open) and lets the link follow
// the device through the restarts that the System page causes.
class Ui_Main : public MyFramelessWindow
{
    Q_OBJECT
public:
    explicit Ui_Main(QWidget *parent = nullptr);
    ~Ui_Main() override;

    // Window title, language selector, tab titles and the connection page's texts.
    void ReloadUIText(bool initial);

    QWidget *centralContent = nullptr;
    QTabWidget *tabWidget = nullptr;
    QComboBox *languageSelector = nullptr;
    Ui_Uart_Network *connectionPage = nullptr;
    Ui_Output *outputPage = nullptr;
    Ui_Multiview *multiviewPage = nullptr;
    Ui_Audio *audioPage = nullptr;
    Ui_System *systemPage = nullptr;
    Ui_Debug *debugConsole = nullptr;
    LinkHealthBar *healthBar = nullptr;
    SetupActions *setupActions = nullptr;
    // The link to the device; created before the pages, deleted after them. Its link runs on linkThread.
    LinkSession *session = nullptr;

signals:
    void SGL_SETUP_UI_DEBUG();
    void SGL_DEBUG_SHOW_RecvText(QString text);
    void SGL_DEBUG_SHOW_SendText(QString text);

public slots:
    void SLT_GetFocus_tabBar(int index);
    void SLT_WaitReplyTimeoutMessage(QString cmd);
    void SLT_SyncSerialPortNetworkInfo();
    void SLT_SyncInputSourceName();
    void SLT_SETUP_UI_MAIN();
    void SLT_ReloadUILanguage(QString LanguageText);
    void SLT_UnifyUpdateSend(QString text);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void followReset();
    void followParameterWrite();
    void fillTabs();
    void retextTabs();
    void makeConnections();
    QList<QPair<QWidget *, QString>> presentDevicePages() const;

    // A busy window (a page being built, a message box's own loop) never delays a write or a time-out.
    std::unique_ptr<LinkThread> linkThread;
    QGridLayout *gridLayout = nullptr;
    SyncReport *syncReport = nullptr;
    // The box of reply time-outs and the commands it names.
    LastingMessage *timeoutBox = nullptr;
    QStringList unansweredCommands;
};
