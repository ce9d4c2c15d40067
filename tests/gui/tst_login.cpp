// The login dialog: its geometry, login with either account (button or Return), the two-step change of the
// user password with its rule and its immediate save, and the language switch inside the dialog.

#include "core/TestAppDir.h"

#include "config/AppState.h"
#include "config/ConfigFile.h"
#include "login/Ui_Login.h"
#include "widgets/MessageBoxSeam.h"

#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

class TestLogin : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void construction();
    void login_data();
    void login();
    void passwordChange_data();
    void passwordChange();
    void retryAfterAnIllegalPassword();
    void changedPasswordLogsIn();
    void languageSwitch();
    void languageSwitchReselectsAdmin();
    void onlyTheFirstLanguageFile();
    void translatedFirstLanguageNameStillSwitchesBack();
    void destructorWritesTheExitSaveOnce();

private:
    std::unique_ptr<TestAppDir> appDir;
    std::unique_ptr<Ui_Login> dialog;
};

namespace {
const QString ConfigRel = QStringLiteral("/APP/ConfigFile/config.ini");
const QString EnglishRel = QStringLiteral("/APP/ConfigFile/language-English.ini");
const QString OtherRel = QStringLiteral("/APP/ConfigFile/language-Other.ini");

const QString DefaultPassword = QStringLiteral("583029");
const QString PasswordError = QStringLiteral("Password error!");
const QString AdminRefused = QStringLiteral("The password of admin cannot be modified!");
const QString OldPasswordWrong = QStringLiteral("Failed to verify the original password of the user!");
const QString EnterNewPassword = QStringLiteral("Please enter your change password!");
const QString Changed = QStringLiteral("Password changed successfully!");
const QString Illegal =
    QStringLiteral("The password entered is illegal:The password must be six full digits");

// The value of `key` in a key file (key=value lines, CR LF), or a null string.
QString valueInFile(const QByteArray &file, const QString &key)
{
    for (const QByteArray &line : file.split('\n')) {
        const QString text = QString::fromUtf8(line).remove('\r');
        if (text.startsWith(key + '='))
            return text.mid(key.size() + 1);
    }
    return QString();
}
} // namespace

void TestLogin::init()
{
    appDir = std::make_unique<TestAppDir>();
    appDir->installDataTree();
    // First start: config.ini and the first language file are written from the defaults.
    Config_LoadOrCreate();
    PasswordChangePending() = false;
    MessageBoxSeam::reset();
    MessageBoxSeam::activate();
    dialog = std::make_unique<Ui_Login>();
    dialog->ReloadUIText(false);
    dialog->show();
}

void TestLogin::cleanup()
{
    dialog.reset();
    MessageBoxSeam::reset();
    PasswordChangePending() = false;
    appDir.reset();
}

void TestLogin::construction()
{
    QCOMPARE(dialog->size(), QSize(340, 432));
    QCOMPARE(dialog->minimumSize(), QSize(340, 432));
    QCOMPARE(dialog->maximumSize(), QSize(340, 432));
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size().boundedTo(QSize(1920, 1080));
    QCOMPARE(dialog->pos(), QPoint((screen.width() - 340) / 2, (screen.height() - 432) / 2));

    QCOMPARE(dialog->contentFrame->size(), QSize(340, 384));
    QCOMPARE(dialog->pictureLabel->geometry(), QRect(10, 10, 320, 180));
    QCOMPARE(dialog->languageLabel->geometry(), QRect(10, 210, 150, 26));
    QCOMPARE(dialog->languageBox->geometry(), QRect(180, 210, 150, 26));
    QCOMPARE(dialog->accountLabel->geometry(), QRect(10, 256, 150, 26));
    QCOMPARE(dialog->accountBox->geometry(), QRect(180, 256, 150, 26));
    QCOMPARE(dialog->passwordLabel->geometry(), QRect(10, 302, 150, 26));
    QCOMPARE(dialog->passwordEdit->geometry(), QRect(180, 302, 150, 26));
    QCOMPARE(dialog->changeButton->geometry(), QRect(10, 348, 150, 26));
    QCOMPARE(dialog->loginButton->geometry(), QRect(180, 348, 150, 26));

    QCOMPARE(dialog->windowTitle(), QStringLiteral(" UserLogin"));
    QCOMPARE(dialog->passwordEdit->echoMode(), QLineEdit::Password);
    QCOMPARE(dialog->languageLabel->text(), QStringLiteral("Language/\u8bed\u8a00:"));
    QCOMPARE(dialog->accountLabel->text(), QStringLiteral("Username:"));
    QCOMPARE(dialog->passwordLabel->text(), QStringLiteral("Password:"));
    QCOMPARE(dialog->changeButton->text(), QStringLiteral("Edit"));
    QCOMPARE(dialog->loginButton->text(), QStringLiteral("Login"));
    QCOMPARE(dialog->accountBox->count(), 2);
    QCOMPARE(dialog->accountBox->itemText(0), QStringLiteral("admin"));
    QCOMPARE(dialog->accountBox->itemText(1), QStringLiteral("user"));
    QCOMPARE(dialog->accountBox->currentIndex(), 0);
    QCOMPARE(dialog->languageBox->count(), 2);
    QCOMPARE(dialog->languageBox->itemText(0), QStringLiteral("English"));
    QCOMPARE(dialog->languageBox->itemText(1), QStringLiteral("\u4e2d\u6587"));
    QCOMPARE(dialog->languageBox->currentIndex(), 0);
    QVERIFY(!dialog->pictureLabel->pixmap(Qt::ReturnByValue).isNull());
}

void TestLogin::login_data()
{
    QTest::addColumn<QString>("userPassword");
    QTest::addColumn<int>("account");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("pressReturn");
    QTest::addColumn<bool>("accepted");

    const QString def = DefaultPassword;
    QTest::newRow("admin, button") << def << 0 << def << false << true;
    QTest::newRow("admin, Return") << def << 0 << def << true << true;
    QTest::newRow("user, button") << def << 1 << def << false << true;
    QTest::newRow("user, Return") << def << 1 << def << true << true;
    QTest::newRow("admin wrong") << def << 0 << QStringLiteral("583028") << false << false;
    QTest::newRow("admin wrong, Return") << def << 0 << QStringLiteral("583028") << true << false;
    QTest::newRow("user wrong, Return") << def << 1 << QStringLiteral("123456") << true << false;
    QTest::newRow("empty") << def << 0 << QString() << false << false;
    QTest::newRow("no trimming") << def << 0 << QStringLiteral(" 583029") << false << false;
    QTest::newRow("user's own password")
        << QStringLiteral("000123") << 1 << QStringLiteral("000123") << false << true;
    QTest::newRow("admin with the user's password")
        << QStringLiteral("000123") << 0 << QStringLiteral("000123") << false << false;
    QTest::newRow("user with the admin's password") << QStringLiteral("000123") << 1 << def << true << false;
}

void TestLogin::login()
{
    QFETCH(QString, userPassword);
    QFETCH(int, account);
    QFETCH(QString, typed);
    QFETCH(bool, pressReturn);
    QFETCH(bool, accepted);

    State().config.Spassword_User = userPassword;
    dialog->accountBox->setCurrentIndex(account);
    QTest::keyClicks(dialog->passwordEdit, typed);
    QSignalSpy setup(dialog.get(), &Ui_Login::SGL_SETUP_UI_MAIN);
    if (pressReturn)
        QTest::keyClick(dialog->passwordEdit, Qt::Key_Return);
    else
        QTest::mouseClick(dialog->loginButton, Qt::LeftButton);

    QCOMPARE(setup.count(), accepted ? 1 : 0);
    QCOMPARE(dialog->isVisible(), !accepted);
    QCOMPARE(MessageBoxSeam::texts(), accepted ? QStringList() : QStringList{PasswordError});
    QCOMPARE(dialog->passwordEdit->text(), typed);
    QVERIFY(!PasswordChangePending());
}

void TestLogin::passwordChange_data()
{
    QTest::addColumn<int>("firstAccount");
    QTest::addColumn<QString>("oldPassword");
    QTest::addColumn<int>("secondAccount"); // -1: no second press
    QTest::addColumn<QString>("newPassword");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("storedPassword");
    QTest::addColumn<QString>("editAfter");
    QTest::addColumn<bool>("pendingAfter");

    const QString def = DefaultPassword;
    QTest::newRow("six digits") << 1 << def << 1 << "123456" << QStringList{EnterNewPassword, Changed}
                                << "123456"
                                << "123456" << false;
    QTest::newRow("leading zeros") << 1 << def << 1 << "000001" << QStringList{EnterNewPassword, Changed}
                                   << "000001"
                                   << "000001" << false;
    QTest::newRow("five digits") << 1 << def << 1 << "12345" << QStringList{EnterNewPassword, Illegal} << def
                                 << "" << true;
    QTest::newRow("seven digits") << 1 << def << 1 << "1234567" << QStringList{EnterNewPassword, Illegal}
                                  << def << "" << true;
    QTest::newRow("a letter") << 1 << def << 1 << "12a456" << QStringList{EnterNewPassword, Illegal} << def
                              << "" << true;
    QTest::newRow("non-ASCII character") << 1 << def << 1 << QStringLiteral("12345\u00e9")
                                         << QStringList{EnterNewPassword, Illegal} << def << "" << true;
    QTest::newRow("full-width digits")
        << 1 << def << 1 << QStringLiteral("\uff11\uff12\uff13\uff14\uff15\uff16")
        << QStringList{EnterNewPassword, Illegal} << def << "" << true;
    QTest::newRow("empty new password")
        << 1 << def << 1 << "" << QStringList{EnterNewPassword, Illegal} << def << "" << true;
    QTest::newRow("account switched to admin in between")
        << 1 << def << 0 << "654321" << QStringList{EnterNewPassword, Changed} << "654321"
        << "654321" << false;
    QTest::newRow("wrong old password")
        << 1 << "111111" << -1 << "" << QStringList{OldPasswordWrong} << def << "111111" << false;
    QTest::newRow("admin refused with the right password")
        << 0 << def << -1 << "" << QStringList{AdminRefused} << def << def << false;
    QTest::newRow("admin refused with a wrong password")
        << 0 << "999999" << -1 << "" << QStringList{AdminRefused} << def << "999999" << false;
}

void TestLogin::passwordChange()
{
    QFETCH(int, firstAccount);
    QFETCH(QString, oldPassword);
    QFETCH(int, secondAccount);
    QFETCH(QString, newPassword);
    QFETCH(QStringList, messages);
    QFETCH(QString, storedPassword);
    QFETCH(QString, editAfter);
    QFETCH(bool, pendingAfter);

    const QByteArray configBefore = appDir->readFile(ConfigRel);
    dialog->accountBox->setCurrentIndex(firstAccount);
    QTest::keyClicks(dialog->passwordEdit, oldPassword);
    QTest::mouseClick(dialog->changeButton, Qt::LeftButton);
    if (secondAccount >= 0) {
        QVERIFY(PasswordChangePending());
        QVERIFY(dialog->passwordEdit->text().isEmpty());
        dialog->accountBox->setCurrentIndex(secondAccount);
        dialog->passwordEdit->setText(newPassword);
        QTest::mouseClick(dialog->changeButton, Qt::LeftButton);
    }

    QCOMPARE(MessageBoxSeam::texts(), messages);
    QCOMPARE(State().config.Spassword_User, storedPassword);
    QCOMPARE(State().config.Spassword_Admin, DefaultPassword);
    QCOMPARE(dialog->passwordEdit->text(), editAfter);
    QCOMPARE(PasswordChangePending(), pendingAfter);

    // A new password is on disk at once; anything else leaves config.ini untouched.
    const QByteArray configAfter = appDir->readFile(ConfigRel);
    QCOMPARE(valueInFile(configAfter, QStringLiteral("Spassword_User")), storedPassword);
    QCOMPARE(valueInFile(configAfter, QStringLiteral("Spassword_Admin")), DefaultPassword);
    if (storedPassword == DefaultPassword)
        QCOMPARE(configAfter, configBefore);
}

void TestLogin::retryAfterAnIllegalPassword()
{
    dialog->accountBox->setCurrentIndex(1);
    dialog->passwordEdit->setText(DefaultPassword);
    dialog->changeButton->click();
    dialog->passwordEdit->setText(QStringLiteral("12345"));
    dialog->changeButton->click();
    QVERIFY(PasswordChangePending());
    // A language switch does not end the change either.
    dialog->languageBox->setCurrentIndex(1);
    dialog->languageBox->setCurrentIndex(0);
    QVERIFY(PasswordChangePending());
    dialog->passwordEdit->setText(QStringLiteral("246801"));
    dialog->changeButton->click();
    QCOMPARE(MessageBoxSeam::texts(), (QStringList{EnterNewPassword, Illegal, Changed}));
    QCOMPARE(State().config.Spassword_User, QStringLiteral("246801"));
    QVERIFY(!PasswordChangePending());
}

void TestLogin::changedPasswordLogsIn()
{
    dialog->accountBox->setCurrentIndex(1);
    dialog->passwordEdit->setText(DefaultPassword);
    dialog->changeButton->click();
    dialog->passwordEdit->setText(QStringLiteral("135790"));
    dialog->changeButton->click();
    MessageBoxSeam::reset();
    MessageBoxSeam::activate();

    QSignalSpy setup(dialog.get(), &Ui_Login::SGL_SETUP_UI_MAIN);
    dialog->accountBox->setCurrentIndex(1);
    dialog->passwordEdit->setText(DefaultPassword);
    dialog->loginButton->click();
    QCOMPARE(MessageBoxSeam::texts(), QStringList{PasswordError});
    QCOMPARE(setup.count(), 0);
    // The admin password is not changed by it.
    dialog->accountBox->setCurrentIndex(0);
    dialog->loginButton->click();
    QCOMPARE(setup.count(), 1);

    dialog->show();
    dialog->accountBox->setCurrentIndex(1);
    dialog->passwordEdit->setText(QStringLiteral("135790"));
    dialog->loginButton->click();
    QCOMPARE(setup.count(), 2);
    QVERIFY(!dialog->isVisible());
}

void TestLogin::languageSwitch()
{
    const QByteArray other = appDir->readFile(OtherRel);
    // A name the operator changed while in the first language is kept in the first language's file.
    State().text.S_InputSource_Name[2] = QStringLiteral("Camera");

    dialog->languageBox->setCurrentIndex(1);

    QCOMPARE(State().config.Key_LanguageIsEnglish, QStringLiteral("0"));
    QCOMPARE(valueInFile(appDir->readFile(EnglishRel), QStringLiteral("S_InputSource_Name[2]")),
             QStringLiteral("Camera"));
    // The save before the switch wrote the state in force before it.
    QCOMPARE(valueInFile(appDir->readFile(ConfigRel), QStringLiteral("Key_LanguageIsEnglish")),
             QStringLiteral("1"));
    QCOMPARE(appDir->readFile(OtherRel), other);
    QCOMPARE(State().text.S_InputSource_Name[2], valueInFile(other, QStringLiteral("S_InputSource_Name[2]")));

    const QString title = valueInFile(other, QStringLiteral("Ui_Login_AppName"));
    QVERIFY(title != QStringLiteral(" UserLogin"));
    QCOMPARE(dialog->windowTitle(), title);
    QCOMPARE(dialog->accountLabel->text(), valueInFile(other, QStringLiteral("Slabel_UserName")));
    QCOMPARE(dialog->passwordLabel->text(), valueInFile(other, QStringLiteral("Slabel_Password")));
    QCOMPARE(dialog->loginButton->text(), valueInFile(other, QStringLiteral("SpushButton_Login")));
    QCOMPARE(dialog->changeButton->text(), valueInFile(other, QStringLiteral("SpushButton_Modify")));
    QCOMPARE(dialog->languageBox->count(), 2);
    QCOMPARE(dialog->languageBox->currentIndex(), 1);
    QCOMPARE(dialog->languageBox->itemText(1),
             valueInFile(other, QStringLiteral("ScomboBox_LanguageSelect[1]")));

    // And back: the second file receives the texts of the second language, the first one is read again.
    dialog->languageBox->setCurrentIndex(0);
    QCOMPARE(State().config.Key_LanguageIsEnglish, QStringLiteral("1"));
    QCOMPARE(dialog->windowTitle(), QStringLiteral(" UserLogin"));
    QCOMPARE(dialog->loginButton->text(), QStringLiteral("Login"));
    QCOMPARE(State().text.S_InputSource_Name[2], QStringLiteral("Camera"));
    QCOMPARE(dialog->languageBox->currentIndex(), 0);
    QVERIFY(MessageBoxSeam::texts().isEmpty());
}

void TestLogin::languageSwitchReselectsAdmin()
{
    dialog->accountBox->setCurrentIndex(1);
    dialog->languageBox->setCurrentIndex(1);
    QCOMPARE(dialog->accountBox->count(), 2);
    QCOMPARE(dialog->accountBox->currentIndex(), 0);
    dialog->accountBox->setCurrentIndex(1);
    dialog->languageBox->setCurrentIndex(0);
    QCOMPARE(dialog->accountBox->currentIndex(), 0);
    QCOMPARE(dialog->accountBox->itemText(0), QStringLiteral("admin"));
    QCOMPARE(dialog->accountBox->itemText(1), QStringLiteral("user"));
}

void TestLogin::onlyTheFirstLanguageFile()
{
    dialog.reset();
    QVERIFY(QFile::remove(appDir->file(OtherRel)));
    dialog = std::make_unique<Ui_Login>();
    dialog->ReloadUIText(false);
    QCOMPARE(dialog->languageBox->count(), 1);
    QCOMPARE(dialog->languageBox->itemText(0), QStringLiteral("English"));
    QCOMPARE(dialog->languageBox->currentIndex(), 0);
}

void TestLogin::translatedFirstLanguageNameStillSwitchesBack()
{
    QByteArray other = appDir->readFile(OtherRel);
    const QByteArray translated = QStringLiteral("ScomboBox_LanguageSelect[0]=\u82f1\u6587").toUtf8();
    other.replace("ScomboBox_LanguageSelect[0]=English", translated);
    QVERIFY(other.contains(translated));
    appDir->writeFile(OtherRel, other);

    dialog->languageBox->setCurrentIndex(1);
    QCOMPARE(State().config.Key_LanguageIsEnglish, QStringLiteral("0"));
    QCOMPARE(dialog->languageBox->itemText(0), QStringLiteral("\u82f1\u6587"));

    dialog->languageBox->setCurrentIndex(0);
    QCOMPARE(State().config.Key_LanguageIsEnglish, QStringLiteral("1"));
    QCOMPARE(dialog->languageBox->itemText(0), QStringLiteral("English"));
    QCOMPARE(dialog->windowTitle(), QStringLiteral(" UserLogin"));
}

void TestLogin::destructorWritesTheExitSaveOnce()
{
    State().config.SP_Name = QStringLiteral("ttyLogin");
    dialog.reset();
    QVERIFY(!State().ConfigSavePending);
    QCOMPARE(valueInFile(appDir->readFile(ConfigRel), QStringLiteral("SP_Name")), QStringLiteral("ttyLogin"));

    // A second dialog finds the save done.
    State().config.SP_Name = QStringLiteral("ttyLater");
    {
        Ui_Login second;
    }
    QCOMPARE(valueInFile(appDir->readFile(ConfigRel), QStringLiteral("SP_Name")), QStringLiteral("ttyLogin"));
}

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
