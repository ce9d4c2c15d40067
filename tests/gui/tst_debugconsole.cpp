// The debug console: its fixed texts and panes, the bytes that Send queues on the active link (line feeds
// become CR LF, nothing appended, no reply awaited), and the 200-block limit of both panes.

#include "core/QueuedRequests.h"
#include "core/TestAppDir.h"

#include "config/AppState.h"
#include "shell/Ui_Debug.h"
#include "link/LinkChannel.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>

#include <memory>

class TestDebugConsole : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void construction();
    void formatSwitchChangesOnlyCaptions();
    void sendQueuesTheTypedBytes_data();
    void sendQueuesTheTypedBytes();
    void echoedCommandsAreSentAgain();
    void panesKeepTheNewest200Blocks_data();
    void panesKeepTheNewest200Blocks();
    void clearButtons();
    void showAndClose();

private:
    std::unique_ptr<TestAppDir> appDir;
    std::unique_ptr<Ui_Debug> console;
};

namespace {
void drainQueues()
{
    takeQueuedRequests(TcpChannel());
    takeQueuedRequests(SerialChannel());
}

QPushButton *buttonWithText(QWidget *parent, const QString &text)
{
    for (QPushButton *button : parent->findChildren<QPushButton *>()) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}
} // namespace

void TestDebugConsole::init()
{
    appDir = std::make_unique<TestAppDir>();
    appDir->installDataTree();
    drainQueues();
    console = std::make_unique<Ui_Debug>();
}

void TestDebugConsole::cleanup()
{
    console.reset();
    drainQueues();
    appDir.reset();
}

void TestDebugConsole::construction()
{
    QCOMPARE(console->windowTitle(), QStringLiteral("Debug"));
    QVERIFY(console->isWindow());
    QVERIFY(console->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(console->recvLabel->text(), QStringLiteral("Recv:ASCII FORMAT"));
    QCOMPARE(console->sendLabel->text(), QStringLiteral("Send:ASCII FORMAT"));
    QCOMPARE(console->recvClearButton->text(), QStringLiteral("Clear"));
    QCOMPARE(console->sendClearButton->text(), QStringLiteral("Clear"));
    QCOMPARE(console->sendButton->text(), QStringLiteral("Send"));
    QVERIFY(console->recvText->isReadOnly());
    QVERIFY(!console->sendText->isReadOnly());
    QCOMPARE(console->recvText->lineWrapMode(), QTextEdit::NoWrap);
    QCOMPARE(console->sendText->lineWrapMode(), QTextEdit::NoWrap);
    QCOMPARE(console->recvText->document()->maximumBlockCount(), 200);
    QCOMPARE(console->sendText->document()->maximumBlockCount(), 200);

    // The format switch exists but the operator sees neither button.
    QPushButton *hex = buttonWithText(console.get(), QStringLiteral("HEX FORMAT"));
    QPushButton *ascii = buttonWithText(console.get(), QStringLiteral("ASCII FORMAT"));
    QVERIFY(hex && ascii);
    QVERIFY(hex->isHidden());
    QVERIFY(ascii->isHidden());
    QVERIFY(!ascii->isEnabled());
    QVERIFY(hex->isEnabled());

    // A third of the (capped) screen's width, half its height, centred.
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size().boundedTo(QSize(1920, 1080));
    QCOMPARE(console->size(), QSize(screen.width() / 3, screen.height() / 2));
    QCOMPARE(console->pos(),
             QPoint((screen.width() - console->width()) / 2, (screen.height() - console->height()) / 2));
}

void TestDebugConsole::formatSwitchChangesOnlyCaptions()
{
    QPushButton *hex = buttonWithText(console.get(), QStringLiteral("HEX FORMAT"));
    QPushButton *ascii = buttonWithText(console.get(), QStringLiteral("ASCII FORMAT"));
    QVERIFY(hex && ascii);
    console->SLT_Sync_Show_Recv(QStringLiteral("OUT HDCP FORCE-OFF\r"));

    console->SLT_SELECT_HEX_FORMAT();
    QCOMPARE(console->recvLabel->text(), QStringLiteral("Recv:HEX FORMAT"));
    QCOMPARE(console->sendLabel->text(), QStringLiteral("Send:HEX FORMAT"));
    QVERIFY(!hex->isEnabled());
    QVERIFY(ascii->isEnabled());
    QCOMPARE(console->recvText->toPlainText(), QStringLiteral("OUT HDCP FORCE-OFF\n"));

    console->SLT_SELECT_ASCII_FORMAT();
    QCOMPARE(console->recvLabel->text(), QStringLiteral("Recv:ASCII FORMAT"));
    QCOMPARE(console->sendLabel->text(), QStringLiteral("Send:ASCII FORMAT"));
    QVERIFY(hex->isEnabled());
    QVERIFY(!ascii->isEnabled());
}

void TestDebugConsole::sendQueuesTheTypedBytes_data()
{
    QTest::addColumn<quint32>("linkType");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("tcpBytes");
    QTest::addColumn<QByteArray>("serialBytes");

    const QString ab = QStringLiteral("A\nB");
    QTest::newRow("A LF B on TCP") << quint32(LinkTcpClient) << ab << QByteArray("A\r\nB") << QByteArray();
    QTest::newRow("A LF B on serial") << quint32(LinkSerial) << ab << QByteArray() << QByteArray("A\r\nB");
    QTest::newRow("no link") << quint32(LinkNone) << ab << QByteArray() << QByteArray();
    QTest::newRow("unknown link type") << quint32(3) << ab << QByteArray() << QByteArray();
    QTest::newRow("empty pane") << quint32(LinkTcpClient) << QString() << QByteArray() << QByteArray();
    QTest::newRow("no CR appended") << quint32(LinkTcpClient) << QStringLiteral("GET MODEL TYPE")
                                    << QByteArray("GET MODEL TYPE") << QByteArray();
    QTest::newRow("trailing line break")
        << quint32(LinkTcpClient) << QStringLiteral("X\n") << QByteArray("X\r\n") << QByteArray();
    QTest::newRow("blank lines") << quint32(LinkSerial) << QStringLiteral("\n\n") << QByteArray()
                                 << QByteArray("\r\n\r\n");
    QTest::newRow("UTF-8") << quint32(LinkTcpClient) << QStringLiteral("\u00e9\n\u4e2d")
                           << QByteArray("\xc3\xa9\r\n\xe4\xb8\xad") << QByteArray();
}

void TestDebugConsole::sendQueuesTheTypedBytes()
{
    QFETCH(quint32, linkType);
    QFETCH(QString, typed);
    QFETCH(QByteArray, tcpBytes);
    QFETCH(QByteArray, serialBytes);

    State().LinkType = linkType;
    console->sendText->setPlainText(typed);
    QSignalSpy updates(console.get(), &Ui_Debug::SGL_UpdateEmit);
    QTest::mouseClick(console->sendButton, Qt::LeftButton);

    QCOMPARE(updates.count(), 1);
    QList<ReplyRule> rules;
    const QByteArrayList tcp = takeQueuedRequests(TcpChannel(), &rules);
    QCOMPARE(tcp, tcpBytes.isEmpty() ? QByteArrayList() : QByteArrayList{tcpBytes});
    const QByteArrayList serial = takeQueuedRequests(SerialChannel(), &rules);
    QCOMPARE(serial, serialBytes.isEmpty() ? QByteArrayList() : QByteArrayList{serialBytes});
    // Typed text waits for no reply and is followed by no pause.
    for (const ReplyRule &rule : rules) {
        QCOMPARE(int(rule.expectReply), 0);
        QCOMPARE(rule.waitMs, 0u);
        QCOMPARE(int(rule.reportTimeout), 0);
    }
    // The pane keeps its text.
    QCOMPARE(console->sendText->toPlainText(), typed);
}

void TestDebugConsole::echoedCommandsAreSentAgain()
{
    State().LinkType = LinkTcpClient;
    console->SLT_Sync_Show_Send(QStringLiteral("GET MODEL TYPE\r"));
    console->SLT_Sync_Show_Send(QStringLiteral("GET OUT HDCP\r"));
    QTextCursor cursor = console->sendText->textCursor();
    cursor.movePosition(QTextCursor::End);
    console->sendText->setTextCursor(cursor);
    QTest::keyClicks(console->sendText, QStringLiteral("A"));

    QTest::mouseClick(console->sendButton, Qt::LeftButton);
    QCOMPARE(takeQueuedRequests(TcpChannel()), QByteArrayList{"GET MODEL TYPE\r\nGET OUT HDCP\r\nA"});
    QCOMPARE(console->sendText->toPlainText(), QStringLiteral("GET MODEL TYPE\nGET OUT HDCP\nA"));
}

void TestDebugConsole::panesKeepTheNewest200Blocks_data()
{
    QTest::addColumn<bool>("receivePane");
    QTest::newRow("receive pane") << true;
    QTest::newRow("send pane") << false;
}

void TestDebugConsole::panesKeepTheNewest200Blocks()
{
    QFETCH(bool, receivePane);
    QTextEdit *pane = receivePane ? console->recvText : console->sendText;
    for (int i = 0; i < 250; ++i) {
        const QString line = QStringLiteral("line %1\r").arg(i);
        if (receivePane)
            console->SLT_Sync_Show_Recv(line);
        else
            console->SLT_Sync_Show_Send(line);
    }
    QTextDocument *document = pane->document();
    QVERIFY(document->blockCount() <= 200);
    QVERIFY(document->blockCount() >= 199);
    // The newest lines stay, the oldest fell away.
    const QStringList lines = pane->toPlainText().split('\n');
    QVERIFY(lines.contains(QStringLiteral("line 249")));
    QVERIFY(lines.contains(QStringLiteral("line 60")));
    QVERIFY(!lines.contains(QStringLiteral("line 0")));
    QVERIFY(!lines.contains(QStringLiteral("line 49")));
}

void TestDebugConsole::clearButtons()
{
    console->SLT_Sync_Show_Recv(QStringLiteral("MODEL TYPE TN386\r"));
    console->SLT_Sync_Show_Send(QStringLiteral("GET MODEL TYPE\r"));
    QTest::mouseClick(console->recvClearButton, Qt::LeftButton);
    QVERIFY(console->recvText->toPlainText().isEmpty());
    QCOMPARE(console->sendText->toPlainText(), QStringLiteral("GET MODEL TYPE\n"));
    QTest::mouseClick(console->sendClearButton, Qt::LeftButton);
    QVERIFY(console->sendText->toPlainText().isEmpty());
}

void TestDebugConsole::showAndClose()
{
    QVERIFY(!console->isVisible());
    console->SLT_SETUP_UI_DEBUG();
    QVERIFY(console->isVisible());
    console->SLT_CLOSE_UI_DEBUG();
    QVERIFY(!console->isVisible());
}

QTEST_MAIN(TestDebugConsole)
#include "tst_debugconsole.moc"
