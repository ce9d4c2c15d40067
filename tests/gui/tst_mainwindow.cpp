// The main window: its tabs for the page settings, its size and the language selector's place, the Alt+Z
// shortcut, tab focus, the language switch with both language files, the relays to the debug console and
// the transports, closing the window and the exit save.

#include "core/QueuedRequests.h"
#include "core/TestAppDir.h"
#include "gui/ReplyFeed.h"

#include "config/AppState.h"
#include "shell/Ui_Debug.h"
#include "shell/Ui_Main.h"
#include "config/ConfigFile.h"
#include "link/LinkChannel.h"
#include "link/ServiceTcpClient.h"
#include "login/Ui_Login.h"
#include "pages/Ui_Audio.h"
#include "pages/Ui_Multiview.h"
#include "pages/Ui_Output.h"
#include "pages/Ui_System.h"
#include "pages/Ui_Uart_Network.h"
#include "widgets/MessageBoxSeam.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QtTest>

#include <memory>

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void tabs_data();
    void tabs();
    void hiddenPagesStillTakePart();
    void windowGeometry();
    void languageSelectorStaysTopRight();
    void altZ_data();
    void altZ();
    void tabClickGivesFocusToThePage();
    void relays();
    void languageSwitch();
    void languageSwitchRereadsShownPagesOnly();
    void onlyTheFirstLanguageFile();
    void translatedFirstLanguageNameStillSwitchesBack();
    void renamedSourceStaysInItsLanguage();
    void setupAfterLoginAppliesTheLoginLanguage();
    void closingTheWindowEndsTheEventLoop();
    void exitSaveWrittenOnce();

private:
    void makeWindow();

    std::unique_ptr<TestAppDir> appDir;
    std::unique_ptr<Ui_Main> window;
};

namespace {
const QString ConfigRel = QStringLiteral("/APP/ConfigFile/config.ini");
const QString EnglishRel = QStringLiteral("/APP/ConfigFile/language-English.ini");
const QString OtherRel = QStringLiteral("/APP/ConfigFile/language-Other.ini");

QString valueInFile(const QByteArray &file, const QString &key)
{
    for (const QByteArray &line : file.split('\n')) {
        const QString text = QString::fromUtf8(line).remove('\r');
        if (text.startsWith(key + '='))
            return text.mid(key.size() + 1);
    }
    return QString();
}

QStringList tabTitles(const QTabWidget *tabs)
{
    QStringList titles;
    for (int i = 0; i < tabs->count(); ++i)
        titles << tabs->tabText(i);
    return titles;
}

QStringList selectorItems(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

QSize cappedScreen()
{
    return QGuiApplication::primaryScreen()->geometry().size().boundedTo(QSize(1920, 1080));
}
} // namespace

void TestMainWindow::init()
{
    appDir = std::make_unique<TestAppDir>();
    appDir->installDataTree();
    // First start: config.ini and the first language file are written; the second one is shipped.
    Config_LoadOrCreate();
    MessageBoxSeam::reset();
    MessageBoxSeam::activate();
    ReplyFeed::drainAllQueues();
}

void TestMainWindow::cleanup()
{
    window.reset();
    ReplyFeed::drainAllQueues();
    MessageBoxSeam::reset();
    appDir.reset();
}

void TestMainWindow::makeWindow()
{
    window = std::make_unique<Ui_Main>();
}

void TestMainWindow::tabs_data()
{
    QTest::addColumn<QStringList>("flags"); // Key_UI_Output, Key_UI_Multiview, Key_UI_Audio, Key_UI_System
    QTest::addColumn<QStringList>("titles");

    QTest::newRow("all pages") << QStringList{"1", "1", "1", "1"}
                               << QStringList{"Connect", "Output", "Multiview", "Audio", "System"};
    QTest::newRow("no multiview") << QStringList{"1", "0", "1", "1"}
                                  << QStringList{"Connect", "Output", "Audio", "System"};
    QTest::newRow("only the connection page") << QStringList{"0", "0", "0", "0"} << QStringList{"Connect"};
    QTest::newRow("multiview and audio")
        << QStringList{"0", "1", "1", "0"} << QStringList{"Connect", "Multiview", "Audio"};
    QTest::newRow("only the system page")
        << QStringList{"0", "0", "0", "1"} << QStringList{"Connect", "System"};
    QTest::newRow("anything but 1 hides")
        << QStringList{"yes", "1", "", "01"} << QStringList{"Connect", "Multiview"};
}

void TestMainWindow::tabs()
{
    QFETCH(QStringList, flags);
    QFETCH(QStringList, titles);

    ConfigValues &c = State().config;
    c.Key_UI_Output = flags.at(0);
    c.Key_UI_Multiview = flags.at(1);
    c.Key_UI_Audio = flags.at(2);
    c.Key_UI_System = flags.at(3);
    makeWindow();

    QCOMPARE(tabTitles(window->tabWidget), titles);
    QCOMPARE(window->tabWidget->widget(0), static_cast<QWidget *>(window->connectionPage));
    const QHash<QString, QWidget *> pages = {{"Output", window->outputPage},
                                             {"Multiview", window->multiviewPage},
                                             {"Audio", window->audioPage},
                                             {"System", window->systemPage}};
    for (int i = 1; i < titles.size(); ++i)
        QCOMPARE(window->tabWidget->widget(i), pages.value(titles.at(i)));
    QCOMPARE(window->windowTitle(), QStringLiteral(" Lumaplex"));

    // A later re-texting keeps the tabs.
    window->ReloadUIText(false);
    QCOMPARE(tabTitles(window->tabWidget), titles);
}

void TestMainWindow::hiddenPagesStillTakePart()
{
    State().config.Key_UI_Output = QStringLiteral("0");
    State().config.Key_UI_Multiview = QStringLiteral("0");
    makeWindow();
    QCOMPARE(window->tabWidget->indexOf(window->multiviewPage), -1);
    ReplyFeed::openLink(window.get(), LinkTcpClient);

    // Identification reads the hidden pages too.
    ReplyFeed::feed(window.get(), {"MODEL TYPE RKA386QE\r"});
    const QByteArrayList requests = takeQueuedRequests(TcpChannel());
    QCOMPARE(requests.mid(0, 6),
             (QByteArrayList{"GET OUT RESOLUTION\r", "GET OUT HDCP\r", "GET OUT VKA\r", "GET OUT ITC\r",
                             "GET OUT 4K-AUTO\r", "GET MULTIVIEW-SYNC\r"}));

    // And their replies reach them.
    ReplyFeed::feed(window.get(),
                    {"MULTIVIEW-SYNC 3xWIN HDMI1 HDMI3 DP NULL 16:9 2 4\r", "OUT HDCP FORCE-2.2\r"});
    QCOMPARE(State().MultiviewMode, 3u);
    QCOMPARE(State().WindowSource[2], 7u);
    QVERIFY(window->multiviewPage->modeButtons.at(3)->isFlat());
    QCOMPARE(window->multiviewPage->aspectCombo->currentIndex(), 1);
    QCOMPARE(window->multiviewPage->modeCombo->count(), 4);
    QCOMPARE(window->outputPage->hdcpCombo->currentIndex(), 1);
    QCOMPARE(window->connectionPage->statusText->toPlainText(),
             QStringLiteral("Sync Multiview Message.\nSync HDCP: Message.\n"));
}

void TestMainWindow::windowGeometry()
{
    makeWindow();
    const QSize screen = cappedScreen();
    QCOMPARE(window->size(), QSize(screen.width() * 14 / 20, screen.height() * 17 / 20));
    QCOMPARE(window->pos(),
             QPoint((screen.width() - window->width()) / 2, (screen.height() - window->height()) / 2));
    QVERIFY(!window->isVisible());
}

void TestMainWindow::languageSelectorStaysTopRight()
{
    makeWindow();
    QComboBox *selector = window->languageSelector;
    QCOMPARE(selector->geometry(), QRect(window->width() - 140, 0, 140, 30));
    QCOMPARE(selector->parentWidget(), window->centralContent);

    window->show();
    window->resize(window->width() + 150, window->height() + 20);
    QTRY_COMPARE(selector->geometry(), QRect(window->width() - 140, 0, 140, 30));
    // Flush with the right edge of the content area, on top of the tabs.
    QTRY_COMPARE(window->centralContent->width(), window->width());
    QVERIFY(selector->isVisible());
    QWidget *hit = window->centralContent->childAt(selector->geometry().center());
    QVERIFY(hit == selector || selector->isAncestorOf(hit));

    window->resize(window->width() - 300, window->height());
    QTRY_COMPARE(selector->geometry(), QRect(window->width() - 140, 0, 140, 30));
}

void TestMainWindow::altZ_data()
{
    QTest::addColumn<quint32>("linkType");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("opens");

    const int alt = Qt::AltModifier;
    QTest::newRow("no link") << quint32(LinkNone) << int(Qt::Key_Z) << alt << false;
    QTest::newRow("TCP link") << quint32(LinkTcpClient) << int(Qt::Key_Z) << alt << true;
    QTest::newRow("serial link") << quint32(LinkSerial) << int(Qt::Key_Z) << alt << true;
    QTest::newRow("Ctrl+Alt+Z") << quint32(LinkTcpClient) << int(Qt::Key_Z) << int(Qt::ControlModifier | alt)
                                << false;
    QTest::newRow("Alt+Shift+Z") << quint32(LinkTcpClient) << int(Qt::Key_Z) << int(Qt::ShiftModifier | alt)
                                 << false;
    QTest::newRow("Z alone") << quint32(LinkTcpClient) << int(Qt::Key_Z) << int(Qt::NoModifier) << false;
    QTest::newRow("Alt+X") << quint32(LinkTcpClient) << int(Qt::Key_X) << alt << false;
}

void TestMainWindow::altZ()
{
    QFETCH(quint32, linkType);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, opens);

    makeWindow();
    window->show();
    State().LinkType = linkType;
    QSignalSpy setup(window.get(), &Ui_Main::SGL_SETUP_UI_DEBUG);
    QTest::keyClick(window.get(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(setup.count(), opens ? 1 : 0);
    QCOMPARE(window->debugConsole->isVisible(), opens);
    emit window->SGL_CLOSE_UI_DEBUG();
    QVERIFY(!window->debugConsole->isVisible());
    State().LinkType = LinkNone;
}

void TestMainWindow::tabClickGivesFocusToThePage()
{
    makeWindow();
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QTabBar *bar = window->tabWidget->tabBar();
    for (int index : {2, 4, 0}) {
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(index).center());
        QTRY_COMPARE(QApplication::focusWidget(), window->tabWidget->widget(index));
    }
    // A click beside the tabs changes nothing.
    window->SLT_GetFocus_tabBar(-1);
    QCOMPARE(QApplication::focusWidget(), window->tabWidget->widget(0));
}

void TestMainWindow::relays()
{
    makeWindow();
    QSignalSpy unified(window.get(), &Ui_Main::SGL_UnifyUpdateEmit);
    emit window->connectionPage->SGL_UpdateEmit();
    emit window->outputPage->SGL_UpdateEmit();
    emit window->multiviewPage->SGL_UpdateEmit();
    emit window->audioPage->SGL_UpdateEmit();
    emit window->systemPage->SGL_UpdateEmit();
    emit window->debugConsole->SGL_UpdateEmit();
    QCOMPARE(unified.count(), 6);

    // Written commands and received lines appear in the console's panes.
    emit TcpService().SGL_UpdateSendData_TcpClient(QStringLiteral("GET OUT HDCP\r"));
    window->SLT_UnifyUpdateSend(QStringLiteral("GET OUT VKA\r"));
    QCOMPARE(window->debugConsole->sendText->toPlainText(), QStringLiteral("GET OUT HDCP\nGET OUT VKA\n"));
    ReplyFeed::openLink(window.get(), LinkTcpClient);
    emit TcpService().SGL_UpdateRecvData_TcpClient();
    ReplyFeed::feed(window.get(), {"OUT VKA BLACKSCREEN\r"});
    QCOMPARE(window->debugConsole->recvText->toPlainText(), QStringLiteral("OUT VKA BLACKSCREEN\n"));

    // A renamed input source is shown by the audio page at once.
    ReplyFeed::identify(window.get(), 0);
    State().text.S_InputSource_Name[1] = QStringLiteral("Camera");
    emit window->multiviewPage->SGL_SyncInputSourceName();
    QCOMPARE(window->audioPage->commonSourceCombo->itemText(2), QStringLiteral("Camera"));
}

void TestMainWindow::languageSwitch()
{
    makeWindow();
    const QByteArray other = appDir->readFile(OtherRel);
    QComboBox *selector = window->languageSelector;
    QCOMPARE(selectorItems(selector), (QStringList{"English", QStringLiteral("\u4e2d\u6587")}));
    QCOMPARE(selector->currentIndex(), 0);
    State().text.S_InputSource_Name[4] = QStringLiteral("Laptop");

    selector->setCurrentIndex(1);

    // The left language's texts were saved, with the settings as they were before the switch.
    QCOMPARE(valueInFile(appDir->readFile(EnglishRel), QStringLiteral("S_InputSource_Name[4]")),
             QStringLiteral("Laptop"));
    QCOMPARE(valueInFile(appDir->readFile(ConfigRel), QStringLiteral("Key_LanguageIsEnglish")),
             QStringLiteral("1"));
    QCOMPARE(State().config.Key_LanguageIsEnglish, QStringLiteral("0"));

    const auto text = [&](const char *key) { return valueInFile(other, QString::fromLatin1(key)); };
    QCOMPARE(window->windowTitle(), text("Ui_Main_AppName"));
    QCOMPARE(
        tabTitles(window->tabWidget),
        (QStringList{text("Ui_Uart_Network_AppName"), text("Ui_Output_AppName"), text("Ui_Multiview_AppName"),
                     text("Ui_Audio_AppName"), text("Ui_System_AppName")}));
    QVERIFY(text("Ui_Output_AppName") != QStringLiteral("Output"));
    QCOMPARE(selector->currentIndex(), 1);
    QCOMPARE(selectorItems(selector),
             (QStringList{text("ScomboBox_LanguageSelect[0]"), text("ScomboBox_LanguageSelect[1]")}));
    QCOMPARE(window->connectionPage->serialConnectButton->text(), text("S_ConnectDisconnect[0]"));
    QCOMPARE(window->connectionPage->clearButton->text(), text("S_Clear"));
    QCOMPARE(window->outputPage->resolutionLabel->text(), text("Slabel_Resolution"));
    QCOMPARE(window->multiviewPage->modeButtons.at(0)->text(), text("SpushButton_Single"));
    QCOMPARE(window->systemPage->edidModeLabel->text(), text("Slabel_EdidSelect"));
    QCOMPARE(State().text.S_InputSource_Name[4], text("S_InputSource_Name[4]"));

    selector->setCurrentIndex(0);
    QCOMPARE(State().config.Key_LanguageIsEnglish, QStringLiteral("1"));
    QCOMPARE(window->windowTitle(), QStringLiteral(" Lumaplex"));
    QCOMPARE(tabTitles(window->tabWidget),
             (QStringList{"Connect", "Output", "Multiview", "Audio", "System"}));
    QCOMPARE(window->outputPage->resolutionLabel->text(), QStringLiteral("Resolution:"));
    QCOMPARE(window->connectionPage->serialConnectButton->text(), QStringLiteral("Connect"));
    QCOMPARE(State().text.S_InputSource_Name[4], QStringLiteral("Laptop"));
    QVERIFY(MessageBoxSeam::texts().isEmpty());
}

void TestMainWindow::languageSwitchRereadsShownPagesOnly()
{
    State().config.Key_UI_Audio = QStringLiteral("0");
    makeWindow();
    ReplyFeed::openLink(window.get(), LinkTcpClient);
    window->connectionPage->AppendStatusText(QStringLiteral("kept"));

    window->languageSelector->setCurrentIndex(1);

    const QByteArrayList requests = takeQueuedRequests(TcpChannel());
    QCOMPARE(requests, (QByteArrayList{"GET OUT RESOLUTION\r", "GET OUT HDCP\r", "GET OUT VKA\r",
                                       "GET OUT ITC\r", "GET OUT 4K-AUTO\r", "GET MULTIVIEW-SYNC\r",
                                       "GET IN EDIDMODE\r", "GET NETWORK-INFO\r"}));
    // The open link keeps its button text in the new language, and the status box its lines.
    QCOMPARE(window->connectionPage->networkConnectButton->text(), State().text.S_ConnectDisconnect[1]);
    QCOMPARE(window->connectionPage->statusText->toPlainText(), QStringLiteral("kept\n"));
}

void TestMainWindow::onlyTheFirstLanguageFile()
{
    QVERIFY(QFile::remove(appDir->file(OtherRel)));
    makeWindow();
    QCOMPARE(selectorItems(window->languageSelector), QStringList{"English"});
    window->ReloadUIText(false);
    QCOMPARE(selectorItems(window->languageSelector), QStringList{"English"});
    QCOMPARE(window->languageSelector->currentIndex(), 0);
}

void TestMainWindow::translatedFirstLanguageNameStillSwitchesBack()
{
    QByteArray other = appDir->readFile(OtherRel);
    const QByteArray translated = QStringLiteral("ScomboBox_LanguageSelect[0]=\u82f1\u6587").toUtf8();
    other.replace("ScomboBox_LanguageSelect[0]=English", translated);
    QVERIFY(other.contains(translated));
    appDir->writeFile(OtherRel, other);
    makeWindow();

    window->languageSelector->setCurrentIndex(1);
    QCOMPARE(window->languageSelector->itemText(0), QStringLiteral("\u82f1\u6587"));
    QCOMPARE(State().config.Key_LanguageIsEnglish, QStringLiteral("0"));

    window->languageSelector->setCurrentIndex(0);
    QCOMPARE(State().config.Key_LanguageIsEnglish, QStringLiteral("1"));
    QCOMPARE(window->languageSelector->itemText(0), QStringLiteral("English"));
    QCOMPARE(window->windowTitle(), QStringLiteral(" Lumaplex"));
}

void TestMainWindow::renamedSourceStaysInItsLanguage()
{
    makeWindow();
    window->languageSelector->setCurrentIndex(1);
    const QString firstName = State().text.S_InputSource_Name[0];

    // The operator renames input 1 on the multiview page (double click on its label, type, Enter).
    Ui_Multiview *multiview = window->multiviewPage;
    QTest::mouseDClick(multiview->sources->sourceLabels.at(0), Qt::LeftButton);
    QVERIFY(!multiview->sources->renameField->isHidden());
    multiview->sources->renameField->setText(QStringLiteral("Kamera"));
    QTest::keyClick(multiview->sources->renameField, Qt::Key_Return);
    QCOMPARE(State().text.S_InputSource_Name[0], QStringLiteral("Kamera"));

    window->languageSelector->setCurrentIndex(0);
    QCOMPARE(valueInFile(appDir->readFile(OtherRel), QStringLiteral("S_InputSource_Name[0]")),
             QStringLiteral("Kamera"));
    QCOMPARE(State().text.S_InputSource_Name[0], QStringLiteral("IN-1"));
    QCOMPARE(multiview->sources->sourceLabels.at(0)->text(), QStringLiteral("IN-1"));
    QVERIFY(firstName != QStringLiteral("Kamera"));

    window->languageSelector->setCurrentIndex(1);
    QCOMPARE(multiview->sources->sourceLabels.at(0)->text(), QStringLiteral("Kamera"));
}

void TestMainWindow::setupAfterLoginAppliesTheLoginLanguage()
{
    makeWindow();
    Ui_Login login;
    connect(&login, &Ui_Login::SGL_SETUP_UI_MAIN, window.get(), &Ui_Main::SLT_SETUP_UI_MAIN);
    login.ReloadUIText(false);
    login.show();
    login.languageBox->setCurrentIndex(1);
    login.passwordEdit->setText(QStringLiteral("583029"));
    QTest::mouseClick(login.loginButton, Qt::LeftButton);

    QVERIFY(!login.isVisible());
    QVERIFY(window->isVisible());
    const QByteArray other = appDir->readFile(OtherRel);
    QCOMPARE(window->windowTitle(), valueInFile(other, QStringLiteral("Ui_Main_AppName")));
    QCOMPARE(window->languageSelector->currentIndex(), 1);
    QCOMPARE(window->tabWidget->tabText(1), valueInFile(other, QStringLiteral("Ui_Output_AppName")));
    QCOMPARE(window->outputPage->resolutionLabel->text(),
             valueInFile(other, QStringLiteral("Slabel_Resolution")));
    QCOMPARE(State().config.Key_LanguageIsEnglish, QStringLiteral("0"));
}

void TestMainWindow::closingTheWindowEndsTheEventLoop()
{
    makeWindow();
    window->show();
    QSignalSpy aboutToQuit(qApp, &QCoreApplication::aboutToQuit);
    QTimer::singleShot(0, window.get(), [this] { window->close(); });
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(99); });
    guard.start(20000);

    const int exitCode = QApplication::exec();

    QCOMPARE(exitCode, 0);
    QCOMPARE(aboutToQuit.count(), 1);
    QVERIFY(!window->isVisible());
}

void TestMainWindow::exitSaveWrittenOnce()
{
    makeWindow();
    auto login = std::make_unique<Ui_Login>();
    State().config.SP_Name = QStringLiteral("ttyFirst");
    State().text.S_InputSource_Name[3] = QStringLiteral("Desk");

    // At exit the login dialog goes first and writes; the main window then writes nothing.
    login.reset();
    QVERIFY(!State().ConfigSavePending);
    QCOMPARE(valueInFile(appDir->readFile(ConfigRel), QStringLiteral("SP_Name")), QStringLiteral("ttyFirst"));
    QCOMPARE(valueInFile(appDir->readFile(EnglishRel), QStringLiteral("S_InputSource_Name[3]")),
             QStringLiteral("Desk"));
    State().config.SP_Name = QStringLiteral("ttySecond");
    window.reset();
    QCOMPARE(valueInFile(appDir->readFile(ConfigRel), QStringLiteral("SP_Name")), QStringLiteral("ttyFirst"));

    // Alone, the main window's destructor writes it.
    State().ConfigSavePending = true;
    makeWindow();
    window.reset();
    QCOMPARE(valueInFile(appDir->readFile(ConfigRel), QStringLiteral("SP_Name")),
             QStringLiteral("ttySecond"));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
