// System page: layout and model rules, the EDID upload from real files, the file chooser's directory, the
// firmware version, reset, EDID mode and communication parameter requests, and what the device's replies
// to those do (stored settings, the reconnect message, the signal to the main window).

#include "config/AppState.h"
#include "core/TestAppDir.h"
#include "link/LinkChannel.h"
#include "pages/EdidUpload.h"
#include "pages/Ui_System.h"
#include "protocol/ValueTables.h"
#include "widgets/FileChooserSeam.h"
#include "widgets/MessageBoxSeam.h"

#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMutexLocker>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

std::deque<QueueEntry> takeEntries(LinkChannel &channel)
{
    QMutexLocker locker(&channel.sendLock);
    return takeAllEntries(&channel.sendQueue);
}

QList<QByteArray> takeSent(LinkChannel &channel = TcpChannel())
{
    QList<QByteArray> lines;
    for (const QueueEntry &entry : takeEntries(channel))
        lines << entry.data;
    return lines;
}

QStringList itemTexts(const QComboBox *combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

// One 128-byte EDID block: the header, some content, the extension count in byte 126 and, unless
// `validChecksum` is false, byte 127 making the block sum to 0 modulo 256.
QByteArray edidBlock(quint8 extensions, bool validChecksum = true, bool header = true)
{
    QByteArray block(128, '\0');
    if (header) {
        for (int i = 1; i < 7; ++i)
            block[i] = char(0xFF);
    }
    for (int i = 8; i < 126; ++i)
        block[i] = char((i * 37 + 11) & 0xFF);
    block[126] = char(extensions);
    quint8 sum = 0;
    for (int i = 0; i < 127; ++i)
        sum = quint8(sum + quint8(block[i]));
    block[127] = char(quint8(0x100 - sum) + (validChecksum ? 0 : 1));
    return block;
}

// A 128-byte extension block (no header) with or without a valid checksum.
QByteArray extensionBlock(bool validChecksum)
{
    QByteArray block(128, '\0');
    block[0] = char(0x02);
    block[1] = char(0x03);
    for (int i = 4; i < 127; ++i)
        block[i] = char((i * 13 + 5) & 0xFF);
    quint8 sum = 0;
    for (int i = 0; i < 127; ++i)
        sum = quint8(sum + quint8(block[i]));
    block[127] = char(quint8(0x100 - sum) + (validChecksum ? 0 : 1));
    return block;
}

// The upload request for a 256-byte image: "SET EDID-USER", every byte as a space and two upper-case hex
// digits, CR.
QByteArray edidRequest(const QByteArray &image)
{
    QByteArray line("SET EDID-USER");
    for (char byte : image)
        line += ' ' + QByteArray::number(quint8(byte), 16).rightJustified(2, '0').toUpper();
    return line + '\r';
}

const QStringList EdidModeItems{"4K60-2.0",  "4K60-5.1",    "4K60-7.1",    "4K30-2.0",    "4K30-5.1",
                                "4K30-7.1",  "1080p60-2.0", "1080p60-5.1", "1080p60-7.1", "1920x1200",
                                "1680x1050", "1600x1200",   "1440x900",    "1360x768",    "1280x1024",
                                "1024x768",  "720p",        "Auto",        "User"};

const QString ReconnectMessage = QStringLiteral("1-Sync Config Info....\r\n2-Please ReConnect App!");

enum class EdidPath
{
    File,
    Directory,
    Missing,
    Cancelled
};

} // namespace

Q_DECLARE_METATYPE(EdidPath)

class TestSystemPage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void layout();
    void modelRules_data();
    void modelRules();
    void edidMode_data();
    void edidMode();
    void firmwareVersion_data();
    void firmwareVersion();
    void edidUpload_data();
    void edidUpload();
    void edidBufferClearedAfterFailedCheck();
    void edidWrittenMessage();
    void fileChooserDirectory();
    void reset_data();
    void reset();
    void networkWrite_data();
    void networkWrite();
    void parameterButtons_data();
    void parameterButtons();
    void syncNetworkInfo_data();
    void syncNetworkInfo();
    void syncBaudrate_data();
    void syncBaudrate();
    void readAll_data();
    void readAll();

private:
    std::unique_ptr<TestAppDir> appDir;
};

void TestSystemPage::init()
{
    appDir = std::make_unique<TestAppDir>();
    QVERIFY(appDir->isValid());
    State().LinkType = LinkTcpClient;
    takeSent(TcpChannel());
    takeSent(SerialChannel());
    MessageBoxSeam::activate();
    FileChooserSeam::activate();
}

void TestSystemPage::cleanup()
{
    takeSent(TcpChannel());
    takeSent(SerialChannel());
    MessageBoxSeam::reset();
    FileChooserSeam::reset();
    appDir.reset();
}

void TestSystemPage::layout()
{
    State().config.SP_BaudRate = QStringLiteral("57600");
    State().config.SP_RemoteIp = QStringLiteral("10.1.2.3");
    Ui_System page;

    QCOMPARE(page.systemFrame->geometry(), QRect(4, 4, 860, 124));
    QCOMPARE(page.communicationFrame->geometry(), QRect(4, 132, 742, 154));
    auto *cut = page.findChild<QFrame *>(QStringLiteral("Communication_CutLine"));
    QVERIFY(cut);
    QCOMPARE(cut->parentWidget(), page.communicationFrame);
    QCOMPARE(cut->geometry(), QRect(370, 0, 2, 154));
    QCOMPARE(cut->frameShape(), QFrame::VLine);
    QCOMPARE(page.readAllButton->geometry(), QRect(4, 296, 100, 26));

    QCOMPARE(page.edidModeCombo->geometry(), QRect(208, 4, 160, 26));
    QCOMPARE(page.resetButton->geometry(), QRect(208, 34, 120, 26));
    QCOMPARE(page.versionField->geometry(), QRect(372, 64, 140, 26));
    QCOMPARE(page.edidWriteButton->geometry(), QRect(696, 94, 160, 26));
    QCOMPARE(page.rs232ReadButton->geometry(), QRect(168, 34, 160, 26));
    QCOMPARE(page.ipLabel->geometry(), QRect(394, 4, 160, 26));
    QCOMPARE(page.gatewayField->geometry(), QRect(558, 94, 180, 26));
    QCOMPARE(page.networkReadButton->geometry(), QRect(558, 124, 160, 26));

    QCOMPARE(itemTexts(page.edidModeCombo), EdidModeItems);
    QCOMPARE(itemTexts(page.baudCombo), (QStringList{"9600", "19200", "38400", "57600", "115200"}));
    QCOMPARE(page.baudCombo->currentText(), QStringLiteral("57600"));
    QCOMPARE(page.ipField->text(), QStringLiteral("10.1.2.3"));
    QCOMPARE(page.portField->text(), QStringLiteral("2000"));
    QCOMPARE(page.maskField->text(), QStringLiteral("255.255.255.0"));
    QCOMPARE(page.gatewayField->text(), QStringLiteral("192.168.0.1"));
    QCOMPARE(page.versionField->focusPolicy(), Qt::NoFocus);
    QCOMPARE(page.pathField->focusPolicy(), Qt::NoFocus);
    QCOMPARE(page.resetButton->text(), State().text.S_ResetDevice);
    QCOMPARE(page.edidWriteButton->text(), QStringLiteral("Write"));

    // Before identification: no firmware parts, every communication widget shown.
    QCOMPARE(page.firmwareCombo->count(), 0);
    for (QWidget *widget :
         page.communicationFrame->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        QVERIFY(widget->isVisibleTo(&page));
    QVERIFY(takeSent().isEmpty());
}

void TestSystemPage::modelRules_data()
{
    QTest::addColumn<quint8>("model");
    QTest::addColumn<QStringList>("parts");
    QTest::addColumn<bool>("network");

    QTest::newRow("RKA204QE") << quint8(ModelRKA204QE) << QStringList{"Main", "Sub", "Expand"} << true;
    QTest::newRow("RKA07QE") << quint8(ModelRKA07QE) << QStringList{"Main", "Sub"} << false;
    QTest::newRow("RKA386QE") << quint8(ModelRKA386QE) << QStringList{"Main", "Sub", "Expand", "KeyBoard"}
                              << true;
    QTest::newRow("TN386") << quint8(ModelTN386) << QStringList{"Main", "Sub", "KeyBoard"} << true;
    QTest::newRow("TN204E") << quint8(ModelTN204E) << QStringList{"Main", "Sub"} << false;
}

void TestSystemPage::modelRules()
{
    QFETCH(quint8, model);
    QFETCH(QStringList, parts);
    QFETCH(bool, network);

    Ui_System page;
    // Start from the opposite network rule so that the model switch has to change the visibility.
    State().CurrentModel = network ? ModelRKA07QE : ModelRKA204QE;
    page.ApplyModel();
    State().CurrentModel = model;
    page.ApplyModel();

    QCOMPARE(itemTexts(page.firmwareCombo), parts);
    for (QWidget *widget : QList<QWidget *>{
             page.ipLabel, page.ipField, page.portLabel, page.portField, page.maskLabel, page.maskField,
             page.gatewayLabel, page.gatewayField, page.networkWriteButton, page.networkReadButton})
        QCOMPARE(widget->isVisibleTo(&page), network);
    for (QWidget *widget : QList<QWidget *>{page.baudLabel, page.baudCombo, page.rs232WriteButton,
                                            page.rs232ReadButton, page.readAllButton})
        QVERIFY(widget->isVisibleTo(&page));
    QVERIFY(takeSent().isEmpty());
}

void TestSystemPage::edidMode_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("first") << 0 << QByteArray("SET IN EDIDMODE 4K60-2.0\r");
    QTest::newRow("1080p60-7.1") << 8 << QByteArray("SET IN EDIDMODE 1080p60-7.1\r");
    QTest::newRow("Auto") << 17 << QByteArray("SET IN EDIDMODE AUTO\r");
    QTest::newRow("User") << 18 << QByteArray("SET IN EDIDMODE USER\r");
}

void TestSystemPage::edidMode()
{
    QFETCH(int, index);
    QFETCH(QByteArray, line);

    Ui_System page;
    QSignalSpy updates(&page, &Ui_System::SGL_UpdateEmit);
    emit page.edidModeCombo->activated(index);
    QCOMPARE(takeSent(), QList<QByteArray>{line});
    QCOMPARE(updates.count(), 1);

    page.SyncEdidSelect(index);
    QCOMPARE(page.edidModeCombo->currentIndex(), index);
    QVERIFY(takeSent().isEmpty());
}

void TestSystemPage::firmwareVersion_data()
{
    QTest::addColumn<quint8>("model");
    QTest::addColumn<QString>("part");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("RKA204QE Main") << quint8(ModelRKA204QE) << "Main" << QByteArray("GET VERSION\r");
    QTest::newRow("RKA204QE Sub") << quint8(ModelRKA204QE) << "Sub" << QByteArray("GET SUB-VERSION\r");
    QTest::newRow("RKA386QE Expand") << quint8(ModelRKA386QE) << "Expand"
                                     << QByteArray("GET EXPAND-VERSION\r");
    QTest::newRow("RKA386QE KeyBoard")
        << quint8(ModelRKA386QE) << "KeyBoard" << QByteArray("GET KEYBOARD-VERSION\r");
    QTest::newRow("TN386 KeyBoard") << quint8(ModelTN386) << "KeyBoard"
                                    << QByteArray("GET KEYBOARD-VERSION\r");
    QTest::newRow("TN204E Sub") << quint8(ModelTN204E) << "Sub" << QByteArray("GET SUB-VERSION\r");
}

void TestSystemPage::firmwareVersion()
{
    QFETCH(quint8, model);
    QFETCH(QString, part);
    QFETCH(QByteArray, line);

    Ui_System page;
    State().CurrentModel = model;
    page.ApplyModel();
    page.SyncFirmwareVersion(QStringLiteral("V0.9"));
    const int index = page.firmwareCombo->findText(part);
    QVERIFY(index >= 0);
    page.firmwareCombo->setCurrentIndex(index);

    QSignalSpy updates(&page, &Ui_System::SGL_UpdateEmit);
    emit page.firmwareCombo->activated(index);
    QVERIFY(page.versionField->text().isEmpty());
    QCOMPARE(takeSent(), QList<QByteArray>{line});
    QCOMPARE(updates.count(), 1);

    page.SyncFirmwareVersion(QStringLiteral("V2.1.7"));
    QCOMPARE(page.versionField->text(), QStringLiteral("V2.1.7"));
    QVERIFY(takeSent().isEmpty());
}

void TestSystemPage::edidUpload_data()
{
    QTest::addColumn<EdidPath>("pathKind");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("image"); // the 256 bytes sent; empty when nothing is sent

    const QByteArray zeros(128, '\0');
    const QString none;
    const QString notEdid = QStringLiteral("this not is EDID File!");
    const QString checkFail = QStringLiteral("EDID check fail,please check your EDID file!");

    QTest::newRow("128 bytes, no extension")
        << EdidPath::File << edidBlock(0) << none << edidBlock(0) + zeros;
    QTest::newRow("128 bytes, extension count 1")
        << EdidPath::File << edidBlock(1) << none << edidBlock(1) + zeros;
    QTest::newRow("256 bytes, extension count 1") << EdidPath::File << edidBlock(1) + extensionBlock(true)
                                                  << none << edidBlock(1) + extensionBlock(true);
    QTest::newRow("256 bytes, extension count 2, bad second block")
        << EdidPath::File << edidBlock(2) + extensionBlock(false) << none
        << edidBlock(2) + extensionBlock(false);
    QTest::newRow("300 bytes cut after 256")
        << EdidPath::File << edidBlock(1) + extensionBlock(true) + QByteArray(44, 'x') << none
        << edidBlock(1) + extensionBlock(true);
    QTest::newRow("bad header") << EdidPath::File << edidBlock(0, true, false) + zeros << notEdid
                                << QByteArray();
    QTest::newRow("bad first checksum") << EdidPath::File << edidBlock(0, false) << checkFail << QByteArray();
    QTest::newRow("bad second checksum, extension count 1")
        << EdidPath::File << edidBlock(1) + extensionBlock(false) << checkFail << QByteArray();
    QTest::newRow("empty file") << EdidPath::File << QByteArray() << notEdid << QByteArray();
    QTest::newRow("directory") << EdidPath::Directory << QByteArray() << notEdid << QByteArray();
    QTest::newRow("missing file") << EdidPath::Missing << QByteArray() << notEdid << QByteArray();
    QTest::newRow("no file chosen") << EdidPath::Cancelled << QByteArray()
                                    << QStringLiteral("error,please first select your EDID file")
                                    << QByteArray();
}

void TestSystemPage::edidUpload()
{
    QFETCH(EdidPath, pathKind);
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    QFETCH(QByteArray, image);

    QString path;
    switch (pathKind) {
    case EdidPath::File:
        appDir->writeFile(QStringLiteral("/edid/monitor.bin"), content);
        path = appDir->file(QStringLiteral("/edid/monitor.bin"));
        break;
    case EdidPath::Directory:
        QVERIFY(QDir().mkpath(appDir->file(QStringLiteral("/edid/folder.bin"))));
        path = appDir->file(QStringLiteral("/edid/folder.bin"));
        break;
    case EdidPath::Missing:
        path = appDir->file(QStringLiteral("/edid/gone.bin"));
        break;
    case EdidPath::Cancelled:
        break;
    }

    Ui_System page;
    if (!path.isEmpty())
        FileChooserSeam::pushChosenPath(path);
    page.loadButton->click();
    QCOMPARE(page.pathField->text(), path);

    QSignalSpy updates(&page, &Ui_System::SGL_UpdateEmit);
    page.edidWriteButton->click();
    const std::deque<QueueEntry> sent = takeEntries(TcpChannel());
    QCOMPARE(MessageBoxSeam::texts(), message.isEmpty() ? QStringList() : QStringList{message});
    if (image.isEmpty()) {
        QCOMPARE(sent.size(), size_t(0));
        QCOMPARE(updates.count(), 0);
        return;
    }
    QCOMPARE(image.size(), 256);
    QCOMPARE(sent.size(), size_t(1));
    QCOMPARE(sent.front().data.size(), 782);
    QCOMPARE(sent.front().data, edidRequest(image));
    QCOMPARE(sent.front().rule.keyword[0], QByteArray("EDID-USER OK"));
    QCOMPARE(sent.front().rule.expectReply, quint8(1));
    QCOMPARE(updates.count(), 1);
}

void TestSystemPage::edidBufferClearedAfterFailedCheck()
{
    appDir->writeFile(QStringLiteral("/good.bin"), edidBlock(0));
    appDir->writeFile(QStringLiteral("/bad.bin"), edidBlock(0, false));
    EdidUpload upload;
    QCOMPARE(upload.load(appDir->file(QStringLiteral("/good.bin"))), EdidUpload::Result::Ready);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(upload.bytes()), 128), edidBlock(0));

    QCOMPARE(upload.load(appDir->file(QStringLiteral("/bad.bin"))), EdidUpload::Result::BadChecksum);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(upload.bytes()), EdidUpload::Size),
             QByteArray(EdidUpload::Size, '\0'));
}

void TestSystemPage::edidWrittenMessage()
{
    Ui_System page;
    page.ShowUserEdidWritten();
    QCOMPARE(MessageBoxSeam::texts(), QStringList{"EDID Write Success."});
    QVERIFY(takeSent().isEmpty());
}

void TestSystemPage::fileChooserDirectory()
{
    const QString first = appDir->file(QStringLiteral("/edids/first/a.bin"));
    const QString second = appDir->file(QStringLiteral("/edids/second/b.bin"));
    Ui_System page;
    QCOMPARE(page.lastEdidDirectory(), QStringLiteral("."));

    FileChooserSeam::pushChosenPath(first);
    page.loadButton->click();
    QCOMPARE(page.pathField->text(), first);
    QCOMPARE(page.lastEdidDirectory(), appDir->file(QStringLiteral("/edids/first")));

    FileChooserSeam::pushChosenPath(second);
    page.loadButton->click();
    QCOMPARE(page.pathField->text(), second);

    // Cancelled: the field is cleared and the directory stays.
    page.loadButton->click();
    QVERIFY(page.pathField->text().isEmpty());
    QCOMPARE(page.lastEdidDirectory(), appDir->file(QStringLiteral("/edids/second")));

    QCOMPARE(FileChooserSeam::openedDirs(), (QStringList{".", appDir->file(QStringLiteral("/edids/first")),
                                                         appDir->file(QStringLiteral("/edids/second"))}));
    QVERIFY(takeSent().isEmpty());
}

void TestSystemPage::reset_data()
{
    QTest::addColumn<bool>("confirmed");
    QTest::newRow("declined") << false;
    QTest::newRow("confirmed") << true;
}

void TestSystemPage::reset()
{
    QFETCH(bool, confirmed);

    Ui_System page;
    MessageBoxSeam::pushAnswer(confirmed);
    QSignalSpy updates(&page, &Ui_System::SGL_UpdateEmit);
    page.resetButton->click();

    const QList<MessageBoxSeam::Record> records = MessageBoxSeam::records();
    QCOMPARE(records.size(), 1);
    QCOMPARE(records.front().kind, MessageBoxSeam::Kind::Confirm);
    QCOMPARE(records.front().text, State().text.SMSG_ResetMessage);

    const std::deque<QueueEntry> sent = takeEntries(TcpChannel());
    if (!confirmed) {
        QCOMPARE(sent.size(), size_t(0));
        QCOMPARE(updates.count(), 0);
        return;
    }
    QCOMPARE(sent.size(), size_t(1));
    QCOMPARE(sent.front().data, QByteArray("SET RESET\r"));
    // The device is busy after a reset: no reply is awaited and the link pauses for 10 s.
    QCOMPARE(sent.front().rule.expectReply, quint8(0));
    QCOMPARE(sent.front().rule.waitMs, 10000u);
    QCOMPARE(updates.count(), 1);
}

void TestSystemPage::networkWrite_data()
{
    QTest::addColumn<QStringList>("settings"); // ip, port, mask, gateway
    QTest::addColumn<QByteArray>("line");      // empty: refused

    QTest::newRow("valid") << QStringList{"192.168.1.50", "5000", "255.255.255.0", "192.168.1.1"}
                           << QByteArray("SET NETWORK-INFO 192.168.1.50 5000 255.255.255.0 192.168.1.1\r");
    QTest::newRow("highest port") << QStringList{"10.0.0.2", "65534", "255.0.0.0", "10.0.0.1"}
                                  << QByteArray("SET NETWORK-INFO 10.0.0.2 65534 255.0.0.0 10.0.0.1\r");
    QTest::newRow("ip with three fields")
        << QStringList{"192.168.1", "5000", "255.255.255.0", "192.168.1.1"} << QByteArray();
    QTest::newRow("port 0") << QStringList{"192.168.1.50", "0", "255.255.255.0", "192.168.1.1"}
                            << QByteArray();
    QTest::newRow("port 65535") << QStringList{"192.168.1.50", "65535", "255.255.255.0", "192.168.1.1"}
                                << QByteArray();
    QTest::newRow("port empty") << QStringList{"192.168.1.50", "", "255.255.255.0", "192.168.1.1"}
                                << QByteArray();
    QTest::newRow("mask octet 256") << QStringList{"192.168.1.50", "5000", "255.255.256.0", "192.168.1.1"}
                                    << QByteArray();
    QTest::newRow("gateway letters") << QStringList{"192.168.1.50", "5000", "255.255.255.0", "gw.local.lan.x"}
                                     << QByteArray();
}

void TestSystemPage::networkWrite()
{
    QFETCH(QStringList, settings);
    QFETCH(QByteArray, line);

    Ui_System page;
    State().LinkParamReadPending = true;
    page.ipField->setText(settings[0]);
    page.portField->setText(settings[1]);
    page.maskField->setText(settings[2]);
    page.gatewayField->setText(settings[3]);

    QSignalSpy updates(&page, &Ui_System::SGL_UpdateEmit);
    page.networkWriteButton->click();
    if (line.isEmpty()) {
        QVERIFY(takeSent().isEmpty());
        QCOMPARE(MessageBoxSeam::texts(), QStringList{"Network Info error!!!please check it!"});
        QCOMPARE(State().LinkParamReadPending, true);
        QCOMPARE(updates.count(), 0);
    } else {
        QCOMPARE(takeSent(), QList<QByteArray>{line});
        QVERIFY(MessageBoxSeam::texts().isEmpty());
        QCOMPARE(State().LinkParamReadPending, false);
        QCOMPARE(updates.count(), 1);
    }
}

void TestSystemPage::parameterButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("baudIndex");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("readPending");

    QTest::newRow("RS-232 write 115200") << "rs232Write" << 4 << QByteArray("SET BAUDRATE 115200\r") << false;
    QTest::newRow("RS-232 write 9600") << "rs232Write" << 0 << QByteArray("SET BAUDRATE 9600\r") << false;
    QTest::newRow("RS-232 read") << "rs232Read" << 2 << QByteArray("GET BAUDRATE\r") << true;
    QTest::newRow("network read") << "networkRead" << 2 << QByteArray("GET NETWORK-INFO\r") << true;
}

void TestSystemPage::parameterButtons()
{
    QFETCH(QString, button);
    QFETCH(int, baudIndex);
    QFETCH(QByteArray, line);
    QFETCH(bool, readPending);

    Ui_System page;
    page.baudCombo->setCurrentIndex(baudIndex);
    State().LinkParamReadPending = !readPending;
    QPushButton *pushButton = button == "rs232Write"  ? page.rs232WriteButton
                              : button == "rs232Read" ? page.rs232ReadButton
                                                      : page.networkReadButton;
    QSignalSpy updates(&page, &Ui_System::SGL_UpdateEmit);
    pushButton->click();
    QCOMPARE(takeSent(), QList<QByteArray>{line});
    QCOMPARE(State().LinkParamReadPending, readPending);
    QCOMPARE(updates.count(), 1);
}

void TestSystemPage::syncNetworkInfo_data()
{
    QTest::addColumn<bool>("readPending");
    QTest::newRow("answer to a read") << true;
    QTest::newRow("answer to a write") << false;
}

void TestSystemPage::syncNetworkInfo()
{
    QFETCH(bool, readPending);

    Ui_System page;
    State().LinkParamReadPending = readPending;
    QSignalSpy synced(&page, &Ui_System::SGL_SyncSerialPortNetworkInfo);
    page.SyncNetworkInfo(QStringLiteral("172.16.5.9"), QStringLiteral("4001"), QStringLiteral("255.255.0.0"),
                         QStringLiteral("172.16.0.1"));

    const ConfigValues &config = State().config;
    QCOMPARE(config.SP_RemoteIp, QStringLiteral("172.16.5.9"));
    QCOMPARE(config.SP_RemotePort, QStringLiteral("4001"));
    QCOMPARE(config.SP_RemoteSubmask, QStringLiteral("255.255.0.0"));
    QCOMPARE(config.SP_RemoteGateway, QStringLiteral("172.16.0.1"));
    QCOMPARE(MessageBoxSeam::texts(), readPending ? QStringList() : QStringList{ReconnectMessage});
    QCOMPARE(synced.count(), 1);
    QVERIFY(takeSent().isEmpty());

    // The main window answers the signal by reloading the page's texts, which shows the stored values.
    page.ReloadUIText(false, false);
    QCOMPARE(page.ipField->text(), QStringLiteral("172.16.5.9"));
    QCOMPARE(page.portField->text(), QStringLiteral("4001"));
    QCOMPARE(page.maskField->text(), QStringLiteral("255.255.0.0"));
    QCOMPARE(page.gatewayField->text(), QStringLiteral("172.16.0.1"));
}

void TestSystemPage::syncBaudrate_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("readPending");
    QTest::addColumn<QString>("stored"); // empty: the reply is ignored

    QTest::newRow("19200 read") << 19200 << true << "19200";
    QTest::newRow("115200 write") << 115200 << false << "115200";
    QTest::newRow("9600 write") << 9600 << false << "9600";
    QTest::newRow("14400") << 14400 << false << "";
    QTest::newRow("0") << 0 << false << "";
    QTest::newRow("negative") << -9600 << true << "";
}

void TestSystemPage::syncBaudrate()
{
    QFETCH(int, value);
    QFETCH(bool, readPending);
    QFETCH(QString, stored);

    Ui_System page;
    State().config.SP_BaudRate = QStringLiteral("38400");
    State().LinkParamReadPending = readPending;
    QSignalSpy synced(&page, &Ui_System::SGL_SyncSerialPortNetworkInfo);
    page.SyncBaudrate(value);

    if (stored.isEmpty()) {
        QCOMPARE(State().config.SP_BaudRate, QStringLiteral("38400"));
        QCOMPARE(synced.count(), 0);
        QVERIFY(MessageBoxSeam::texts().isEmpty());
    } else {
        QCOMPARE(State().config.SP_BaudRate, stored);
        QCOMPARE(synced.count(), 1);
        QCOMPARE(MessageBoxSeam::texts(), readPending ? QStringList() : QStringList{ReconnectMessage});
        page.ReloadUIText(false, false);
        QCOMPARE(page.baudCombo->currentText(), stored);
    }
    QVERIFY(takeSent().isEmpty());
}

void TestSystemPage::readAll_data()
{
    QTest::addColumn<quint32>("linkType");
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::addColumn<bool>("readPending");

    QTest::newRow("TCP") << quint32(LinkTcpClient)
                         << QList<QByteArray>{"GET IN EDIDMODE\r", "GET NETWORK-INFO\r"} << true;
    QTest::newRow("serial") << quint32(LinkSerial) << QList<QByteArray>{"GET IN EDIDMODE\r", "GET BAUDRATE\r"}
                            << true;
    QTest::newRow("no link") << quint32(LinkNone) << QList<QByteArray>{} << false;
}

void TestSystemPage::readAll()
{
    QFETCH(quint32, linkType);
    QFETCH(QList<QByteArray>, lines);
    QFETCH(bool, readPending);

    Ui_System page;
    State().CurrentModel = ModelRKA204QE;
    State().LinkType = linkType;
    State().LinkParamReadPending = false;
    QSignalSpy updates(&page, &Ui_System::SGL_UpdateEmit);
    page.ReloadUIText(false, true);

    const QList<QByteArray> tcp = takeSent(TcpChannel());
    const QList<QByteArray> serial = takeSent(SerialChannel());
    QCOMPARE(linkType == LinkSerial ? serial : tcp, lines);
    QVERIFY((linkType == LinkSerial ? tcp : serial).isEmpty());
    QCOMPARE(State().LinkParamReadPending, readPending);
    QCOMPARE(updates.count(), 1);
}

QTEST_MAIN(TestSystemPage)
#include "tst_systempage.moc"
