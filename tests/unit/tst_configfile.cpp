// config.ini and the language files on disk: first start, the reader's tolerance, the language fallbacks,
// which files a save touches, the single exit save and saves that are cut off before they complete.

#include "config/AppState.h"
#include "config/AppPaths.h"
#include "config/AtomicFile.h"
#include "config/ConfigFile.h"
#include "config/KeyTables.h"
#include "core/TestAppDir.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QtTest>

using Values = QMap<QString, QString>;
Q_DECLARE_METATYPE(Values)

namespace {

const QByteArray defaultConfig = "Key_LanguageIsEnglish=1\r\n"
                                 "Key_UI_Login=1\r\n"
                                 "Key_UI_Output=1\r\n"
                                 "Key_UI_Multiview=1\r\n"
                                 "Key_UI_Audio=1\r\n"
                                 "Key_UI_System=1\r\n"
                                 "Spassword_Admin=583029\r\n"
                                 "Spassword_User=583029\r\n"
                                 "SP_Name=COM1\r\n"
                                 "SP_BaudRate=9600\r\n"
                                 "SP_DataBit=8\r\n"
                                 "SP_Parity=0\r\n"
                                 "SP_StopBit=1\r\n"
                                 "SP_FlowControl=0\r\n"
                                 "SP_RemoteIp=192.168.0.247\r\n"
                                 "SP_RemotePort=2000\r\n"
                                 "SP_RemoteSubmask=255.255.255.0\r\n"
                                 "SP_RemoteGateway=192.168.0.1\r\n";

// A config.ini in table order whose values, the language flag aside, differ from the defaults.
const QList<QByteArray> editedConfigLines = {
    "Key_LanguageIsEnglish=1",
    "Key_UI_Login=0",
    "Key_UI_Output=0",
    "Key_UI_Multiview=0",
    "Key_UI_Audio=0",
    "Key_UI_System=0",
    "Spassword_Admin=111111",
    "Spassword_User=135790",
    "SP_Name=/dev/ttyUSB3",
    "SP_BaudRate=115200",
    "SP_DataBit=7",
    "SP_Parity=2",
    "SP_StopBit=2",
    "SP_FlowControl=1",
    "SP_RemoteIp=192.168.7.7",
    "SP_RemotePort=5000",
    "SP_RemoteSubmask=255.255.0.0",
    "SP_RemoteGateway=192.168.7.1",
};

QByteArray crlfJoined(const QList<QByteArray> &lines)
{
    QByteArray bytes;
    for (const QByteArray &line : lines)
        bytes += line + "\r\n";
    return bytes;
}

QString *boundString(const QString &key)
{
    for (const QVector<KeyBinding> *table : {&configKeyTable(), &languageKeyTable()}) {
        for (const KeyBinding &row : *table) {
            if (key == QLatin1String(row.key))
                return row.value;
        }
    }
    return nullptr;
}

void assign(const Values &values)
{
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        QString *target = boundString(it.key());
        QVERIFY2(target, qPrintable(it.key()));
        *target = it.value();
    }
}

void compareValues(const Values &expected)
{
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        const QString *actual = boundString(it.key());
        QVERIFY2(actual, qPrintable(it.key()));
        QVERIFY2(
            *actual == it.value(),
            qPrintable(QStringLiteral("%1: got \"%2\", expected \"%3\"").arg(it.key(), *actual, it.value())));
    }
}

QList<QByteArray> crlfLines(const QByteArray &bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Every line ends in CR LF and there are `count` of them.
void verifyCrlfFile(const QByteArray &bytes, int count)
{
    QVERIFY(bytes.endsWith("\r\n"));
    const QList<QByteArray> lines = crlfLines(bytes);
    QCOMPARE(lines.size(), count);
    for (const QByteArray &line : lines) {
        QVERIFY2(line.endsWith('\r'), line.constData());
        QVERIFY2(line.indexOf('\r') == line.size() - 1, line.constData());
    }
}

const QString configRel = QStringLiteral("/APP/ConfigFile/config.ini");
const QString englishRel = QStringLiteral("/APP/ConfigFile/language-English.ini");
const QString otherRel = QStringLiteral("/APP/ConfigFile/language-Other.ini");

} // namespace

class TestConfigFile : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void firstStartWritesDefaultFiles();
    void laterStartReadsExistingFile();
    void readsConfigValues_data();
    void readsConfigValues();
    void readsLanguageTexts();
    void rowsFindTheirLineByKey_data();
    void rowsFindTheirLineByKey();
    void otherPathsAreNeitherReadNorWritten();
    void saveReplacesWholeFile();
    void flaggedLanguageMissingFallsBackToOther_data();
    void flaggedLanguageMissingFallsBackToOther();
    void noLanguageFileResetsFlag();
    void missingConfigLoadsNothing_data();
    void missingConfigLoadsNothing();
    void languageOnlyKeepsSettings();
    void saveWritesOnlyCurrentLanguage_data();
    void saveWritesOnlyCurrentLanguage();
    void exitSaveWritesOnce();
    void interruptedSaveKeepsOldFiles_data();
    void interruptedSaveKeepsOldFiles();
};

void TestConfigFile::cleanup()
{
    setAtomicCommitGate(nullptr);
}

void TestConfigFile::firstStartWritesDefaultFiles()
{
    TestAppDir app;
    QVERIFY(app.isValid());
    QVERIFY(!QDir(app.file(QStringLiteral("/APP"))).exists());

    QCOMPARE(Config_LoadOrCreate(), false);

    QVERIFY(QDir(app.file(QStringLiteral("/APP/ConfigFile"))).exists());
    const QByteArray config = app.readFile(configRel);
    verifyCrlfFile(config, 18);
    QCOMPARE(config, defaultConfig);
    QCOMPARE(crlfLines(config).at(6), QByteArray("Spassword_Admin=583029\r"));

    const QByteArray english = app.readFile(englishRel);
    verifyCrlfFile(english, 184);
    QVERIFY(!english.startsWith("\xEF\xBB\xBF"));
    const QList<QByteArray> lines = crlfLines(english);
    for (int i = 0; i < lines.size(); ++i) {
        const KeyBinding &row = languageKeyTable().at(i);
        QCOMPARE(lines.at(i), QByteArray(row.key) + '=' + QByteArray(row.builtIn) + '\r');
    }
    QCOMPARE(lines.at(0), QByteArray("S_OnOff[0]=On\r"));
    QCOMPARE(lines.at(29), QByteArray("Ui_Login_AppName= UserLogin\r"));
    QCOMPARE(lines.at(30), QByteArray("Slabel_Language=Language/\xE8\xAF\xAD\xE8\xA8\x80:\r"));
    QCOMPARE(lines.at(45), QByteArray("ScomboBox_LanguageSelect[1]=\xE4\xB8\xAD\xE6\x96\x87\r"));
    QCOMPARE(lines.at(141), QByteArray("Slabel_WINDOW_SOURCE=Window\\Source\r"));
    QCOMPARE(lines.at(183), QByteArray("SMSG_EdidWriteOk=EDID Write Success.\r"));

    QVERIFY(!QFile::exists(app.file(otherRel)));
    QCOMPARE(QDir(app.file(QStringLiteral("/APP/ConfigFile")))
                 .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList({QStringLiteral("config.ini"), QStringLiteral("language-English.ini")}));
}

void TestConfigFile::laterStartReadsExistingFile()
{
    TestAppDir app;
    QCOMPARE(Config_LoadOrCreate(), false);
    QByteArray config = app.readFile(configRel);
    config.replace("Spassword_User=583029", "Spassword_User=246810");
    app.writeFile(configRel, config);
    QByteArray english = app.readFile(englishRel);
    english.replace("S_OnOff[0]=On\r\n", "S_OnOff[0]=Ein\r\n");
    app.writeFile(englishRel, english);
    resetAppState();

    QCOMPARE(Config_LoadOrCreate(), true);

    QCOMPARE(State().config.Spassword_User, QStringLiteral("246810"));
    QCOMPARE(State().text.S_OnOff[0], QStringLiteral("Ein"));
    QCOMPARE(app.readFile(configRel), config);
    QCOMPARE(app.readFile(englishRel), english);
}

void TestConfigFile::readsConfigValues_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<Values>("expected");

    QByteArray withEquals = defaultConfig;
    withEquals.replace("SP_RemoteIp=192.168.0.247", "SP_RemoteIp=192.168.0.9=extra=");
    QTest::newRow("value keeps everything after the first =")
        << withEquals << Values{{"SP_RemoteIp", "192.168.0.9=extra="}, {"SP_RemotePort", "2000"}};

    QByteArray unterminated = defaultConfig;
    unterminated.replace("SP_RemoteGateway=192.168.0.1\r\n", "SP_RemoteGateway=192.168.5.1");
    QTest::newRow("last line without terminator is taken whole")
        << unterminated << Values{{"SP_RemoteGateway", "192.168.5.1"}};

    QByteArray blank = defaultConfig;
    blank.replace("SP_Name=COM1\r\n", "\r\n\r\nSP_Name=COM4\r\n\n");
    blank.prepend("\r\n");
    QTest::newRow("blank lines are skipped")
        << blank << Values{{"Key_LanguageIsEnglish", "1"}, {"SP_Name", "COM4"}, {"SP_BaudRate", "9600"}};

    QByteArray stray = defaultConfig;
    stray.replace("SP_Name=COM1", "xSP_Name=COM7");
    QTest::newRow("stray characters before the key")
        << stray << Values{{"SP_Name", "COM7"}, {"SP_BaudRate", "9600"}};

    QByteArray lfOnly = crlfJoined(editedConfigLines);
    lfOnly.replace("\r\n", "\n");
    QTest::newRow("LF line ends") << lfOnly
                                  << Values{{"Key_UI_Login", "0"},
                                            {"SP_Name", "/dev/ttyUSB3"},
                                            {"SP_RemoteGateway", "192.168.7.1"}};

    QTest::newRow("byte-order mark before the first key")
        << "\xEF\xBB\xBF" + defaultConfig.left(defaultConfig.indexOf('\n') + 1).replace("=1", "=0")
        << Values{{"Key_LanguageIsEnglish", "0"}};

    QByteArray empty = defaultConfig;
    empty.replace("SP_Name=COM1", "SP_Name=");
    QTest::newRow("empty value") << empty << Values{{"SP_Name", ""}, {"SP_BaudRate", "9600"}};

    QByteArray nonAscii = defaultConfig;
    nonAscii.replace("SP_Name=COM1", "SP_Name=\xE4\xB8\xB2\xE5\x8F\xA3 1 ");
    QTest::newRow("UTF-8 value, trailing space kept")
        << nonAscii << Values{{"SP_Name", QString::fromUtf8("\xE4\xB8\xB2\xE5\x8F\xA3 1 ")}};

    QTest::newRow("value that names another key")
        << QByteArray("SP_Name=Key_UI_Login=7\r\nKey_UI_Login=0\r\n")
        << Values{{"SP_Name", "Key_UI_Login=7"}, {"Key_UI_Login", "0"}};

    QTest::newRow("key inside another line takes the value after its first =")
        << QByteArray("SP_Name=COM2 SP_Parity=3\r\n")
        << Values{{"SP_Name", "COM2 SP_Parity=3"}, {"SP_Parity", "COM2 SP_Parity=3"}};

    QTest::newRow("every row from an edited file") << crlfJoined(editedConfigLines)
                                                   << Values{{"Key_UI_Output", "0"},
                                                             {"Key_UI_System", "0"},
                                                             {"Spassword_Admin", "111111"},
                                                             {"Spassword_User", "135790"},
                                                             {"SP_BaudRate", "115200"},
                                                             {"SP_DataBit", "7"},
                                                             {"SP_Parity", "2"},
                                                             {"SP_StopBit", "2"},
                                                             {"SP_FlowControl", "1"},
                                                             {"SP_RemoteIp", "192.168.7.7"},
                                                             {"SP_RemotePort", "5000"},
                                                             {"SP_RemoteSubmask", "255.255.0.0"}};
}

void TestConfigFile::readsConfigValues()
{
    QFETCH(QByteArray, content);
    QFETCH(Values, expected);
    TestAppDir app;
    app.writeFile(configRel, content);

    Config_ReadKeyFile(AppPaths::configFile());

    compareValues(expected);
    QCOMPARE(app.readFile(configRel), content);
}

void TestConfigFile::readsLanguageTexts()
{
    TestAppDir app;
    app.writeFile(englishRel, "S_OnOff[0]=Ein\r\n"
                              "S_OnOff[1]=Aus\n"
                              "\r\n"
                              "Slabel_WINDOW_SOURCE=Fenster\\Quelle\r\n"
                              "Ui_Main_AppName= Haupt\r\n"
                              "S_InputSource_Name[8]=Kamera = links\r\n"
                              "ScomboBox_Layout[19]=\xE5\xB8\x83\xE5\xB1\x80");

    Config_ReadKeyFile(AppPaths::englishLanguageFile());

    QCOMPARE(State().text.S_OnOff[0], QStringLiteral("Ein"));
    QCOMPARE(State().text.S_OnOff[1], QStringLiteral("Aus"));
    QCOMPARE(State().text.Slabel_WINDOW_SOURCE, QStringLiteral("Fenster\\Quelle"));
    QCOMPARE(State().text.Ui_Main_AppName, QStringLiteral(" Haupt"));
    QCOMPARE(State().text.S_InputSource_Name[8], QStringLiteral("Kamera = links"));
    QCOMPARE(State().text.ScomboBox_Layout[19], QString::fromUtf8("\xE5\xB8\x83\xE5\xB1\x80"));
    QCOMPARE(State().text.S_InputSource_Name[7], QStringLiteral("IN-8"));
    QCOMPARE(State().text.S_ConnectDisconnect[0], QStringLiteral("Connect"));
    QCOMPARE(State().config.SP_Name, QStringLiteral("COM1"));
}

void TestConfigFile::rowsFindTheirLineByKey_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<Values>("inMemory");
    QTest::addColumn<Values>("expected");

    QList<QByteArray> deleted = editedConfigLines;
    deleted.removeAt(2);
    QTest::newRow("deleted Key_UI_Output line") << crlfJoined(deleted) << Values{{"Key_UI_Output", "9"}}
                                                << Values{{"Key_UI_Output", "9"},
                                                          {"Key_UI_Multiview", "0"},
                                                          {"Spassword_User", "135790"},
                                                          {"SP_RemoteIp", "192.168.7.7"},
                                                          {"SP_RemoteGateway", "192.168.7.1"}};

    QList<QByteArray> moved = editedConfigLines;
    moved.move(17, 0);
    moved.move(7, 12);
    QTest::newRow("moved lines") << crlfJoined(moved) << Values()
                                 << Values{{"Key_LanguageIsEnglish", "1"},
                                           {"Spassword_Admin", "111111"},
                                           {"Spassword_User", "135790"},
                                           {"SP_Name", "/dev/ttyUSB3"},
                                           {"SP_StopBit", "2"},
                                           {"SP_RemoteGateway", "192.168.7.1"}};

    QList<QByteArray> foreign = editedConfigLines;
    foreign.insert(5, "Key_UI_Debug=1");
    foreign.insert(9, "# connection");
    foreign.insert(0, "[General]");
    QTest::newRow("foreign lines") << crlfJoined(foreign) << Values()
                                   << Values{{"Key_UI_Audio", "0"},
                                             {"Key_UI_System", "0"},
                                             {"SP_Name", "/dev/ttyUSB3"},
                                             {"SP_BaudRate", "115200"},
                                             {"SP_RemoteGateway", "192.168.7.1"}};

    QList<QByteArray> duplicated = editedConfigLines;
    duplicated.append("SP_Name=COM9");
    QTest::newRow("first of two lines for a key")
        << crlfJoined(duplicated) << Values() << Values{{"SP_Name", "/dev/ttyUSB3"}};

    QTest::newRow("short file keeps the rest in memory")
        << crlfJoined(editedConfigLines.mid(0, 5)) << Values{{"SP_Name", "COM3"}, {"Key_UI_System", "x"}}
        << Values{{"Key_UI_Audio", "0"}, {"Key_UI_System", "x"}, {"SP_Name", "COM3"}, {"SP_Parity", "0"}};

    QTest::newRow("empty file") << QByteArray() << Values{{"SP_Name", "COM3"}}
                                << Values{{"SP_Name", "COM3"}, {"Spassword_User", "583029"}};
}

void TestConfigFile::rowsFindTheirLineByKey()
{
    QFETCH(QByteArray, content);
    QFETCH(Values, inMemory);
    QFETCH(Values, expected);
    TestAppDir app;
    app.writeFile(configRel, content);
    assign(inMemory);

    Config_ReadKeyFile(AppPaths::configFile());

    compareValues(expected);
}

void TestConfigFile::otherPathsAreNeitherReadNorWritten()
{
    TestAppDir app;
    app.writeFile(QStringLiteral("/APP/ConfigFile/settings.ini"), "SP_Name=COM8\r\nS_OnOff[0]=Ein\r\n");

    Config_ReadKeyFile(app.file(QStringLiteral("/APP/ConfigFile/settings.ini")));
    Config_WriteKeyFile(app.file(QStringLiteral("/APP/ConfigFile/other.ini")));
    Config_WriteKeyFile(app.file(QStringLiteral("/APP/config.ini")));

    QCOMPARE(State().config.SP_Name, QStringLiteral("COM1"));
    QCOMPARE(State().text.S_OnOff[0], QStringLiteral("On"));
    QVERIFY(!QFile::exists(app.file(QStringLiteral("/APP/ConfigFile/other.ini"))));
    QVERIFY(!QFile::exists(app.file(QStringLiteral("/APP/config.ini"))));
}

void TestConfigFile::saveReplacesWholeFile()
{
    TestAppDir app;
    QByteArray old = "[General]\r\n\r\n" + defaultConfig + "Trailing=1\r\nSP_Name=COM9\r\n";
    old.replace("Spassword_User=583029", "Spassword_User=123456");
    app.writeFile(configRel, old);
    app.writeFile(englishRel, QByteArray(20000, 'x'));
    Config_LoadAll(false);
    State().config.SP_RemoteIp = QStringLiteral("192.168.0.9=x");
    State().text.S_InputSource_Name[2] = QString::fromUtf8("\xE7\x9B\xB8\xE6\x9C\xBA");

    Config_SaveAll();

    QByteArray expected = defaultConfig;
    expected.replace("Spassword_User=583029", "Spassword_User=123456");
    expected.replace("SP_RemoteIp=192.168.0.247", "SP_RemoteIp=192.168.0.9=x");
    QCOMPARE(app.readFile(configRel), expected);
    const QByteArray english = app.readFile(englishRel);
    verifyCrlfFile(english, 184);
    QCOMPARE(crlfLines(english).at(8), QByteArray("S_InputSource_Name[2]=\xE7\x9B\xB8\xE6\x9C\xBA\r"));

    resetAppState();
    Config_LoadAll(false);
    QCOMPARE(State().config.SP_RemoteIp, QStringLiteral("192.168.0.9=x"));
    QCOMPARE(State().text.S_InputSource_Name[2], QString::fromUtf8("\xE7\x9B\xB8\xE6\x9C\xBA"));
}

void TestConfigFile::flaggedLanguageMissingFallsBackToOther_data()
{
    QTest::addColumn<QString>("flag");
    QTest::addColumn<QString>("presentRel");
    QTest::addColumn<QString>("missingRel");

    QTest::newRow("second language flagged, only the first file") << "0" << englishRel << otherRel;
    QTest::newRow("first language flagged, only the second file") << "1" << otherRel << englishRel;
}

void TestConfigFile::flaggedLanguageMissingFallsBackToOther()
{
    QFETCH(QString, flag);
    QFETCH(QString, presentRel);
    QFETCH(QString, missingRel);
    TestAppDir app;
    State().config.Key_LanguageIsEnglish = flag;
    Config_WriteKeyFile(AppPaths::configFile());
    resetAppState();
    const QByteArray present = "S_OnOff[0]=Yes\r\nS_OnOff[1]=No\r\n";
    app.writeFile(presentRel, present);

    Config_LoadAll(false);

    QCOMPARE(State().config.Key_LanguageIsEnglish, flag);
    QCOMPARE(State().text.S_OnOff[0], QStringLiteral("Yes"));
    QCOMPARE(State().text.S_OnOff[1], QStringLiteral("No"));
    QVERIFY(!QFile::exists(app.file(missingRel)));

    Config_SaveAll();

    const QByteArray written = app.readFile(missingRel);
    verifyCrlfFile(written, 184);
    QVERIFY(written.startsWith("S_OnOff[0]=Yes\r\nS_OnOff[1]=No\r\nS_ConnectDisconnect[0]=Connect\r\n"));
    QCOMPARE(app.readFile(presentRel), present);
}

void TestConfigFile::noLanguageFileResetsFlag()
{
    TestAppDir app;
    State().config.Key_LanguageIsEnglish = QStringLiteral("0");
    Config_WriteKeyFile(AppPaths::configFile());
    State().text.S_OnOff[0] = QStringLiteral("Kept");

    Config_LoadAll(false);

    QCOMPARE(State().config.Key_LanguageIsEnglish, QStringLiteral("1"));
    QCOMPARE(State().text.S_OnOff[0], QStringLiteral("Kept"));
    QVERIFY(!QFile::exists(app.file(englishRel)));
    QVERIFY(!QFile::exists(app.file(otherRel)));
}

void TestConfigFile::missingConfigLoadsNothing_data()
{
    QTest::addColumn<bool>("languageOnly");
    QTest::newRow("everything") << false;
    QTest::newRow("language only") << true;
}

void TestConfigFile::missingConfigLoadsNothing()
{
    QFETCH(bool, languageOnly);
    TestAppDir app;
    app.writeFile(englishRel, "S_OnOff[0]=Yes\r\n");
    app.writeFile(otherRel, "S_OnOff[0]=Ja\r\n");
    State().config.Key_LanguageIsEnglish = QStringLiteral("2");

    Config_LoadAll(languageOnly);

    QCOMPARE(State().config.Key_LanguageIsEnglish, QStringLiteral("2"));
    QCOMPARE(State().text.S_OnOff[0], QStringLiteral("On"));
    QVERIFY(!QFile::exists(app.file(configRel)));
}

void TestConfigFile::languageOnlyKeepsSettings()
{
    TestAppDir app;
    QByteArray config = defaultConfig;
    config.replace("SP_Name=COM1", "SP_Name=COM9");
    app.writeFile(configRel, config);
    app.writeFile(englishRel, "S_OnOff[0]=Yes\r\n");
    app.writeFile(otherRel, "S_OnOff[0]=Ja\r\n");
    State().config.Key_LanguageIsEnglish = QStringLiteral("0");

    Config_LoadAll(true);

    QCOMPARE(State().config.SP_Name, QStringLiteral("COM1"));
    QCOMPARE(State().config.Key_LanguageIsEnglish, QStringLiteral("0"));
    QCOMPARE(State().text.S_OnOff[0], QStringLiteral("Ja"));
}

void TestConfigFile::saveWritesOnlyCurrentLanguage_data()
{
    QTest::addColumn<QString>("flag");
    QTest::addColumn<QString>("writtenRel");
    QTest::addColumn<QString>("untouchedRel");

    QTest::newRow("first language") << "1" << englishRel << otherRel;
    QTest::newRow("second language") << "0" << otherRel << englishRel;
    QTest::newRow("any other flag means the second language") << "yes" << otherRel << englishRel;
}

void TestConfigFile::saveWritesOnlyCurrentLanguage()
{
    QFETCH(QString, flag);
    QFETCH(QString, writtenRel);
    QFETCH(QString, untouchedRel);
    TestAppDir app;
    const QByteArray untouched = "S_OnOff[0]=Untouched\r\n";
    app.writeFile(untouchedRel, untouched);
    app.writeFile(writtenRel, "S_OnOff[0]=Old\r\n");
    State().config.Key_LanguageIsEnglish = flag;
    State().text.S_OnOff[0] = QStringLiteral("New");

    Config_SaveAll();

    QCOMPARE(app.readFile(untouchedRel), untouched);
    const QByteArray written = app.readFile(writtenRel);
    verifyCrlfFile(written, 184);
    QVERIFY(written.startsWith("S_OnOff[0]=New\r\n"));
    QVERIFY(app.readFile(configRel).startsWith("Key_LanguageIsEnglish=" + flag.toUtf8() + "\r\n"));
}

void TestConfigFile::exitSaveWritesOnce()
{
    TestAppDir app;
    QVERIFY(State().ConfigSavePending);
    State().config.Spassword_User = QStringLiteral("101010");

    Config_SaveAtExitOnce();

    QVERIFY(!State().ConfigSavePending);
    const QByteArray config = app.readFile(configRel);
    QVERIFY(config.contains("\r\nSpassword_User=101010\r\n"));
    const QByteArray english = app.readFile(englishRel);
    verifyCrlfFile(english, 184);

    State().config.Spassword_User = QStringLiteral("202020");
    State().text.S_OnOff[0] = QStringLiteral("Later");
    Config_SaveAtExitOnce();

    QVERIFY(!State().ConfigSavePending);
    QCOMPARE(app.readFile(configRel), config);
    QCOMPARE(app.readFile(englishRel), english);
}

void TestConfigFile::interruptedSaveKeepsOldFiles_data()
{
    QTest::addColumn<QString>("refusedRel");
    QTest::addColumn<bool>("languageWritten");

    QTest::newRow("every file refused") << QString() << false;
    QTest::newRow("config.ini refused") << configRel << true;
}

void TestConfigFile::interruptedSaveKeepsOldFiles()
{
    QFETCH(QString, refusedRel);
    QFETCH(bool, languageWritten);
    TestAppDir app;
    QByteArray old = defaultConfig;
    old.replace("SP_Name=COM1", "SP_Name=COM6");
    app.writeFile(configRel, old);
    Config_LoadAll(false);
    State().config.SP_Name = QStringLiteral("COM2");
    QStringList gated;
    const QString refused = refusedRel.isEmpty() ? QString() : app.file(refusedRel);
    setAtomicCommitGate([&gated, refused](const QString &path) {
        gated.append(path);
        return !refused.isEmpty() && path != refused;
    });

    Config_SaveAll();

    QCOMPARE(gated, QStringList({AppPaths::configFile(), AppPaths::englishLanguageFile()}));
    QCOMPARE(app.readFile(configRel), old);
    QCOMPARE(QFile::exists(app.file(englishRel)), languageWritten);
    QStringList expectedEntries = {QStringLiteral("config.ini")};
    if (languageWritten)
        expectedEntries.append(QStringLiteral("language-English.ini"));
    QCOMPARE(
        QDir(app.file(QStringLiteral("/APP/ConfigFile")))
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name),
        expectedEntries);

    setAtomicCommitGate(nullptr);
    Config_SaveAll();
    QVERIFY(app.readFile(configRel).contains("\r\nSP_Name=COM2\r\n"));
}

QTEST_GUILESS_MAIN(TestConfigFile)
#include "tst_configfile.moc"
