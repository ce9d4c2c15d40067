// config.ini and the two language files on disk: what a first start writes, how a file is read back by key,
// which language file the flag selects, names edited by the operator, and saves that replace a file whole.

#include "config/AppPaths.h"
#include "config/AppState.h"
#include "config/AtomicFile.h"
#include "config/ConfigFile.h"
#include "config/KeyTables.h"
#include "core/TestAppDir.h"

#include <QByteArray>
#include <QDir>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTest>

namespace {

using Values = QMap<QString, QString>;

const QString ConfigRel = QStringLiteral("/APP/ConfigFile/config.ini");
const QString EnglishRel = QStringLiteral("/APP/ConfigFile/language-English.ini");
const QString OtherRel = QStringLiteral("/APP/ConfigFile/language-Other.ini");

const QByteArray DefaultConfig = "Key_LanguageIsEnglish=1\r\nKey_UI_Login=1\r\nKey_UI_Output=1\r\n"
                                 "Key_UI_Multiview=1\r\nKey_UI_Audio=1\r\nKey_UI_System=1\r\n"
                                 "Spassword_Admin=583029\r\nSpassword_User=583029\r\nSP_Name=COM1\r\n"
                                 "SP_BaudRate=9600\r\nSP_DataBit=8\r\nSP_Parity=0\r\nSP_StopBit=1\r\n"
                                 "SP_FlowControl=0\r\nSP_RemoteIp=192.168.0.247\r\nSP_RemotePort=2000\r\n"
                                 "SP_RemoteSubmask=255.255.255.0\r\nSP_RemoteGateway=192.168.0.1\r\n"
                                 "SP_WatchSeconds=10\r\n";

// "摄像机 = links" and "布局 20 ": names an operator may type.
const QString Camera = QString::fromUtf8("\xE6\x91\x84\xE5\x83\x8F\xE6\x9C\xBA = links");
const QString Layout = QString::fromUtf8("\xE5\xB8\x83\xE5\xB1\x80 20 ");

QString *setting(const QString &key)
{
    for (const KeyBinding &row : configKeyTable()) {
        if (key == QLatin1String(row.key))
            return row.value;
    }
    return nullptr;
}

QStringList filesIn(const TestAppDir &app)
{
    return QDir(app.file(QStringLiteral("/APP/ConfigFile")))
        .entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// Number of lines when every line ends in CR LF and nothing follows the last one; -1 otherwise.
int crlfLineCount(const QByteArray &bytes)
{
    const int lines = bytes.count("\r\n");
    return bytes.endsWith("\r\n") && bytes.count('\n') == lines && bytes.count('\r') == lines ? lines : -1;
}

QString languageRel(const QString &language)
{
    return language == "en" ? EnglishRel : OtherRel;
}

void keyRow(const char *name, const QByteArray &content, const Values &after)
{
    QTest::newRow(name) << content << after;
}

void languageRow(const char *name, const char *flag, const char *present, const char *text,
                 const char *flagAfter, const char *saved)
{
    QTest::newRow(name) << flag << present << text << flagAfter << saved;
}

} // namespace

Q_DECLARE_METATYPE(Values)

class TestConfigFiles : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setAtomicCommitGate(nullptr); }

    void firstStartWritesDefaults()
    {
        TestAppDir app;
        QVERIFY(!Config_LoadOrCreate());

        QCOMPARE(app.readFile(ConfigRel), DefaultConfig);
        QCOMPARE(filesIn(app), QStringList({"config.ini", "language-English.ini"}));
        const QByteArray english = app.readFile(EnglishRel);
        QCOMPARE(crlfLineCount(english), languageKeyTable().size());
        QVERIFY(english.startsWith("S_OnOff[0]=On\r\nS_OnOff[1]=Off\r\n"));
        QVERIFY(english.contains("\r\nUi_Login_AppName= UserLogin\r\n"));
        QVERIFY(english.contains("\r\nSlabel_Language=Language/\xE8\xAF\xAD\xE8\xA8\x80:\r\n"));
        QVERIFY(english.contains("\r\nS_InputSource_Name[8]=IN-9\r\n"));
        QVERIFY(english.contains("\r\nSMSG_EdidWriteOk=EDID Write Success.\r\n"));

        // The next start reads what is there and writes nothing.
        app.writeFile(ConfigRel,
                      QByteArray(DefaultConfig).replace("Spassword_User=583029", "Spassword_User=135790"));
        resetAppState();
        QVERIFY(Config_LoadOrCreate());
        QCOMPARE(State().config.Spassword_User, QStringLiteral("135790"));
        QCOMPARE(filesIn(app), QStringList({"config.ini", "language-English.ini"}));
    }

    // Read into settings that hold their defaults, but SP_Parity "2": keys the file does not carry keep them.
    void readsByKey_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<Values>("after");
        keyRow("any order", "SP_RemoteGateway=10.0.0.1\r\nSP_Name=COM4\r\nKey_UI_Login=0\r\n",
               {{"SP_RemoteGateway", "10.0.0.1"}, {"SP_Name", "COM4"}, {"Key_UI_Login", "0"}});
        keyRow("unknown keys, comments, blank lines",
               "[General]\r\n\r\n# port\nSP_Port=COM9\r\nKey_UI_Debug=1\r\n\nSP_Name=COM5\r\n",
               {{"SP_Name", "COM5"}, {"Key_UI_Login", "1"}});
        keyRow("every = after the first", "SP_RemoteIp=192.168.0.9=x=\r\n",
               {{"SP_RemoteIp", "192.168.0.9=x="}});
        keyRow("empty value, spaces kept", "SP_Name=\r\nSP_RemotePort= 80 \r\n",
               {{"SP_Name", ""}, {"SP_RemotePort", " 80 "}});
        keyRow("LF, then no end", "SP_Name=COM2\nSP_RemoteGateway=10.1.1.1",
               {{"SP_Name", "COM2"}, {"SP_RemoteGateway", "10.1.1.1"}});
        keyRow("byte-order mark", "\xEF\xBB\xBFKey_LanguageIsEnglish=0\r\n",
               {{"Key_LanguageIsEnglish", "0"}});
        keyRow("stray character before the key", "xSP_Name=COM7\r\n", {{"SP_Name", "COM7"}});
        keyRow("first of two lines", "SP_Name=COM3\r\nSP_Name=COM9\r\n", {{"SP_Name", "COM3"}});
        keyRow("a key inside another value does not win",
               "SP_RemoteGateway=SP_RemoteIp=10.0.0.1\r\nSP_RemoteIp=192.168.1.9\r\n",
               {{"SP_RemoteGateway", "SP_RemoteIp=10.0.0.1"}, {"SP_RemoteIp", "192.168.1.9"}});
        // A line whose first non-blank character is # or ; is a comment and never gives a value.
        keyRow("commented-out setting above the real one", "#SP_Name=COM9\r\nSP_Name=COM3\r\n",
               {{"SP_Name", "COM3"}});
        keyRow("commented-out setting with ; and blanks",
               "  ;Key_UI_Audio=0\r\nKey_UI_Audio=1\r\n\t#SP_Name=X\r\n",
               {{"Key_UI_Audio", "1"}, {"SP_Name", "COM1"}});
        keyRow("UTF-8", "SP_Name=\xE4\xB8\xB2\xE5\x8F\xA3 1\r\n",
               {{"SP_Name", QString::fromUtf8("\xE4\xB8\xB2\xE5\x8F\xA3 1")}});
        keyRow("empty file", "", {{"SP_Name", "COM1"}, {"SP_Parity", "2"}});
        // The file of a version before watching: the device is watched at the default interval.
        keyRow("the 18 lines before watching", DefaultConfig.left(DefaultConfig.indexOf("SP_WatchSeconds")),
               {{"SP_RemoteGateway", "192.168.0.1"}, {"SP_WatchSeconds", "10"}});
    }

    void readsByKey()
    {
        QFETCH(QByteArray, content);
        QFETCH(Values, after);
        TestAppDir app;
        State().config.SP_Parity = QStringLiteral("2");
        app.writeFile(ConfigRel, content);

        Config_ReadKeyFile(AppPaths::configFile());

        for (auto it = after.cbegin(); it != after.cend(); ++it) {
            QVERIFY2(setting(it.key()), qPrintable(it.key()));
            QCOMPARE(*setting(it.key()), it.value());
        }
        QCOMPARE(app.readFile(ConfigRel), content);
    }

    // The flag in config.ini, the language files present ("en", "zh"), then S_OnOff[0] and the flag after
    // loading, and the language file that a save then writes.
    void flagSelectsLanguageFile_data()
    {
        for (const char *column : {"flag", "present", "text", "flagAfter", "saved"})
            QTest::addColumn<QString>(column);
        languageRow("1, both files", "1", "en zh", "On (en)", "1", "en");
        languageRow("0, both files", "0", "en zh", "On (zh)", "0", "zh");
        languageRow("any other flag, both files", "yes", "en zh", "On (zh)", "yes", "zh");
        languageRow("0, only the first file", "0", "en", "On (en)", "0", "zh");
        languageRow("1, only the second file", "1", "zh", "On (zh)", "1", "en");
        languageRow("0, no language file", "0", "", "On", "1", "en");
    }

    void flagSelectsLanguageFile()
    {
        QFETCH(QString, flag);
        QFETCH(QString, present);
        QFETCH(QString, text);
        QFETCH(QString, flagAfter);
        QFETCH(QString, saved);
        TestAppDir app;
        app.writeFile(ConfigRel,
                      QByteArray(DefaultConfig).replace("IsEnglish=1", "IsEnglish=" + flag.toUtf8()));
        for (const QString &language : present.split(' ', Qt::SkipEmptyParts))
            app.writeFile(languageRel(language), "S_OnOff[0]=On (" + language.toUtf8() + ")\r\n");

        Config_LoadAll(false);

        QCOMPARE(State().text.S_OnOff[0], text);
        QCOMPARE(State().config.Key_LanguageIsEnglish, flagAfter);
        const QByteArray other = app.readFile(languageRel(saved == "en" ? "zh" : "en"));
        Config_SaveAll();
        QVERIFY(app.readFile(languageRel(saved)).startsWith("S_OnOff[0]=" + text.toUtf8() + "\r\n"));
        QCOMPARE(app.readFile(languageRel(saved == "en" ? "zh" : "en")), other);
    }

    // Names the operator gives inputs and layouts are kept per language, non-ASCII text and "=" included.
    void editedNamesRoundTrip()
    {
        TestAppDir app;
        QVERIFY(!Config_LoadOrCreate());
        State().config.Key_LanguageIsEnglish = QStringLiteral("0");
        State().text.S_InputSource_Name[2] = Camera;
        State().text.ScomboBox_Layout[19] = Layout;
        Config_SaveAll();
        QVERIFY(app.readFile(OtherRel).contains("\r\nS_InputSource_Name[2]=" + Camera.toUtf8() + "\r\n"));

        // Switch to the first language and back, as the language selector does.
        State().config.Key_LanguageIsEnglish = QStringLiteral("1");
        Config_LoadAll(true);
        QCOMPARE(State().text.S_InputSource_Name[2], QStringLiteral("IN-3"));
        QCOMPARE(State().text.ScomboBox_Layout[19], QStringLiteral("Layout-20"));
        Config_SaveAll();
        resetAppState();
        Config_LoadAll(false);
        QCOMPARE(State().config.Key_LanguageIsEnglish, QStringLiteral("1"));
        State().config.Key_LanguageIsEnglish = QStringLiteral("0");
        Config_LoadAll(true);
        QCOMPARE(State().text.S_InputSource_Name[2], Camera);
        QCOMPARE(State().text.ScomboBox_Layout[19], Layout);
        QCOMPARE(State().text.S_InputSource_Name[1], QStringLiteral("IN-2"));
    }

    void saveReplacesFileWhole()
    {
        TestAppDir app;
        app.writeFile(ConfigRel, "[General]\r\n\r\nSP_Name=COM9\r\nTrailing=1\r\n" + QByteArray(20000, 'x'));
        app.writeFile(EnglishRel, QByteArray(50000, 'y'));
        Config_LoadAll(false);

        Config_SaveAll();

        QCOMPARE(app.readFile(ConfigRel), QByteArray(DefaultConfig).replace("SP_Name=COM1", "SP_Name=COM9"));
        QCOMPARE(crlfLineCount(app.readFile(EnglishRel)), languageKeyTable().size());
        QCOMPARE(filesIn(app), QStringList({"config.ini", "language-English.ini"}));
    }

    // A save cut off before the new file is complete (a crash, a full disk) leaves the old file as it was and
    // no partial file beside it.
    void interruptedSaveKeepsOldFile()
    {
        TestAppDir app;
        const QByteArray old = QByteArray(DefaultConfig).replace("SP_Name=COM1", "SP_Name=COM6");
        app.writeFile(ConfigRel, old);
        Config_LoadAll(false);
        State().config.SP_Name = QStringLiteral("COM2");
        setAtomicCommitGate([](const QString &) { return false; });

        Config_SaveAll();

        QCOMPARE(app.readFile(ConfigRel), old);
        QCOMPARE(filesIn(app), QStringList({"config.ini"}));
        setAtomicCommitGate(nullptr);
        Config_SaveAll();
        QVERIFY(app.readFile(ConfigRel).contains("\r\nSP_Name=COM2\r\n"));
    }

    // Without config.ini nothing is read, not even a language file that is there.
    void missingConfigLoadsNothing()
    {
        TestAppDir app;
        app.writeFile(EnglishRel, "S_OnOff[0]=On (en)\r\n");
        Config_LoadAll(false);
        QCOMPARE(State().text.S_OnOff[0], QStringLiteral("On"));
        QCOMPARE(filesIn(app), QStringList({"language-English.ini"}));
    }

    void exitSaveWritesOnce()
    {
        TestAppDir app;
        State().config.Spassword_User = QStringLiteral("101010");
        Config_SaveAtExitOnce();
        const QByteArray saved = app.readFile(ConfigRel);
        QVERIFY(saved.contains("\r\nSpassword_User=101010\r\n"));

        State().config.Spassword_User = QStringLiteral("202020");
        Config_SaveAtExitOnce();
        QCOMPARE(app.readFile(ConfigRel), saved);
    }
};

QTEST_GUILESS_MAIN(TestConfigFiles)
#include "tst_configfiles.moc"
