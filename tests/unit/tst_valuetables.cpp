// Model and value tables: per-model lists and properties, the index of each wire word, and the reply
// keyword list.

#include "protocol/ReplyKeywords.h"
#include "protocol/ValueTables.h"

#include <QtTest>

Q_DECLARE_METATYPE(const WordList *)

namespace {
QStringList split(const char *words)
{
    return QString::fromLatin1(words).split(' ');
}
} // namespace

class TestValueTables : public QObject
{
    Q_OBJECT

private slots:
    void perModel_data()
    {
        QTest::addColumn<quint32>("model");
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<QStringList>("audio");
        QTest::addColumn<int>("volumeLimit");
        QTest::addColumn<QList<int>>("firmwareParts");
        QTest::addColumn<bool>("network");
        QTest::addColumn<bool>("fourKAuto");
        QTest::newRow("RKA204QE") << 0u << split("HDMI1 HDMI2 HDMI3 HDMI4 USB-C")
                                  << split("WIN1 HDMI1 HDMI2 HDMI3 HDMI4 USB-C") << 100 << QList<int>{0, 1, 2}
                                  << true << true;
        QTest::newRow("RKA07QE") << 1u << split("HDMI1 HDMI2 HDMI3 HDMI4")
                                 << split("WIN1 HDMI1 HDMI2 HDMI3 HDMI4") << 100 << QList<int>{0, 1} << false
                                 << false;
        QTest::newRow("RKA386QE") << 2u << split("HDMI1 HDMI2 HDMI3 HDMI4 HDMI5 HDMI6 HDMI7 DP USB-C")
                                  << split("WIN1 HDMI1 HDMI2 HDMI3 HDMI4 HDMI5 HDMI6 HDMI7 DP USB-C WIN-KVM")
                                  << 100 << QList<int>{0, 1, 2, 3} << true << true;
        QTest::newRow("TN386")
            << 3u << split("HDMI1 HDMI2 HDMI3 HDMI4 HDMI5 HDMI6 HDMI7 DP USB-C")
            << split("WIN1 HDMI1 HDMI2 HDMI3 HDMI4 HDMI5 HDMI6 HDMI7 DP USB-C LR1 LR2 LR3 LR4") << 50
            << QList<int>{0, 1, 3} << true << true;
        QTest::newRow("TN204E") << 4u << split("HDMI1 HDMI2 HDMI3 DP USB-C")
                                << split("WIN1 HDMI1 HDMI2 HDMI3 DP USB-C") << 100 << QList<int>{0, 1}
                                << false << true;
    }

    void perModel()
    {
        QFETCH(quint32, model);
        QFETCH(QStringList, inputs);
        QFETCH(QStringList, audio);
        QFETCH(int, volumeLimit);
        QFETCH(QList<int>, firmwareParts);
        QFETCH(bool, network);
        QFETCH(bool, fourKAuto);
        QCOMPARE(Tables::inputSources(model).toStringList(), inputs);
        QCOMPARE(Tables::audioSources(model).toStringList(), audio);
        QCOMPARE(Tables::inputCount(model), quint32(inputs.size()));
        QCOMPARE(Tables::volumeLimit(model), volumeLimit);
        QCOMPARE(Tables::firmwareParts(model), firmwareParts);
        QCOMPARE(Tables::hasNetworkSettings(model), network);
        QCOMPARE(Tables::has4KAuto(model), fourKAuto);
        QCOMPARE(Tables::Models.at(model), QByteArray(QTest::currentDataTag()));
        QVERIFY(!Tables::inputSources(model).contains(quint32(inputs.size())));
        QVERIFY(Tables::inputSources(model).at(quint32(inputs.size())).isEmpty());
        QCOMPARE(Tables::inputSources(model).indexOf("WIN1"), -1);
    }

    void noModelHasNoLists()
    {
        QCOMPARE(Tables::inputSources(5).count, 0);
        QCOMPARE(Tables::audioSources(5).count, 0);
        QCOMPARE(Tables::inputCount(5), 0u);
        QVERIFY(Tables::audioSources(5).at(0).isEmpty());
        QVERIFY(Tables::firmwareParts(5).isEmpty());
    }

    void wordAtIndex_data()
    {
        QTest::addColumn<const WordList *>("list");
        QTest::addColumn<int>("count");
        QTest::addColumn<quint32>("index");
        QTest::addColumn<QByteArray>("word");
        QTest::newRow("on/off") << &Tables::OnOff << 2 << 1u << QByteArray("OFF");
        QTest::newRow("window") << &Tables::WindowNames << 4 << 3u << QByteArray("WINDOW4");
        QTest::newRow("model") << &Tables::Models << 5 << 3u << QByteArray("TN386");
        QTest::newRow("resolution 7") << &Tables::OutputResolutions << 16 << 7u << QByteArray("1920x1080p60");
        QTest::newRow("resolution USER") << &Tables::OutputResolutions << 16 << 15u << QByteArray("USER");
        QTest::newRow("hdcp") << &Tables::HdcpModes << 3 << 2u << QByteArray("FORCE-OFF");
        QTest::newRow("vka") << &Tables::VkaModes << 2 << 1u << QByteArray("BLACKSCREEN");
        QTest::newRow("layout") << &Tables::MultiviewModes << 5 << 3u << QByteArray("3xWIN");
        QTest::newRow("pip position USER") << &Tables::PipPositions << 5 << 4u << QByteArray("USER");
        QTest::newRow("pip size USER") << &Tables::PipSizes << 4 << 3u << QByteArray("USER");
        QTest::newRow("aspect") << &Tables::Aspects << 2 << 1u << QByteArray("16:9");
        QTest::newRow("edid 8") << &Tables::EdidModes << 19 << 8u << QByteArray("1080p60-7.1");
        QTest::newRow("edid USER") << &Tables::EdidModes << 19 << 18u << QByteArray("USER");
        QTest::newRow("edid display User") << &Tables::EdidModeDisplay << 19 << 18u << QByteArray("User");
        QTest::newRow("hdcp display") << &Tables::HdcpDisplay << 3 << 2u << QByteArray("Force-Off");
        QTest::newRow("baud rate") << &Tables::BaudRates << 5 << 4u << QByteArray("115200");
    }

    void wordAtIndex()
    {
        QFETCH(const WordList *, list);
        QFETCH(int, count);
        QFETCH(quint32, index);
        QFETCH(QByteArray, word);
        QCOMPARE(list->count, count);
        QCOMPARE(list->at(index), word);
        QCOMPARE(list->indexOf(word), int(index));
        QVERIFY(list->at(quint32(count)).isEmpty());
        QVERIFY(!list->contains(quint32(count)));
    }

    void replyKeywords()
    {
        QCOMPARE(Tables::ReplyKeywords.count, 73);
        QCOMPARE(Tables::SearchedReplyKeywords, 72);
        QCOMPARE(Tables::ReplyKeywords.at(KwNull), QByteArray("NULL"));
        QCOMPARE(int(KwNull), 72);
        QCOMPARE(Tables::ReplyKeywords.at(KwHelp), QByteArray("HELP"));
        QCOMPARE(Tables::ReplyKeywords.at(KwOutHdcp), QByteArray("OUT HDCP"));
        QCOMPARE(Tables::ReplyKeywords.at(KwMic2OnOff), QByteArray("MIC2 ONOFF"));
        QCOMPARE(Tables::ReplyKeywords.at(KwEdidUser), QByteArray("EDID-USER"));
        QCOMPARE(Tables::ReplyKeywords.at(KwResoUser), QByteArray("RESO-USER"));
        QCOMPARE(QByteArray(Tables::EmptyWindow), QByteArray("NULL"));
        QStringList all = Tables::ReplyKeywords.toStringList();
        QCOMPARE(all.removeDuplicates(), 0);
    }
};

QTEST_GUILESS_MAIN(TestValueTables)
#include "tst_valuetables.moc"
