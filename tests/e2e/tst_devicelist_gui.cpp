// The connection page's device list, network discovery and serial speed search, as the operator uses them
// in the real main window against lumaplex-sim on loopback addresses and a pseudo-terminal.

#include "core/SimDevice.h"
#include "gui/MainWindowDriver.h"

#include "pages/DevicePanel.h"
#include "pages/DiscoveryDialog.h"
#include "pages/SerialSpeedSearch.h"
#include "session/SavedDevices.h"
#include "widgets/MessageBoxSeam.h"
#include "widgets/MyComboBox.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QByteArray>
#include <QFormLayout>
#include <QInputDialog>
#include <QLabel>
#include <QList>
#include <QMenu>
#include <QModelIndex>
#include <QObject>
#include <QPlainTextEdit>
#include <QPoint>
#include <QProgressBar>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidgetItem>
#include <QWidget>

namespace {

constexpr int SyncTimeoutMs = 15000;

// Answers the next name question with `name`.
void answerName(const QString &name)
{
    QTimer::singleShot(0, [name] {
        if (auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget())) {
            dialog->setTextValue(name);
            dialog->accept();
        }
    });
}

QStringList column(const QTreeWidgetItem *root, int column)
{
    QStringList texts;
    for (int i = 0; i < root->childCount(); ++i)
        texts << root->child(i)->text(column);
    return texts;
}

QStringList fileNames()
{
    QStringList names;
    for (const SavedDevice &device : SavedDeviceFile::load(SavedDeviceFile::path()).list.devices)
        names << device.name + ' ' + device.linkText() + ' ' + device.model;
    return names;
}

void doubleClick(QAbstractItemView *view, const QModelIndex &index)
{
    const QPoint at = view->visualRect(index).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

class TestDeviceListGui : public QObject
{
    Q_OBJECT

private slots:
    void savedDevices();
    void discovery();
    void autoSpeed_data();
    void autoSpeed();
};

void TestDeviceListGui::savedDevices()
{
    SimDevice sim;
    QVERIFY(sim.start({"--model", "RKA386QE"}));
    MainWindowDriver d;
    Ui_Uart_Network *page = d.window()->connectionPage;
    DevicePanel *panel = page->devicePanel;
    const QString link = QStringLiteral("tcp 127.0.0.1:%1").arg(sim.port());
    QVERIFY(d.type(page->ipEdit, "127.0.0.1") && d.type(page->portEdit, QString::number(sim.port())) &&
            d.type(page->maskEdit, "255.0.0.0"));

    // Save as… offers both links with what the page holds; the TCP one is saved under the name given.
    emit panel->saveAsMenu->aboutToShow();
    QCOMPARE(panel->saveAsMenu->actions().size(), 2);
    QCOMPARE(panel->saveAsMenu->actions()[0]->text(), link);
    answerName("Lobby");
    panel->saveAsMenu->actions()[0]->trigger();
    QCOMPARE(fileNames(), QStringList{"Lobby " + link + " "});
    QTreeWidgetItem *saved = panel->tree->topLevelItem(0);
    QCOMPARE(column(saved, 0), QStringList{"Lobby"});

    // Picking it fills the fields; a double-click connects, and the identified model is kept.
    QVERIFY(d.type(page->ipEdit, "10.9.9.9") && d.type(page->portEdit, "9"));
    const QModelIndex lobby = panel->tree->model()->index(0, 0, panel->tree->model()->index(0, 0));
    QTest::mouseClick(panel->tree->viewport(), Qt::LeftButton, {}, panel->tree->visualRect(lobby).center());
    QCOMPARE(page->ipEdit->text() + ':' + page->portEdit->text(), link.mid(4));
    doubleClick(panel->tree, lobby);
    QVERIFY(d.waitForSyncOver(1, SyncTimeoutMs));
    QCOMPARE(fileNames(), QStringList{"Lobby " + link + " RKA386QE"});
    QCOMPARE(column(panel->tree->topLevelItem(1), 1), QStringList{link});
    QCOMPARE(column(saved, 2), QStringList{"RKA386QE"});
    QVERIFY(d.click(page->networkConnectButton));

    // Rename and delete (after the operator confirms).
    panel->tree->setCurrentItem(panel->tree->topLevelItem(0)->child(0));
    answerName("Hall");
    QVERIFY(d.click(panel->renameButton));
    QCOMPARE(fileNames(), QStringList{"Hall " + link + " RKA386QE"});
    panel->tree->setCurrentItem(panel->tree->topLevelItem(0)->child(0));
    MessageBoxSeam::pushAnswer(true);
    QVERIFY(d.click(panel->deleteButton));
    QCOMPARE(MessageBoxSeam::texts().last(), QStringLiteral("Delete the saved device Hall?"));
    QCOMPARE(fileNames(), QStringList{});

    // A damaged file is told with its path and kept aside; the new list is saved apart from it.
    d.appDir.writeFile("/APP/ConfigFile/devices.json", "{\"format\": ");
    answerName("Rack");
    panel->saveAsMenu->actions()[0]->trigger();
    const QString message = MessageBoxSeam::texts().last();
    QVERIFY2(message.startsWith("The list of saved devices " + SavedDeviceFile::path()), qPrintable(message));
    const QString keptAs = message.section(" It was kept as ", 1).section(" and a new list", 0, 0);
    QCOMPARE(d.appDir.readFile(keptAs.mid(d.appDir.path().size())), QByteArray("{\"format\": "));
    QCOMPARE(fileNames(), QStringList{"Rack " + link + " "});
}

void TestDeviceListGui::discovery()
{
    std::vector<std::unique_ptr<SimDevice>> sims;
    quint16 port = 0;
    for (const QString device : {"127.0.0.254=RKA07QE", "127.0.0.5=RKA386QE", "127.0.0.77=TN386"}) {
        sims.push_back(std::make_unique<SimDevice>());
        QVERIFY(sims.back()->start({"--tcp", QStringLiteral("%1:%2").arg(device.section('=', 0, 0)).arg(port),
                                    "--model", device.section('=', 1)}));
        port = sims.back()->port();
    }
    MainWindowDriver d;
    DevicePanel *panel = d.window()->connectionPage->devicePanel;
    QVERIFY(d.click(panel->findButton));
    DiscoveryDialog *dialog = panel->discovery;
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    // Each setting of the search stands beside its caption.
    const QFormLayout *form = dialog->findChild<QFormLayout *>();
    for (QWidget *field : QList<QWidget *>{dialog->interfaceBox, dialog->rangeEdit, dialog->portEdit}) {
        const auto *caption = qobject_cast<QLabel *>(form->labelForField(field));
        QVERIFY(caption && !caption->text().isEmpty());
    }

    // The whole loopback subnet is too wide: the operator is asked for a narrower range.
    QVERIFY(d.type(dialog->rangeEdit, "127.0.0.1/8") && d.type(dialog->portEdit, QString::number(port)));
    QTest::mouseClick(dialog->startButton, Qt::LeftButton);
    QCOMPARE(MessageBoxSeam::texts().value(0),
             QStringLiteral("127.0.0.0/8 holds 16777216 addresses; at most 1024 are "
                            "searched. Please enter a narrower range, such as "
                            "127.0.0.0/24."));
    QCOMPARE(dialog->rangeEdit->text(), QStringLiteral("127.0.0.0/24"));
    QVERIFY(!dialog->sweep.isRunning());

    // Cancel stops a sweep at once.
    QTest::mouseClick(dialog->startButton, Qt::LeftButton);
    QVERIFY(dialog->sweep.isRunning() && dialog->cancelButton->isEnabled());
    QTest::mouseClick(dialog->cancelButton, Qt::LeftButton);
    QVERIFY(!dialog->sweep.isRunning() && dialog->sweep.openConnections() == 0 &&
            dialog->startButton->isEnabled());

    // The devices appear in address order with their port and model.
    QTest::mouseClick(dialog->startButton, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->sweep.isRunning(), 30000);
    QStringList rows;
    for (int row = 0; row < dialog->table->rowCount(); ++row)
        rows << dialog->table->item(row, 0)->text() + ' ' + dialog->table->item(row, 1)->text() + ' ' +
                    dialog->table->item(row, 2)->text();
    const QString p = QString::number(port);
    QCOMPARE(rows, (QStringList{"127.0.0.5 " + p + " RKA386QE", "127.0.0.77 " + p + " TN386",
                                "127.0.0.254 " + p + " RKA07QE"}));
    QCOMPARE(dialog->progress->value(), 254);
    QCOMPARE(dialog->progressLabel->text(), QStringLiteral("3 found, 254 of 254 addresses asked"));

    // A double-click connects to the device.
    doubleClick(dialog->table, dialog->table->model()->index(1, 0));
    QVERIFY(d.waitForSyncOver(1, SyncTimeoutMs));
    QVERIFY(!dialog->isVisible());
    QCOMPARE(State().config.SP_RemoteIp, QStringLiteral("127.0.0.77"));
}

void TestDeviceListGui::autoSpeed_data()
{
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QString>("said");
    QTest::newRow("found") << QStringList{} << " answers at 57600 baud";
    QTest::newRow("none") << QStringList{"--silent"}
                          << "No device answered on %1 at 9600, 115200, 57600, 38400 and 19200 baud.";
}

void TestDeviceListGui::autoSpeed()
{
    QFETCH(QStringList, faults);
    QFETCH(QString, said);
    SimDevice sim;
    QVERIFY(sim.start(QStringList{"--no-tcp", "--model", "TN386", "--baud", "57600"} + faults, true));
    MainWindowDriver d;
    Ui_Uart_Network *page = d.window()->connectionPage;
    QCOMPARE(page->baudBox->itemText(page->baudBox->count() - 1), QStringLiteral("Auto"));
    QVERIFY(d.type(page->portBox->lineEdit(), sim.ptyLink()) &&
            d.choose(page->baudBox, page->baudBox->count() - 1) && d.click(page->serialConnectButton));
    if (faults.isEmpty()) {
        QVERIFY(d.waitForSyncOver(1, SyncTimeoutMs));
        QCOMPARE(page->baudBox->currentText(), QStringLiteral("57600"));
        QCOMPARE(State().config.SP_BaudRate, QStringLiteral("57600"));
        QVERIFY(page->statusText->toPlainText().contains(sim.ptyLink() + said));
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT(MessageBoxSeam::texts(), QStringList{said.arg(sim.ptyLink())}, 10000);
    QCOMPARE(State().LinkType, quint32(LinkNone));
    QVERIFY(page->serialConnectButton->isEnabled() && page->baudBox->isEnabled());
}

QTEST_MAIN(TestDeviceListGui)
#include "tst_devicelist_gui.moc"
