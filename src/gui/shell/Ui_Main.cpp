#include "shell/Ui_Main.h"

#include "config/AppPaths.h"
#include "config/AppState.h"
#include "config/ConfigFile.h"
#include "link/LinkIoPool.h"
#include "pages/Ui_Audio.h"
#include "pages/Ui_Multiview.h"
#include "pages/Ui_Output.h"
#include "pages/Ui_System.h"
#include "pages/Ui_Uart_Network.h"
#include "session/LinkSession.h"
#include "session/TrafficRing.h"
#include "shell/LinkHealthBar.h"
#include "shell/SetupActions.h"
#include "shell/SyncReport.h"
#include "shell/Ui_Debug.h"
#include "widgets/LanguageSwitch.h"
#include "widgets/LastingMessage.h"
#include "widgets/ListComboBox.h"
#include "widgets/MessageBox.h"
#include "widgets/ScreenGeometry.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QTabWidget>

namespace {
constexpr int SelectorWidth = 140;
constexpr int SelectorHeight = 30;

bool flagOn(const QString &value)
{
    return value == QLatin1String("1");
}

// A command as the operator reads it: without the line end it was sent with.
QString withoutLineEnd(QString text)
{
    while (text.endsWith(QLatin1Char('\r')) || text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
}
} // namespace

Ui_Main::Ui_Main(QWidget *parent) : MyFramelessWindow(parent), linkThread(std::make_unique<LinkThread>())
{
    centralContent = new QWidget(this);
    tabWidget = new QTabWidget(centralContent);
    tabWidget->setAutoFillBackground(true);
    gridLayout = new QGridLayout(centralContent);
    languageSelector = new ListComboBox(centralContent);
    session = new LinkSession(this);
    session->runLinksOn(linkThread.get());
    // The debug console and the traffic capture read far back.
    session->setTrafficCapacity(TrafficRing::ShownCapacity);
    connectionPage = new Ui_Uart_Network(*session);
    outputPage = new Ui_Output(*session);
    multiviewPage = new Ui_Multiview(*session);
    audioPage = new Ui_Audio(*session);
    systemPage = new Ui_System(*session);
    debugConsole = new Ui_Debug(*session);
    healthBar = new LinkHealthBar(*session, centralContent);
    setupActions = new SetupActions(*session, healthBar, this);
    syncReport =
        new SyncReport(*session, this, connectionPage, outputPage, multiviewPage, audioPage, systemPage);
    timeoutBox = new LastingMessage(this);

    const QSize screen = cappedPrimaryScreenSize();
    resize(screen.width() * 14 / 20, screen.height() * 17 / 20);
    move((screen.width() - width()) / 2, (screen.height() - height()) / 2);
    setTitleIcon(AppPaths::file(QStringLiteral("/APP/Image/mainui_logo.png")));
    setCentralContent(centralContent);
    languageSelector->setGeometry(width() - SelectorWidth, 0, SelectorWidth, SelectorHeight);
    releaseKeyboard();

    ReloadUIText(true);
    gridLayout->addWidget(tabWidget, 0, 0);
    gridLayout->addWidget(healthBar, 1, 0);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    languageSelector->raise();
    makeConnections();
}

Ui_Main::~Ui_Main()
{
    Config_SaveAtExitOnce();
    while (tabWidget->count() > 0)
        tabWidget->removeTab(0);
    delete connectionPage;
    delete outputPage;
    delete multiviewPage;
    delete audioPage;
    delete systemPage;
    delete debugConsole;
    delete timeoutBox;
    // The link ends before its thread stops (with the members, before the session is deleted).
    session->closeLink();
}

QList<QPair<QWidget *, QString>> Ui_Main::presentDevicePages() const
{
    const ConfigValues &c = State().config;
    const LanguageTexts &t = State().text;
    QList<QPair<QWidget *, QString>> pages;
    if (flagOn(c.Key_UI_Output))
        pages.append({outputPage, t.Ui_Output_AppName});
    if (flagOn(c.Key_UI_Multiview))
        pages.append({multiviewPage, t.Ui_Multiview_AppName});
    if (flagOn(c.Key_UI_Audio))
        pages.append({audioPage, t.Ui_Audio_AppName});
    if (flagOn(c.Key_UI_System))
        pages.append({systemPage, t.Ui_System_AppName});
    return pages;
}

void Ui_Main::fillTabs()
{
    tabWidget->clear();
    tabWidget->addTab(connectionPage, State().text.Ui_Uart_Network_AppName);
    connectionPage->ReloadUIText(false, false);
    for (const auto &page : presentDevicePages())
        tabWidget->addTab(page.first, page.second);
}

void Ui_Main::retextTabs()
{
    tabWidget->setTabText(0, State().text.Ui_Uart_Network_AppName);
    connectionPage->ReloadUIText(false, true);
    const auto pages = presentDevicePages();
    for (int i = 0; i < pages.size() && i + 1 < tabWidget->count(); ++i)
        tabWidget->setTabText(i + 1, pages[i].second);
}

void Ui_Main::ReloadUIText(bool initial)
{
    const QString title = State().text.Ui_Main_AppName;
    setWindowTitle(title);
    setTitleText(title);
    if (initial) {
        LanguageSwitch::fillSelector(languageSelector);
        fillTabs();
    } else {
        LanguageSwitch::retextSelector(languageSelector);
        retextTabs();
    }
}

void Ui_Main::makeConnections()
{
    connect(this, &Ui_Main::SGL_SETUP_UI_DEBUG, debugConsole, &Ui_Debug::SLT_SETUP_UI_DEBUG);
    connect(this, &Ui_Main::SGL_DEBUG_SHOW_RecvText, debugConsole, &Ui_Debug::SLT_Sync_Show_Recv);
    connect(this, &Ui_Main::SGL_DEBUG_SHOW_SendText, debugConsole, &Ui_Debug::SLT_Sync_Show_Send);
    connect(tabWidget, &QTabWidget::tabBarClicked, this, &Ui_Main::SLT_GetFocus_tabBar);
    connect(languageSelector, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) { SLT_ReloadUILanguage(languageSelector->itemText(index)); });
    connect(systemPage, &Ui_System::SGL_SyncSerialPortNetworkInfo, this,
            &Ui_Main::SLT_SyncSerialPortNetworkInfo);
    connect(systemPage, &Ui_System::SGL_ResetConfirmed, this, &Ui_Main::followReset);
    connect(systemPage, &Ui_System::SGL_LinkParameterWritten, this, &Ui_Main::followParameterWrite);
    connect(multiviewPage, &Ui_Multiview::SGL_SyncInputSourceName, this, &Ui_Main::SLT_SyncInputSourceName);

    connect(session, &LinkSession::SGL_LineReceived, this, [this](quint32, const QByteArray &line) {
        // Decoded with its full length: a NUL byte (line noise) must not cut off the rest of the line.
        emit SGL_DEBUG_SHOW_RecvText(QString::fromUtf8(line.constData(), line.size()));
    });
    connect(session, &LinkSession::SGL_LineSent, this,
            [this](quint32, const QString &text) { SLT_UnifyUpdateSend(text); });
    connect(session, &LinkSession::SGL_ReplyTimeout, this,
            [this](quint32, const QString &cmd) { SLT_WaitReplyTimeoutMessage(cmd); });
}

void Ui_Main::SLT_GetFocus_tabBar(int index)
{
    if (index < 0)
        return;
    if (QWidget *page = tabWidget->widget(index))
        page->setFocus(Qt::OtherFocusReason);
}

void Ui_Main::SLT_SETUP_UI_MAIN()
{
    ReloadUIText(false);
    SLT_ReloadUILanguage(languageSelector->currentText());
    show();
}

void Ui_Main::SLT_ReloadUILanguage(QString LanguageText)
{
    LanguageSwitch::switchTo(LanguageText, this);
    ReloadUIText(false);
    debugConsole->ReloadUIText();
    healthBar->ReloadUIText();
    const ConfigValues &c = State().config;
    if (flagOn(c.Key_UI_Output))
        outputPage->ReloadUIText(false, true);
    if (flagOn(c.Key_UI_Multiview))
        multiviewPage->ReloadUIText(false, true);
    if (flagOn(c.Key_UI_Audio))
        audioPage->ReloadUIText(false, true);
    if (flagOn(c.Key_UI_System))
        systemPage->ReloadUIText(false, true);
}

void Ui_Main::SLT_SyncInputSourceName()
{
    audioPage->ReloadUIText(false, false);
}

void Ui_Main::SLT_UnifyUpdateSend(QString text)
{
    emit SGL_DEBUG_SHOW_SendText(text);
}

void Ui_Main::SLT_WaitReplyTimeoutMessage(QString cmd)
{
    // The transport has already released the timed-out command's rule.
    AppState &s = State();
    const QString command = withoutLineEnd(cmd);
    if (command.contains(QLatin1String("GET MODEL TYPE"))) {
        connectionPage->SetStatusImage(false);
        connectionPage->DisconnectActiveLink();
        ShowMessage(s.text.SMSG_ReadDeviceFail + command, this);
        return;
    }
    syncReport->readTimedOut(command);
    // One box at a time: while it is open, further time-outs are added to it, each command once.
    if (!timeoutBox->isOpen())
        unansweredCommands.clear();
    if (!unansweredCommands.contains(command))
        unansweredCommands << command;
    timeoutBox->show(s.text.SMSG_CommunicationFail + unansweredCommands.join(QLatin1Char('\n')));
}

void Ui_Main::SLT_SyncSerialPortNetworkInfo()
{
    connectionPage->ReloadUIText(false, false);
    systemPage->ReloadUIText(false, false);
}

void Ui_Main::followReset()
{
    // After a factory reset the device is reached where it was, over RS-232 possibly at its factory line
    // speed.
    const LinkTarget now = session->target();
    QList<LinkTarget> targets{now};
    LinkTarget factory = now;
    factory.serial.baudRate = LinkSerialSettings().baudRate;
    if (now.type == LinkSerial && factory.serial.baudRate != now.serial.baudRate)
        targets << factory;
    session->followRestartAfterLastCommand(targets);
}

void Ui_Main::followParameterWrite()
{
    // The device uses the parameter just stored from its reply.
    const ConfigValues &c = State().config;
    LinkTarget next = session->target();
    if (next.type == LinkTcpClient) {
        next.remoteIp = c.SP_RemoteIp;
        next.remotePort = c.SP_RemotePort;
    } else {
        next.serial.baudRate = c.SP_BaudRate;
    }
    session->followRestart({next});
}

void Ui_Main::keyPressEvent(QKeyEvent *event)
{
    if (event->modifiers() == Qt::AltModifier && event->key() == Qt::Key_Z && State().LinkType != LinkNone)
        emit SGL_SETUP_UI_DEBUG();
    MyFramelessWindow::keyPressEvent(event);
}

void Ui_Main::resizeEvent(QResizeEvent *event)
{
    MyFramelessWindow::resizeEvent(event);
    event->accept();
    languageSelector->setGeometry(width() - SelectorWidth, 0, SelectorWidth, SelectorHeight);
}

void Ui_Main::closeEvent(QCloseEvent *event)
{
    event->accept();
    QCoreApplication::exit(0);
}
