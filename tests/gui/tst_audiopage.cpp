// Audio page: which controls each model shows and where, the source lists, the requests each control
// queues (told apart by object name), the volume limits, and the replies' effect on the widgets.

#include "config/AppState.h"
#include "core/TestAppDir.h"
#include "link/LinkChannel.h"
#include "pages/Ui_Audio.h"
#include "protocol/ValueTables.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QMutexLocker>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

QList<QByteArray> takeSent()
{
    LinkChannel &channel = TcpChannel();
    QMutexLocker locker(&channel.sendLock);
    QList<QByteArray> lines;
    for (const QueueEntry &entry : takeAllEntries(&channel.sendQueue))
        lines << entry.data;
    return lines;
}

void selectModel(quint8 model)
{
    State().CurrentModel = model;
    State().InputCount = Tables::inputCount(model);
}

QStringList itemTexts(const QComboBox *combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

// The flat state of the ten on/off buttons, in the order common mute, main, microphone 1, microphone 2,
// overall mute, as a string of 0 and 1.
QString flatStates(const Ui_Audio &page)
{
    QString states;
    for (const QPushButton *button :
         {page.commonMuteOn, page.commonMuteOff, page.mainOn, page.mainOff, page.micOn[0], page.micOff[0],
          page.micOn[1], page.micOff[1], page.overallMuteOn, page.overallMuteOff})
        states += button->isFlat() ? QLatin1Char('1') : QLatin1Char('0');
    return states;
}

// A sync step for the on/off test: which = -1 is SyncAudioMute (index), 0..2 SyncAudioSwitch (which, index).
struct SyncStep
{
    int which;
    int index;
};

} // namespace

using SyncSteps = QVector<SyncStep>;
Q_DECLARE_METATYPE(SyncSteps)

class TestAudioPage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void beforeIdentification();
    void modelLayout_data();
    void modelLayout();
    void renamedInputsKeepNewNames();
    void sourceCombo_data();
    void sourceCombo();
    void sourceComboWithForeignName();
    void volumeField_data();
    void volumeField();
    void buttons_data();
    void buttons();
    void buttonWithForeignName_data();
    void buttonWithForeignName();
    void onOffMarking_data();
    void onOffMarking();
    void valueSyncs_data();
    void valueSyncs();
    void readAll_data();
    void readAll();

private:
    std::unique_ptr<TestAppDir> appDir;
};

void TestAudioPage::init()
{
    appDir = std::make_unique<TestAppDir>();
    QVERIFY(appDir->isValid());
    State().LinkType = LinkTcpClient;
    takeSent();
}

void TestAudioPage::cleanup()
{
    takeSent();
    appDir.reset();
}

void TestAudioPage::beforeIdentification()
{
    Ui_Audio page;
    QCOMPARE(page.commonSourceCombo->count(), 0);
    QCOMPARE(page.mainSourceCombo->count(), 0);
    for (QWidget *container :
         {static_cast<QWidget *>(page.commonFrame), static_cast<QWidget *>(page.mainGroup),
          static_cast<QWidget *>(page.micGroup), static_cast<QWidget *>(page.overallGroup)})
        QVERIFY(container->isVisibleTo(&page));
    QCOMPARE(page.commonFrame->geometry(), QRect(4, 4, 392, 94));
    QCOMPARE(page.mainGroup->geometry(), QRect(400, 4, 392, 80));
    QCOMPARE(page.micGroup->geometry(), QRect(400, 88, 396, 140));
    QCOMPARE(page.overallGroup->geometry(), QRect(400, 232, 336, 80));
    QCOMPARE(page.readAllButton->geometry(), QRect(4, 108, 100, 26));
    QCOMPARE(page.readAllButton->text(), QStringLiteral("Read"));
    QVERIFY(page.commonVolumeField->text().isEmpty());
    QCOMPARE(page.commonVolumeField->toolTip(),
             State().text.STIPS_EnterKeyFinishInput + State().text.STIPS_VolumeVaildVaule_0_100);
    for (QLineEdit *field : {page.micVolumeField[0], page.micVolumeField[1], page.overallVolumeField})
        QCOMPARE(field->toolTip(),
                 State().text.STIPS_EnterKeyFinishInput + State().text.STIPS_VolumeVaildVaule_0_50);
    QVERIFY(takeSent().isEmpty());
}

void TestAudioPage::modelLayout_data()
{
    QTest::addColumn<quint8>("model");
    QTest::addColumn<QStringList>("items");

    const QStringList in5{"IN-1", "IN-2", "IN-3", "IN-4", "IN-5"};
    const QStringList in9 = in5 + QStringList{"IN-6", "IN-7", "IN-8", "IN-9"};
    QTest::newRow("RKA204QE") << quint8(ModelRKA204QE) << QStringList{"Window-1"} + in5;
    QTest::newRow("RKA07QE") << quint8(ModelRKA07QE) << QStringList{"Window-1"} + in5.mid(0, 4);
    QTest::newRow("RKA386QE") << quint8(ModelRKA386QE)
                              << QStringList{"Window-1"} + in9 + QStringList{"WIN-KVM"};
    QTest::newRow("TN386") << quint8(ModelTN386)
                           << QStringList{"Window-1"} + in9 + QStringList{"LR1", "LR2", "LR3", "LR4"};
    QTest::newRow("TN204E") << quint8(ModelTN204E) << QStringList{"Window-1"} + in5;
}

void TestAudioPage::modelLayout()
{
    QFETCH(quint8, model);
    QFETCH(QStringList, items);

    Ui_Audio page;
    // Start from the other layout so that the model switch has to move and hide the containers.
    selectModel(model == ModelTN386 ? ModelRKA204QE : ModelTN386);
    page.ApplyModel();
    selectModel(model);
    page.ApplyModel();

    const bool tn386 = model == ModelTN386;
    QComboBox *shown = tn386 ? page.mainSourceCombo : page.commonSourceCombo;
    QCOMPARE(itemTexts(shown), items);
    QCOMPARE(items.size(), Tables::audioSources(model).count);
    QCOMPARE(shown->currentIndex(), 0);

    QCOMPARE(page.commonFrame->isVisibleTo(&page), !tn386);
    QCOMPARE(page.mainGroup->isVisibleTo(&page), tn386);
    QCOMPARE(page.micGroup->isVisibleTo(&page), tn386);
    QCOMPARE(page.overallGroup->isVisibleTo(&page), tn386);
    if (tn386) {
        QCOMPARE(page.mainGroup->geometry(), QRect(4, 4, 392, 80));
        QCOMPARE(page.micGroup->geometry(), QRect(4, 88, 396, 140));
        QCOMPARE(page.overallGroup->geometry(), QRect(4, 232, 336, 80));
        QCOMPARE(page.readAllButton->geometry(), QRect(4, 322, 100, 26));
    } else {
        QCOMPARE(page.commonFrame->geometry(), QRect(4, 4, 392, 94));
        QCOMPARE(page.mainGroup->geometry(), QRect(400, 4, 392, 80));
        QCOMPARE(page.micGroup->geometry(), QRect(400, 88, 396, 140));
        QCOMPARE(page.readAllButton->geometry(), QRect(4, 108, 100, 26));
    }
    QVERIFY(takeSent().isEmpty());
}

void TestAudioPage::renamedInputsKeepNewNames()
{
    Ui_Audio page;
    selectModel(ModelRKA07QE);
    page.ApplyModel();
    page.commonSourceCombo->setCurrentIndex(3);

    // The operator renamed two inputs on the Multiview page; the main window then reloads this page's texts.
    State().text.S_InputSource_Name[0] = QStringLiteral("Camera");
    State().text.S_InputSource_Name[3] = QStringLiteral("Laptop");
    page.ReloadUIText(false, false);

    QCOMPARE(itemTexts(page.commonSourceCombo),
             (QStringList{"Window-1", "Camera", "IN-2", "IN-3", "Laptop"}));
    QCOMPARE(page.commonSourceCombo->currentIndex(), 0);
    QVERIFY(takeSent().isEmpty());
}

void TestAudioPage::sourceCombo_data()
{
    QTest::addColumn<quint8>("model");
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("RKA204QE window") << quint8(ModelRKA204QE) << 0 << QByteArray("SET AUDIO SOURCE WIN1\r");
    QTest::newRow("RKA204QE last") << quint8(ModelRKA204QE) << 5 << QByteArray("SET AUDIO SOURCE USB-C\r");
    QTest::newRow("RKA07QE last") << quint8(ModelRKA07QE) << 4 << QByteArray("SET AUDIO SOURCE HDMI4\r");
    QTest::newRow("RKA386QE expand") << quint8(ModelRKA386QE) << 10
                                     << QByteArray("SET AUDIO SOURCE WIN-KVM\r");
    QTest::newRow("TN386 DP") << quint8(ModelTN386) << 8 << QByteArray("SET AUDIO SOURCE DP\r");
    QTest::newRow("TN386 expand") << quint8(ModelTN386) << 13 << QByteArray("SET AUDIO SOURCE LR4\r");
    QTest::newRow("TN204E DP") << quint8(ModelTN204E) << 4 << QByteArray("SET AUDIO SOURCE DP\r");
}

void TestAudioPage::sourceCombo()
{
    QFETCH(quint8, model);
    QFETCH(int, index);
    QFETCH(QByteArray, line);

    Ui_Audio page;
    selectModel(model);
    page.ApplyModel();
    const QString comboName = model == ModelTN386 ? "Main-AudioSource" : "Common-AudioSource";
    auto *combo = page.findChild<QComboBox *>(comboName);
    QVERIFY(combo);
    QVERIFY(index < combo->count());

    QSignalSpy updates(&page, &Ui_Audio::SGL_UpdateEmit);
    emit combo->activated(index);
    QCOMPARE(takeSent(), QList<QByteArray>{line});
    QCOMPARE(updates.count(), 1);

    // A reply selects the item without sending anything back.
    page.SyncAudioSource(index);
    QCOMPARE(combo->currentIndex(), index);
    QVERIFY(takeSent().isEmpty());
}

void TestAudioPage::sourceComboWithForeignName()
{
    Ui_Audio page;
    selectModel(ModelRKA204QE);
    page.ApplyModel();
    page.commonSourceCombo->setObjectName(QStringLiteral("Other-AudioSource"));
    QSignalSpy updates(&page, &Ui_Audio::SGL_UpdateEmit);
    emit page.commonSourceCombo->activated(1);
    QVERIFY(takeSent().isEmpty());
    QCOMPARE(updates.count(), 0);
}

void TestAudioPage::volumeField_data()
{
    QTest::addColumn<quint8>("model");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<QByteArray>>("lines");

    const QList<QByteArray> none;
    QTest::newRow("common 60") << quint8(ModelRKA204QE) << "Common-VolumeValue"
                               << "60" << QList<QByteArray>{"SET AUDIO VOL 60\r"};
    QTest::newRow("common 100") << quint8(ModelRKA386QE) << "Common-VolumeValue"
                                << "100" << QList<QByteArray>{"SET AUDIO VOL 100\r"};
    QTest::newRow("common 101") << quint8(ModelRKA204QE) << "Common-VolumeValue"
                                << "101" << none;
    QTest::newRow("common 0") << quint8(ModelTN204E) << "Common-VolumeValue"
                              << "0" << QList<QByteArray>{"SET AUDIO VOL 0\r"};
    QTest::newRow("common empty") << quint8(ModelRKA204QE) << "Common-VolumeValue"
                                  << "" << none;
    QTest::newRow("common letters") << quint8(ModelRKA204QE) << "Common-VolumeValue"
                                    << "loud" << none;
    QTest::newRow("common mixed") << quint8(ModelRKA204QE) << "Common-VolumeValue"
                                  << "3x" << none;
    QTest::newRow("common negative") << quint8(ModelRKA204QE) << "Common-VolumeValue"
                                     << "-5" << none;
    QTest::newRow("common huge") << quint8(ModelRKA204QE) << "Common-VolumeValue"
                                 << "4294967295" << none;
    QTest::newRow("overall 50") << quint8(ModelTN386) << "Overall-VolumeValue"
                                << "50" << QList<QByteArray>{"SET AUDIO VOL 50\r"};
    QTest::newRow("overall 60 on TN386") << quint8(ModelTN386) << "Overall-VolumeValue"
                                         << "60" << none;
    QTest::newRow("overall empty") << quint8(ModelTN386) << "Overall-VolumeValue"
                                   << "" << none;
    QTest::newRow("mic1 50") << quint8(ModelTN386) << "Microphone1-VolumeValue"
                             << "50" << QList<QByteArray>{"SET MIC1 VOL 50\r"};
    QTest::newRow("mic1 51") << quint8(ModelTN386) << "Microphone1-VolumeValue"
                             << "51" << none;
    QTest::newRow("mic2 7") << quint8(ModelTN386) << "Microphone2-VolumeValue"
                            << "7" << QList<QByteArray>{"SET MIC2 VOL 7\r"};
    QTest::newRow("mic2 0") << quint8(ModelTN386) << "Microphone2-VolumeValue"
                            << "0" << QList<QByteArray>{"SET MIC2 VOL 0\r"};
    QTest::newRow("mic2 51") << quint8(ModelTN386) << "Microphone2-VolumeValue"
                             << "51" << none;
    QTest::newRow("mic2 letters") << quint8(ModelTN386) << "Microphone2-VolumeValue"
                                  << "abc" << none;
}

void TestAudioPage::volumeField()
{
    QFETCH(quint8, model);
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QList<QByteArray>, lines);

    Ui_Audio page;
    selectModel(model);
    page.ApplyModel();
    auto *edit = page.findChild<QLineEdit *>(field);
    QVERIFY(edit);

    edit->setText(text);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(takeSent(), lines);
    // The field keeps what was typed, sent or not.
    QCOMPARE(edit->text(), text);
}

void TestAudioPage::buttons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("Common-Volume-0") << "Common-Volume-0" << QByteArray("SET AUDIO VOL-\r");
    QTest::newRow("Common-Volume-1") << "Common-Volume-1" << QByteArray("SET AUDIO VOL+\r");
    QTest::newRow("Overall-Volume-0") << "Overall-Volume-0" << QByteArray("SET AUDIO VOL-\r");
    QTest::newRow("Overall-Volume-1") << "Overall-Volume-1" << QByteArray("SET AUDIO VOL+\r");
    QTest::newRow("Microphone1-Volume-0") << "Microphone1-Volume-0" << QByteArray("SET MIC1 VOL-\r");
    QTest::newRow("Microphone1-Volume-1") << "Microphone1-Volume-1" << QByteArray("SET MIC1 VOL+\r");
    QTest::newRow("Microphone2-Volume-0") << "Microphone2-Volume-0" << QByteArray("SET MIC2 VOL-\r");
    QTest::newRow("Microphone2-Volume-1") << "Microphone2-Volume-1" << QByteArray("SET MIC2 VOL+\r");
    QTest::newRow("Common-AudioMute-0") << "Common-AudioMute-0" << QByteArray("SET AUDIO-MUTE ON\r");
    QTest::newRow("Common-AudioMute-1") << "Common-AudioMute-1" << QByteArray("SET AUDIO-MUTE OFF\r");
    QTest::newRow("Overall-AudioMute-0") << "Overall-AudioMute-0" << QByteArray("SET AUDIO-MUTE ON\r");
    QTest::newRow("Overall-AudioMute-1") << "Overall-AudioMute-1" << QByteArray("SET AUDIO-MUTE OFF\r");
    QTest::newRow("Main-AudioMute-0") << "Main-AudioMute-0" << QByteArray("SET MAIN-AUDIO ONOFF ON\r");
    QTest::newRow("Main-AudioMute-1") << "Main-AudioMute-1" << QByteArray("SET MAIN-AUDIO ONOFF OFF\r");
    QTest::newRow("Microphone1-AudioMute-0")
        << "Microphone1-AudioMute-0" << QByteArray("SET MIC1 ONOFF ON\r");
    QTest::newRow("Microphone1-AudioMute-1")
        << "Microphone1-AudioMute-1" << QByteArray("SET MIC1 ONOFF OFF\r");
    QTest::newRow("Microphone2-AudioMute-0")
        << "Microphone2-AudioMute-0" << QByteArray("SET MIC2 ONOFF ON\r");
    QTest::newRow("Microphone2-AudioMute-1")
        << "Microphone2-AudioMute-1" << QByteArray("SET MIC2 ONOFF OFF\r");
}

void TestAudioPage::buttons()
{
    QFETCH(QString, button);
    QFETCH(QByteArray, line);

    Ui_Audio page;
    selectModel(ModelTN386);
    page.ApplyModel();
    auto *pushButton = page.findChild<QPushButton *>(button);
    QVERIFY(pushButton);

    QSignalSpy updates(&page, &Ui_Audio::SGL_UpdateEmit);
    pushButton->click();
    QCOMPARE(takeSent(), QList<QByteArray>{line});
    QCOMPARE(updates.count(), 1);
    // Only a reply marks the state.
    QVERIFY(!pushButton->isFlat());
}

void TestAudioPage::buttonWithForeignName_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("updates");

    QTest::newRow("volume digit 2") << "Common-Volume-1"
                                    << "Common-Volume-2" << 1;
    QTest::newRow("volume other prefix") << "Overall-Volume-0"
                                         << "Master-Volume-0" << 0;
    QTest::newRow("mic volume other prefix") << "Microphone1-Volume-0"
                                             << "Microphone3-Volume-0" << 0;
    QTest::newRow("mute digit 2") << "Main-AudioMute-1"
                                  << "Main-AudioMute-2" << 0;
    QTest::newRow("mute other prefix") << "Microphone2-AudioMute-0"
                                       << "Microphone3-AudioMute-0" << 0;
}

void TestAudioPage::buttonWithForeignName()
{
    QFETCH(QString, button);
    QFETCH(QString, name);
    QFETCH(int, updates);

    Ui_Audio page;
    selectModel(ModelTN386);
    page.ApplyModel();
    auto *pushButton = page.findChild<QPushButton *>(button);
    QVERIFY(pushButton);
    pushButton->setObjectName(name);

    QSignalSpy spy(&page, &Ui_Audio::SGL_UpdateEmit);
    pushButton->click();
    QVERIFY(takeSent().isEmpty());
    QCOMPARE(spy.count(), updates);
}

void TestAudioPage::onOffMarking_data()
{
    QTest::addColumn<quint8>("model");
    QTest::addColumn<SyncSteps>("steps");
    QTest::addColumn<QString>("flat");

    // Order of the flags: common on/off, main on/off, mic 1 on/off, mic 2 on/off, overall on/off.
    QTest::newRow("common mute on") << quint8(ModelRKA204QE) << SyncSteps{{-1, 0}} << "1000000000";
    QTest::newRow("common mute off") << quint8(ModelTN204E) << SyncSteps{{-1, 1}} << "0100000000";
    QTest::newRow("common mute on then off")
        << quint8(ModelRKA07QE) << SyncSteps{{-1, 0}, {-1, 1}} << "0100000000";
    QTest::newRow("common mute index 2")
        << quint8(ModelRKA386QE) << SyncSteps{{-1, 0}, {-1, 2}} << "1000000000";
    QTest::newRow("overall mute on") << quint8(ModelTN386) << SyncSteps{{-1, 0}} << "0000000010";
    QTest::newRow("overall mute off then on")
        << quint8(ModelTN386) << SyncSteps{{-1, 1}, {-1, 0}} << "0000000010";
    QTest::newRow("main on") << quint8(ModelTN386) << SyncSteps{{0, 0}} << "0010000000";
    QTest::newRow("main off") << quint8(ModelTN386) << SyncSteps{{0, 0}, {0, 1}} << "0001000000";
    QTest::newRow("mic1 off") << quint8(ModelTN386) << SyncSteps{{1, 1}} << "0000010000";
    QTest::newRow("mic2 on") << quint8(ModelTN386) << SyncSteps{{2, 1}, {2, 0}} << "0000001000";
    QTest::newRow("all rows") << quint8(ModelTN386) << SyncSteps{{0, 1}, {1, 0}, {2, 1}, {-1, 1}}
                              << "0001100101";
    QTest::newRow("switch index 2") << quint8(ModelTN386) << SyncSteps{{1, 0}, {1, 2}} << "0000100000";
    QTest::newRow("switch row 3") << quint8(ModelTN386) << SyncSteps{{3, 0}} << "0000000000";
    QTest::newRow("switch on RKA204QE")
        << quint8(ModelRKA204QE) << SyncSteps{{0, 0}, {1, 1}, {2, 0}} << "0000000000";
    QTest::newRow("switch on TN204E") << quint8(ModelTN204E) << SyncSteps{{1, 0}} << "0000000000";
}

void TestAudioPage::onOffMarking()
{
    QFETCH(quint8, model);
    QFETCH(SyncSteps, steps);
    QFETCH(QString, flat);

    Ui_Audio page;
    selectModel(model);
    page.ApplyModel();
    QSignalSpy updates(&page, &Ui_Audio::SGL_UpdateEmit);
    for (const SyncStep &step : steps) {
        if (step.which < 0)
            page.SyncAudioMute(step.index);
        else
            page.SyncAudioSwitch(step.which, step.index);
    }
    QCOMPARE(flatStates(page), flat);
    QVERIFY(takeSent().isEmpty());
    QCOMPARE(updates.count(), 0);
}

void TestAudioPage::valueSyncs_data()
{
    QTest::addColumn<quint8>("model");
    QTest::addColumn<QStringList>("fields"); // common, mic 1, mic 2, overall

    QTest::newRow("RKA204QE") << quint8(ModelRKA204QE) << QStringList{"42", "7", "", ""};
    QTest::newRow("TN386") << quint8(ModelTN386) << QStringList{"", "7", "", "42"};
}

void TestAudioPage::valueSyncs()
{
    QFETCH(quint8, model);
    QFETCH(QStringList, fields);

    Ui_Audio page;
    selectModel(model);
    page.ApplyModel();
    page.commonVolumeField->setText(QStringLiteral("typed"));
    page.overallVolumeField->setText(QStringLiteral("typed"));
    const QString untouched = QStringLiteral("typed");

    page.SyncVolume(42);
    page.SyncMicVolume(0, 7);
    page.SyncMicVolume(2, 9);
    page.SyncMicVolume(-1, 9);

    const auto expect = [&](const QString &value) { return value.isEmpty() ? untouched : value; };
    QCOMPARE(page.commonVolumeField->text(), expect(fields[0]));
    QCOMPARE(page.micVolumeField[0]->text(), fields[1]);
    QCOMPARE(page.micVolumeField[1]->text(), fields[2]);
    QCOMPARE(page.overallVolumeField->text(), expect(fields[3]));
    QVERIFY(takeSent().isEmpty());
}

void TestAudioPage::readAll_data()
{
    QTest::addColumn<quint8>("model");
    QTest::addColumn<QList<QByteArray>>("lines");

    const QList<QByteArray> common{"GET AUDIO SOURCE\r", "GET AUDIO VOL\r", "GET AUDIO-MUTE\r"};
    QTest::newRow("RKA204QE") << quint8(ModelRKA204QE) << common;
    QTest::newRow("RKA07QE") << quint8(ModelRKA07QE) << common;
    QTest::newRow("RKA386QE") << quint8(ModelRKA386QE) << common;
    QTest::newRow("TN204E") << quint8(ModelTN204E) << common;
    QTest::newRow("TN386") << quint8(ModelTN386)
                           << common + QList<QByteArray>{"GET MAIN-AUDIO ONOFF\r", "GET MIC1 ONOFF\r",
                                                         "GET MIC1 VOL\r", "GET MIC2 ONOFF\r",
                                                         "GET MIC2 VOL\r"};
}

void TestAudioPage::readAll()
{
    QFETCH(quint8, model);
    QFETCH(QList<QByteArray>, lines);

    Ui_Audio page;
    selectModel(model);
    page.ApplyModel();
    QSignalSpy updates(&page, &Ui_Audio::SGL_UpdateEmit);
    page.readAllButton->click();
    QCOMPARE(takeSent(), lines);
    QCOMPARE(updates.count(), 1);

    // A language change reloads the texts and reads everything again.
    page.ReloadUIText(false, true);
    QCOMPARE(takeSent(), lines);
    QCOMPARE(updates.count(), 2);
}

QTEST_MAIN(TestAudioPage)
#include "tst_audiopage.moc"
