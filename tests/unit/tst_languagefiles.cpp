// The shipped second language file and the way the two language files take turns: its form on disk, its
// translations, and that names edited in one language stay in that language's file.

#include "config/AppState.h"
#include "config/AppPaths.h"
#include "config/ConfigFile.h"
#include "config/KeyTables.h"
#include "core/TestAppDir.h"

#include <QFile>
#include <QTextCodec>
#include <QtTest>

namespace {

const QString otherRel = QStringLiteral("/APP/ConfigFile/language-Other.ini");
const QString englishRel = QStringLiteral("/APP/ConfigFile/language-English.ini");
const QString configRel = QStringLiteral("/APP/ConfigFile/config.ini");

QByteArray shippedOtherFile()
{
    QFile file(QStringLiteral(LUMAPLEX_SOURCE_DIR "/APP/ConfigFile/language-Other.ini"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The lines of a CR LF file without their terminators; a stray CR or LF inside a line stays visible.
QList<QByteArray> linesOf(const QByteArray &bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast();
    for (QByteArray &line : lines)
        line.chop(1);
    return lines;
}

QMap<QByteArray, QString> valuesOf(const QByteArray &bytes)
{
    QMap<QByteArray, QString> values;
    for (const QByteArray &line : linesOf(bytes)) {
        const int equals = line.indexOf('=');
        values.insert(line.left(equals), QString::fromUtf8(line.mid(equals + 1)));
    }
    return values;
}

// Starts from a config.ini that selects the second language and the shipped file of that language.
void installSecondLanguage(const TestAppDir &app)
{
    State().config.Key_LanguageIsEnglish = QStringLiteral("0");
    Config_WriteKeyFile(AppPaths::configFile());
    resetAppState();
    app.writeFile(otherRel, shippedOtherFile());
}

} // namespace

class TestLanguageFiles : public QObject
{
    Q_OBJECT

private slots:
    void shippedFileHasTheKeyFileForm();
    void shippedFileKeepsKeysInTableOrder();
    void shippedFileTranslates_data();
    void shippedFileTranslates();
    void shippedFileKeepsEditableNames_data();
    void shippedFileKeepsEditableNames();
    void loadingSelectsChineseTexts();
    void savingWritesShippedFileBackUnchanged();
    void editedNamesStayInTheirLanguage();
};

void TestLanguageFiles::shippedFileHasTheKeyFileForm()
{
    const QByteArray bytes = shippedOtherFile();
    QVERIFY(!bytes.isEmpty());
    QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
    QTextCodec::ConverterState state;
    QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    QCOMPARE(state.invalidChars, 0);
    QCOMPARE(state.remainingChars, 0);
    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(bytes.count('\n'), 184);
    QCOMPARE(bytes.count('\r'), 184);
    QCOMPARE(bytes.count("\r\n"), 184);
    for (const QByteArray &line : linesOf(bytes)) {
        QVERIFY2(line.contains('='), line.constData());
        QVERIFY2(line.size() > line.indexOf('=') + 1, line.constData());
    }
}

void TestLanguageFiles::shippedFileKeepsKeysInTableOrder()
{
    const QList<QByteArray> lines = linesOf(shippedOtherFile());
    QCOMPARE(lines.size(), languageKeyTable().size());
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray key = lines.at(i).left(lines.at(i).indexOf('='));
        QCOMPARE(key, QByteArray(languageKeyTable().at(i).key));
    }
}

void TestLanguageFiles::shippedFileTranslates_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QString>("value");

    QTest::newRow("first language name") << QByteArray("ScomboBox_LanguageSelect[0]") << "English";
    QTest::newRow("second language name")
        << QByteArray("ScomboBox_LanguageSelect[1]") << QString::fromUtf8("\xE4\xB8\xAD\xE6\x96\x87");
    QTest::newRow("on") << QByteArray("S_OnOff[0]") << QString::fromUtf8("\xE5\xBC\x80");
    QTest::newRow("off") << QByteArray("S_OnOff[1]") << QString::fromUtf8("\xE5\x85\xB3");
    QTest::newRow("login title keeps its leading space")
        << QByteArray("Ui_Login_AppName")
        << QString::fromUtf8(" \xE7\x94\xA8\xE6\x88\xB7\xE7\x99\xBB\xE5\xBD\x95");
    QTest::newRow("main title keeps its leading space") << QByteArray("Ui_Main_AppName") << " Lumaplex";
    QTest::newRow("language label in both scripts")
        << QByteArray("Slabel_Language") << QString::fromUtf8("Language/\xE8\xAF\xAD\xE8\xA8\x80:");
    QTest::newRow("aspect ratio stays a number") << QByteArray("ScomboBox_Aspect[1]") << "16:9";
    QTest::newRow("volume down key") << QByteArray("SpushButton_Subtract") << "-";
    QTest::newRow("volume up key") << QByteArray("SpushButton_Add") << "+";
}

void TestLanguageFiles::shippedFileTranslates()
{
    QFETCH(QByteArray, key);
    QFETCH(QString, value);
    QCOMPARE(valuesOf(shippedOtherFile()).value(key), value);
}

void TestLanguageFiles::shippedFileKeepsEditableNames_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QString>("name");

    const auto addRows = [](const char *array, int count, const QString &pattern) {
        for (int i = 0; i < count; ++i) {
            const QByteArray key = QByteArray(array) + '[' + QByteArray::number(i) + ']';
            QTest::newRow(key.constData()) << key << pattern.arg(i + 1);
        }
    };
    addRows("S_InputSource_Name", 9, QStringLiteral("IN-%1"));
    addRows("ScomboBox_Layout", 20, QStringLiteral("Layout-%1"));
    addRows("S_TN386_ExpandAudioSource_Name", 4, QStringLiteral("LR%1"));
    addRows("ScomboBox_Mode", 6, QStringLiteral("%1"));
    QTest::newRow("S_RKA386QE_ExpandAudioSource_Name[0]")
        << QByteArray("S_RKA386QE_ExpandAudioSource_Name[0]") << "WIN-KVM";
}

void TestLanguageFiles::shippedFileKeepsEditableNames()
{
    QFETCH(QByteArray, key);
    QFETCH(QString, name);
    QCOMPARE(valuesOf(shippedOtherFile()).value(key), name);
}

void TestLanguageFiles::loadingSelectsChineseTexts()
{
    TestAppDir app;
    installSecondLanguage(app);

    Config_LoadAll(false);

    QCOMPARE(State().config.Key_LanguageIsEnglish, QStringLiteral("0"));
    QCOMPARE(State().text.S_OnOff[0], QString::fromUtf8("\xE5\xBC\x80"));
    QCOMPARE(State().text.ScomboBox_LanguageSelect[1], QString::fromUtf8("\xE4\xB8\xAD\xE6\x96\x87"));
    QCOMPARE(State().text.S_InputSource_Name[0], QStringLiteral("IN-1"));
    QCOMPARE(State().text.ScomboBox_Layout[19], QStringLiteral("Layout-20"));
    QVERIFY(State().text.SMSG_CommunicationFail !=
            QStringLiteral("Unable to communicate with device!Error Code:"));
    QVERIFY(!QFile::exists(app.file(englishRel)));
}

void TestLanguageFiles::savingWritesShippedFileBackUnchanged()
{
    TestAppDir app;
    installSecondLanguage(app);
    Config_LoadAll(false);
    QFile::remove(app.file(otherRel));

    Config_SaveAll();

    QCOMPARE(app.readFile(otherRel), shippedOtherFile());
    QVERIFY(!QFile::exists(app.file(englishRel)));
}

void TestLanguageFiles::editedNamesStayInTheirLanguage()
{
    TestAppDir app;
    Config_WriteKeyFile(AppPaths::englishLanguageFile());
    installSecondLanguage(app);
    Config_LoadAll(false);
    const QString camera = QString::fromUtf8("\xE6\x91\x84\xE5\x83\x8F\xE6\x9C\xBA");
    State().text.S_InputSource_Name[0] = camera;

    // Switch to the first language: the file of the language being left receives the edited name.
    Config_SaveAll();
    State().config.Key_LanguageIsEnglish = QStringLiteral("1");
    Config_LoadAll(true);

    QCOMPARE(State().text.S_InputSource_Name[0], QStringLiteral("IN-1"));
    QCOMPARE(State().text.S_OnOff[0], QStringLiteral("On"));
    QCOMPARE(valuesOf(app.readFile(otherRel)).value("S_InputSource_Name[0]"), camera);
    QCOMPARE(valuesOf(app.readFile(englishRel)).value("S_InputSource_Name[0]"), QStringLiteral("IN-1"));

    // And back again.
    Config_SaveAll();
    State().config.Key_LanguageIsEnglish = QStringLiteral("0");
    Config_LoadAll(true);

    QCOMPARE(State().text.S_InputSource_Name[0], camera);
    QCOMPARE(State().text.S_OnOff[0], QString::fromUtf8("\xE5\xBC\x80"));
    QVERIFY(app.readFile(configRel).startsWith("Key_LanguageIsEnglish=1\r\n"));
}

QTEST_GUILESS_MAIN(TestLanguageFiles)
#include "tst_languagefiles.moc"
