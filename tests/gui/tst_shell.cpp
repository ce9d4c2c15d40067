// The application shell without a device: the main window's tabs and language switch, the login dialog with
// its password change and a save that fails, and the debug console with its shortcut.

#include "core/RequestRecorder.h"
#include "core/TestAppDir.h"
#include "gui/BlankLabels.h"
#include "gui/MainWindowDriver.h"

#include "config/ConfigFile.h"
#include "login/Ui_Login.h"
#include "session/LinkSession.h"
#include "shell/Startup.h"
#include "shell/Ui_Debug.h"
#include "widgets/FileChooser.h"
#include "widgets/FileChooserSeam.h"
#include "widgets/MessageBoxSeam.h"
#include "widgets/MyFramelessDialog.h"
#include "widgets/MyFramelessWindow.h"
#include "widgets/Pictures.h"
#include "widgets/PlaceWidget.h"

#include <QApplication>
#include <QBuffer>
#include <QByteArray>
#include <QByteArrayList>
#include <QColor>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QMouseEvent>
#include <QObject>
#include <QPoint>
#include <QPushButton>
#include <QRect>
#include <QSignalSpy>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QWidget>

#include <cerrno>
#include <cstring>
#include <memory>
#include <sys/stat.h>

namespace {

const QString ConfigFile = QStringLiteral("/APP/ConfigFile/config.ini");

// The value of `key` in a key file on disk (key=value lines, CR LF), or a null string.
QString valueInFile(const TestAppDir &dir, const QString &relative, const QString &key)
{
    for (const QByteArray &line : dir.readFile(relative).split('\n')) {
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

// The queries of the pages' read-all buttons on a TCP link to an RKA204QE.
const QByteArrayList OutputReads = {"GET OUT RESOLUTION\r", "GET OUT HDCP\r", "GET OUT VKA\r",
                                    "GET OUT ITC\r", "GET OUT 4K-AUTO\r"};
const QByteArrayList MultiviewReads = {"GET MULTIVIEW-SYNC\r"};
const QByteArrayList AudioReads = {"GET AUDIO SOURCE\r", "GET AUDIO VOL\r", "GET AUDIO-MUTE\r"};
const QByteArrayList SystemReads = {"GET IN EDIDMODE\r", "GET NETWORK-INFO\r"};

} // namespace

class TestShell : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void pagesFollowSettings_data();
    void pagesFollowSettings();
    void loginAndUserPasswordChange();
    void failedSaveIsTold();
    void consoleSendsTypedLines_data();
    void consoleSendsTypedLines();
    void picturesRewrittenOnlyWhenNeeded_data();
    void picturesRewrittenOnlyWhenNeeded();
    void resizeBandsOfFramelessWindow_data();
    void resizeBandsOfFramelessWindow();
    void titleBarSpansAndDragsTheWindow();
    void placeWidgetByRelation_data();
    void placeWidgetByRelation();
    void fileDialogsOpenWhereAsked_data();
    void fileDialogsOpenWhereAsked();

private:
    Ui_Main *w() const { return driver->window(); }

    std::unique_ptr<MainWindowDriver> driver;
    std::unique_ptr<TestAppDir> loginDir;
    std::unique_ptr<Ui_Login> dialog;
};

void TestShell::cleanup()
{
    driver.reset();
    dialog.reset();
    loginDir.reset();
    PasswordChangePending() = false;
}

void TestShell::pagesFollowSettings_data()
{
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QByteArrayList>("rereads"); // at a language switch

    QTest::newRow("all pages") << QStringList{}
                               << QStringList{"Connect", "Output", "Multiview", "Audio", "System"}
                               << OutputReads + MultiviewReads + AudioReads + SystemReads;
    QTest::newRow("no audio") << QStringList{"Key_UI_Audio=0"}
                              << QStringList{"Connect", "Output", "Multiview", "System"}
                              << OutputReads + MultiviewReads + SystemReads;
    QTest::newRow("anything but 1 hides")
        << QStringList{"Key_UI_Output=yes", "Key_UI_Audio=01"}
        << QStringList{"Connect", "Multiview", "System"} << MultiviewReads + SystemReads;
    QTest::newRow("connection page only")
        << QStringList{"Key_UI_Output=0", "Key_UI_Multiview=0", "Key_UI_Audio=0", "Key_UI_System=0"}
        << QStringList{"Connect"} << QByteArrayList{};
}

void TestShell::pagesFollowSettings()
{
    QFETCH(QStringList, settings);
    QFETCH(QStringList, titles);
    QFETCH(QByteArrayList, rereads);
    driver = std::make_unique<MainWindowDriver>(settings);
    QCOMPARE(tabTitles(w()->tabWidget), titles);
    QCOMPARE(blankLabels(w()), QString());

    // Hidden pages are read at identification and show the replies all the same.
    driver->openLink(LinkTcpClient);
    RequestRecorder recorder(*w()->session);
    driver->feed({"MODEL TYPE RKA204QE\r", "OUT HDCP FORCE-OFF\r",
                  "MULTIVIEW-SYNC 4xWIN HDMI1 HDMI3 USB-C HDMI2 16:9 2 6\r"});
    QCOMPARE(recorder.take(), OutputReads + MultiviewReads + AudioReads + SystemReads);
    QCOMPARE(w()->outputPage->hdcpCombo->currentIndex(), 2);
    QCOMPARE(flatSource(w()->multiviewPage, 3), 1);

    // A language switch re-texts the window and re-reads the pages shown.
    const auto other = [this](const QString &key) {
        return valueInFile(driver->appDir, QStringLiteral("/APP/ConfigFile/language-Other.ini"), key);
    };
    QVERIFY(driver->choose(w()->languageSelector, 1));
    QCOMPARE(recorder.take(), rereads);
    QCOMPARE(w()->windowTitle(), other("Ui_Main_AppName"));
    QStringList translated;
    for (const QString &title : titles)
        translated << other((title == "Connect" ? "Ui_Uart_Network" : "Ui_" + title) + "_AppName");
    QCOMPARE(tabTitles(w()->tabWidget), translated);
    QCOMPARE(blankLabels(w()), QString());
    QVERIFY(other("Ui_Output_AppName") != QLatin1String("Output"));
    QCOMPARE(w()->connectionPage->clearButton->text(), other("S_Clear"));
    // The open link's button still offers to disconnect, in the new language.
    QCOMPARE(w()->connectionPage->networkConnectButton->text(), other("S_ConnectDisconnect[1]"));

    QVERIFY(driver->choose(w()->languageSelector, 0));
    QCOMPARE(recorder.take(), rereads);
    QCOMPARE(tabTitles(w()->tabWidget), titles);
    // Each switch saved the settings as they were before it.
    QCOMPARE(valueInFile(driver->appDir, ConfigFile, "Key_LanguageIsEnglish"), QStringLiteral("0"));
    QCOMPARE(State().config.Key_LanguageIsEnglish, QStringLiteral("1"));
}

void TestShell::loginAndUserPasswordChange()
{
    loginDir = std::make_unique<TestAppDir>();
    loginDir->installDataTree();
    Config_LoadOrCreate();
    MainWindowDriver::clearMessages();
    dialog = std::make_unique<Ui_Login>();
    dialog->ReloadUIText(false);
    dialog->show();
    QSignalSpy mainWindowAsked(dialog.get(), &Ui_Login::SGL_SETUP_UI_MAIN);
    enum Press
    {
        Change,
        Login,
        Return
    };
    const QString illegal =
        QStringLiteral("The password entered is illegal:The password must be six full digits");
    const struct
    {
        int account; // 0 admin, 1 user
        QString typed;
        Press press;
        QString message;
        QString left; // in the password field afterwards
    } steps[] = {
        {0, " 583029", Login, "Password error!", " 583029"},
        {0, "5830290", Login, "Password error!", "5830290"},
        {0, "583029", Change, "The password of admin cannot be modified!", "583029"},
        {1, "111111", Change, "Failed to verify the original password of the user!", "111111"},
        {1, "583029", Change, "Please enter your change password!", ""},
        {1, "12345", Change, illegal, ""},
        {1, "12a456", Change, illegal, ""},
        // The account is not asked again for the new password.
        {0, "001234", Change, "Password changed successfully!", "001234"},
        {1, "583029", Return, "Password error!", "583029"},
        {0, "583029", Login, QString(), "583029"},
    };
    for (const auto &step : steps) {
        MainWindowDriver::clearMessages();
        dialog->accountBox->setCurrentIndex(step.account);
        dialog->passwordEdit->clear();
        QTest::keyClicks(dialog->passwordEdit, step.typed);
        if (step.press == Return)
            QTest::keyClick(dialog->passwordEdit, Qt::Key_Return);
        else
            QTest::mouseClick(step.press == Login ? dialog->loginButton : dialog->changeButton,
                              Qt::LeftButton);
        QCOMPARE(MessageBoxSeam::texts(), step.message.isNull() ? QStringList() : QStringList{step.message});
        QCOMPARE(dialog->passwordEdit->text(), step.left);
    }
    QCOMPARE(mainWindowAsked.count(), 1);
    QVERIFY(!dialog->isVisible());
    // The new password is on disk at once; the admin password is untouched.
    QCOMPARE(valueInFile(*loginDir, ConfigFile, "Spassword_User"), QStringLiteral("001234"));
    QCOMPARE(valueInFile(*loginDir, ConfigFile, "Spassword_Admin"), QStringLiteral("583029"));
    dialog->show();
    dialog->accountBox->setCurrentIndex(1);
    dialog->passwordEdit->setText(QStringLiteral("001234"));
    QTest::keyClick(dialog->passwordEdit, Qt::Key_Return);
    QCOMPARE(mainWindowAsked.count(), 2);
}

// A settings file marked read-only: a password change tells the operator that it could not be saved, where
// and why, instead of reporting success; a language switch then saves in vain without a second box.
void TestShell::failedSaveIsTold()
{
    loginDir = std::make_unique<TestAppDir>();
    loginDir->installDataTree();
    Config_LoadOrCreate();
    const QByteArray before = loginDir->readFile(ConfigFile);
    QVERIFY(QFile(loginDir->file(ConfigFile)).setPermissions(QFile::ReadOwner | QFile::ReadGroup));
    dialog = std::make_unique<Ui_Login>();
    dialog->ReloadUIText(false);
    dialog->accountBox->setCurrentIndex(1);
    const QString told = State().text.SMSG_SettingsNotSaved + '\n' + loginDir->file(ConfigFile) + ": " +
                         QString::fromLocal8Bit(strerror(EACCES));
    for (const char *typed : {"583029", "246810"}) {
        MainWindowDriver::clearMessages();
        dialog->passwordEdit->setText(typed);
        QTest::mouseClick(dialog->changeButton, Qt::LeftButton);
    }
    QCOMPARE(MainWindowDriver::messages(), QStringList{told});

    MainWindowDriver::clearMessages();
    dialog->languageBox->setCurrentIndex(1);
    QCOMPARE(dialog->loginButton->text(),
             valueInFile(*loginDir, "/APP/ConfigFile/language-Other.ini", "SpushButton_Login"));
    QCOMPARE(MainWindowDriver::messages(), QStringList());
    QCOMPARE(loginDir->readFile(ConfigFile), before);
    QCOMPARE(Config_SaveAtExitOnce(), told.section('\n', 1));
}

void TestShell::consoleSendsTypedLines_data()
{
    QTest::addColumn<quint32>("link");
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QStringList>("typed"); // each line sent on its own
    QTest::addColumn<QByteArrayList>("queued");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("two lines") << quint32(LinkTcpClient) << false
                               << QStringList{QStringLiteral("A\u00e9"), "B"}
                               << QByteArrayList{"A\xc3\xa9\r", "B\r"} << QStringList{}; // as UTF-8
    QTest::newRow("pasted two lines") << quint32(LinkTcpClient) << false << QStringList{"A\nB"}
                                      << QByteArrayList{"A\r\nB\r"} << QStringList{};
    QTest::newRow("no link") << quint32(LinkNone) << false << QStringList{"A", "B"} << QByteArrayList{}
                             << QStringList{};
    QTest::newRow("hex bytes") << quint32(LinkSerial) << true << QStringList{"41 0D 0A 42"}
                               << QByteArrayList{"A\r\nB"} << QStringList{};
    QTest::newRow("not hex") << quint32(LinkSerial) << true << QStringList{"41 0G"} << QByteArrayList{}
                             << QStringList{"The send pane holds text that is not hexadecimal bytes:0G"};
}

// Send queues the typed line alone, never the commands echoed in the send pane; the input recalls what was
// sent with Up and Down.
void TestShell::consoleSendsTypedLines()
{
    QFETCH(quint32, link);
    QFETCH(bool, hex);
    QFETCH(QStringList, typed);
    QFETCH(QByteArrayList, queued);
    QFETCH(QStringList, messages);
    driver = std::make_unique<MainWindowDriver>();
    if (link != LinkNone)
        driver->openLink(link);
    Ui_Debug *console = w()->debugConsole;
    // Alt+Z alone opens the console, and only while a link is open.
    QTest::keyClick(w(), Qt::Key_Z, Qt::AltModifier | Qt::ControlModifier);
    QTest::keyClick(w(), Qt::Key_Z);
    QVERIFY(!console->isVisible());
    QTest::keyClick(w(), Qt::Key_Z, Qt::AltModifier);
    QCOMPARE(console->isVisible(), link != LinkNone);
    console->show();
    if (hex)
        QTest::mouseClick(console->hexButton, Qt::LeftButton);
    // What the echo pane shows of written commands stays out of what is sent.
    console->sendText->setPlainText(QStringLiteral("SET RESET\nSET BAUDRATE 9600\n"));
    QVERIFY(console->sendText->isReadOnly() && console->recvText->isReadOnly());

    for (int i = 0; i < typed.size(); ++i) {
        console->inputEdit->insert(typed.at(i));
        if (i % 2 == 0)
            QTest::mouseClick(console->sendButton, Qt::LeftButton);
        else
            QTest::keyClick(console->inputEdit, Qt::Key_Return);
    }
    const std::deque<QByteArray> commands = w()->session->queuedCommands();
    QCOMPARE(QByteArrayList(commands.begin(), commands.end()), queued);
    QCOMPARE(MainWindowDriver::messages(), messages);
    if (!messages.isEmpty())
        return;

    QCOMPARE(console->inputEdit->text(), QString());
    QTest::keyClicks(console->inputEdit, "draft");
    QStringList recalled;
    for (const Qt::Key key : {Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down}) {
        QTest::keyClick(console->inputEdit, key);
        recalled << console->inputEdit->text();
    }
    const QString last = typed.last();
    const QString first = typed.first();
    const QStringList expected = typed.size() == 1 ? QStringList{last, last, last, "draft", "draft", "draft"}
                                                   : QStringList{last, first, first, last, "draft", "draft"};
    QCOMPARE(recalled, expected);
}

QTEST_MAIN(TestShell)
// The picture files of the data tree on disk: a PNG that Qt would save differently is rewritten in place;
// one already normal keeps its file (same inode: an ordinary start writes nothing), and a broken or empty
// file or another suffix is never touched.
void TestShell::picturesRewrittenOnlyWhenNeeded_data()
{
    QImage image(8, 4, QImage::Format_ARGB32);
    image.fill(QColor(10, 120, 200, 128));
    QByteArray normal;
    QByteArray loose;
    QBuffer normalBuffer(&normal);
    QBuffer looseBuffer(&loose);
    QVERIFY(image.save(&normalBuffer, "png"));
    QVERIFY(image.save(&looseBuffer, "png", 100));
    QVERIFY(loose != normal);
    const QByteArray broken = QByteArrayLiteral("\x89PNG\r\n\x1a\n this is not really a picture");

    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<bool>("sameFile");
    QTest::newRow("uncompressed png is rewritten") << "a.png" << loose << normal << false;
    QTest::newRow("normal png is left alone") << "b.png" << normal << normal << true;
    QTest::newRow("broken png is left alone") << "c.png" << broken << broken << true;
    QTest::newRow("empty png is left alone") << "d.png" << QByteArray() << QByteArray() << true;
    QTest::newRow("other suffix is left alone") << "e.PNG" << loose << loose << true;
}

void TestShell::picturesRewrittenOnlyWhenNeeded()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, after);
    QFETCH(bool, sameFile);
    loginDir = std::make_unique<TestAppDir>();
    const QString relative = "/TitleBar/" + name;
    loginDir->writeFile(relative, bytes);
    const auto inode = [&] {
        struct stat info = {};
        return ::stat(QFile::encodeName(loginDir->file(relative)).constData(), &info) == 0 ? info.st_ino : 0;
    };
    const auto before = inode();
    NormalizePng(loginDir->file(relative));
    QCOMPARE(loginDir->readFile(relative), after);
    QCOMPARE(inode() == before, sameFile);
}

// The 5-pixel resize bands along the edges of a frameless window, as the mouse finds them: the cursor that
// announces a resize from a side or a corner (negative coordinates count from the right or bottom edge).
void TestShell::resizeBandsOfFramelessWindow_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<int>("cursor");
    QTest::newRow("middle") << QPoint(200, 100) << int(Qt::ArrowCursor);
    QTest::newRow("left edge pixel 0") << QPoint(0, 100) << int(Qt::ArrowCursor);
    QTest::newRow("left band") << QPoint(1, 100) << int(Qt::SizeHorCursor);
    QTest::newRow("beside the left band") << QPoint(6, 100) << int(Qt::ArrowCursor);
    QTest::newRow("right band") << QPoint(-5, 100) << int(Qt::SizeHorCursor);
    QTest::newRow("top band over the title bar") << QPoint(200, 5) << int(Qt::SizeVerCursor);
    QTest::newRow("bottom band") << QPoint(200, -1) << int(Qt::SizeVerCursor);
    QTest::newRow("top-left corner") << QPoint(3, 3) << int(Qt::SizeFDiagCursor);
    QTest::newRow("top-right corner") << QPoint(-1, 1) << int(Qt::SizeBDiagCursor);
    QTest::newRow("bottom-left corner") << QPoint(5, -2) << int(Qt::SizeBDiagCursor);
    QTest::newRow("bottom-right corner") << QPoint(-5, -5) << int(Qt::SizeFDiagCursor);
}

void TestShell::resizeBandsOfFramelessWindow()
{
    QFETCH(QPoint, at);
    QFETCH(int, cursor);
    loginDir = std::make_unique<TestAppDir>();
    MyFramelessWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPoint point(at.x() < 0 ? window.width() + at.x() : at.x(),
                       at.y() < 0 ? window.height() + at.y() : at.y());
    QTest::mouseMove(window.windowHandle(), point);
    QCOMPARE(int(window.cursor().shape()), cursor);
}

// The title bar's parts sit side by side across the whole width: icon, text, then the buttons, with the close
// button at the right edge (a dialog has only that one); it is dark over a light body. Dragging it with the
// left button moves the window with the mouse, and the mouse moves it no more once released.
void TestShell::titleBarSpansAndDragsTheWindow()
{
    loginDir = std::make_unique<TestAppDir>();
    loginDir->installDataTree();
    Config_CheckAtStartup();
    MyFramelessWindow window;
    MyFramelessDialog dialog;
    for (const FramelessChrome *chrome : {window.chrome(), dialog.chrome()}) {
        chrome->window->show();
        QVERIFY(QTest::qWaitForWindowExposed(chrome->window));
        const QWidget *const parts[] = {chrome->titleBarIcon, chrome->titleBarText, chrome->titleBarMin,
                                        chrome->titleBarMax, chrome->titleBarClose};
        int x = 0;
        for (const QWidget *part : parts) {
            if (!part)
                continue;
            QCOMPARE(part->x(), x);
            x += part->width();
        }
        QCOMPARE(x, chrome->window->width());
        const QImage shown = chrome->window->grab().toImage();
        QCOMPARE(shown.pixelColor(chrome->titleBarText->x() + 2, 2), QColor(0x1f, 0x26, 0x33));
        QCOMPARE(shown.pixelColor(shown.width() / 2, shown.height() - 3), QColor(0xf4, 0xf6, 0xf9));

        const auto mouse = [chrome](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
            QMouseEvent event(type, at, chrome->window->mapToGlobal(at),
                              type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                              Qt::NoModifier);
            QApplication::sendEvent(chrome->window, &event);
        };
        const QPoint from = chrome->window->pos();
        const QPoint grip(chrome->titleBarText->x() + 20, chrome->titleBarText->height() / 2);
        mouse(QEvent::MouseButtonPress, grip, Qt::LeftButton);
        mouse(QEvent::MouseMove, grip + QPoint(30, 2), Qt::LeftButton);
        QCOMPARE(chrome->window->pos(), from + QPoint(30, 2));
        mouse(QEvent::MouseButtonRelease, grip + QPoint(30, 2), Qt::NoButton);
        mouse(QEvent::MouseMove, grip + QPoint(60, 4), Qt::NoButton);
        QCOMPARE(chrome->window->pos(), from + QPoint(30, 2));
    }
}

// The pages' placement code: the high nibble places left of (1), aligned with (2) or right of (4) the
// reference, the low nibble above, aligned or below, with the gaps dx and dy; 0x88 places at (dx, dy), and
// any other code only resizes.
void TestShell::placeWidgetByRelation_data()
{
    QTest::addColumn<int>("relation");
    QTest::addColumn<QPoint>("at");
    // The reference spans (100, 50) to (139, 69); the widget is 10 x 8, the gaps 3 and 2.
    QTest::newRow("left of, above") << 0x11 << QPoint(87, 40);
    QTest::newRow("aligned") << 0x22 << QPoint(100, 50);
    QTest::newRow("right of, below") << 0x44 << QPoint(143, 72);
    QTest::newRow("below, left edges aligned") << 0x24 << QPoint(100, 72);
    QTest::newRow("at the gaps") << 0x88 << QPoint(3, 2);
    QTest::newRow("no horizontal relation") << 0x32 << QPoint(5, 5);
    QTest::newRow("no vertical relation") << 0x20 << QPoint(5, 5);
}

void TestShell::placeWidgetByRelation()
{
    QFETCH(int, relation);
    QFETCH(QPoint, at);
    QWidget page;
    QWidget reference(&page);
    QWidget widget(&page);
    reference.setGeometry(100, 50, 40, 20);
    widget.setGeometry(5, 5, 1, 1);
    PlaceWidget(&widget, &reference, relation, 3, 2, 10, 8);
    QCOMPARE(widget.geometry(), QRect(at, QSize(10, 8)));
}

// Without the seam the operator's own dialog opens: in the folder the page asked for (a file's own folder
// when saving), offering the page's files.
void TestShell::fileDialogsOpenWhereAsked_data()
{
    QTest::addColumn<bool>("save");
    QTest::newRow("open") << false;
    QTest::newRow("save") << true;
}

void TestShell::fileDialogsOpenWhereAsked()
{
    QFETCH(bool, save);
    FileChooserSeam::reset();
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString filter = QStringLiteral("EDID files (*.bin)");
    const QString path = folder.filePath(QStringLiteral("edid.bin"));
    QString shownFolder;
    QStringList shownFilters;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto *chooser = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!chooser)
            return;
        poll.stop();
        shownFolder = chooser->directory().absolutePath();
        shownFilters = chooser->nameFilters();
        chooser->reject();
    });
    poll.start(10);
    const QString chosen = save ? ChooseSaveFile(nullptr, QStringLiteral("Save"), path, filter)
                                : ChooseOpenFile(nullptr, QStringLiteral("Open"), folder.path(), filter);
    QCOMPARE(chosen, QString());
    QCOMPARE(shownFolder, folder.path());
    QCOMPARE(shownFilters, QStringList{filter});
}

#include "tst_shell.moc"
