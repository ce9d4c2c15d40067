#include "login/Ui_Login.h"

#include "config/AppPaths.h"
#include "config/AppState.h"
#include "config/ConfigFile.h"
#include "widgets/LanguageSwitch.h"
#include "widgets/ListComboBox.h"
#include "widgets/MessageBox.h"
#include "widgets/Pictures.h"
#include "widgets/SaveReport.h"
#include "widgets/ScreenGeometry.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
constexpr int FrameWidth = 340;
constexpr int FrameHeight = 384;
constexpr int TitleBarHeight = 48;
const QString LoginPicture = QStringLiteral("/APP/Image/loginui_pic.png");
const QString LoginLogo = QStringLiteral("/APP/Image/loginui_logo.png");
} // namespace

bool &PasswordChangePending()
{
    static bool pending = false;
    return pending;
}

Ui_Login::Ui_Login(QWidget *parent) : MyFramelessDialog(parent)
{
    contentFrame = new QFrame;
    contentFrame->setFrameShape(QFrame::Box);
    contentFrame->setFrameShadow(QFrame::Raised);
    contentFrame->setFixedSize(FrameWidth, FrameHeight);
    pictureLabel = new QLabel(contentFrame);
    languageLabel = new QLabel(contentFrame);
    languageBox = new ListComboBox(contentFrame);
    accountLabel = new QLabel(contentFrame);
    accountBox = new ListComboBox(contentFrame);
    passwordLabel = new QLabel(contentFrame);
    passwordEdit = new QLineEdit(contentFrame);
    changeButton = new QPushButton(contentFrame);
    loginButton = new QPushButton(contentFrame);

    pictureLabel->setGeometry(10, 10, 320, 180);
    languageLabel->setGeometry(10, 210, 150, 26);
    languageBox->setGeometry(180, 210, 150, 26);
    accountLabel->setGeometry(10, 256, 150, 26);
    accountBox->setGeometry(180, 256, 150, 26);
    passwordLabel->setGeometry(10, 302, 150, 26);
    passwordEdit->setGeometry(180, 302, 150, 26);
    changeButton->setGeometry(10, 348, 150, 26);
    loginButton->setGeometry(180, 348, 150, 26);
    // Return in the password edit logs in through the edit's own signal; neither button may also take the
    // key as the dialog's default button (that would check the password a second time or start a change).
    changeButton->setAutoDefault(false);
    loginButton->setAutoDefault(false);
    setCentralContent(contentFrame);

    ShowPicture(pictureLabel, AppPaths::file(LoginPicture));
    ReloadUIText(true);

    connect(languageBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) { SLT_ReloadUILanguage(languageBox->itemText(index)); });
    connect(passwordEdit, &QLineEdit::returnPressed, this, &Ui_Login::login_JudgePassword);
    connect(loginButton, &QPushButton::clicked, this, &Ui_Login::login_JudgePassword);
    connect(changeButton, &QPushButton::clicked, this, &Ui_Login::modify_PasswordGet);
}

Ui_Login::~Ui_Login() { Config_SaveAtExitOnce(); }

QStringList Ui_Login::pictureFiles()
{
    return FramelessChrome::pictureFiles(FramelessChrome::Buttons::CloseOnly)
           << PictureFiles(AppPaths::file(LoginPicture)) << PictureFiles(AppPaths::file(LoginLogo));
}

void Ui_Login::ReloadUIText(bool initial)
{
    const LanguageTexts &t = State().text;
    if (initial) {
        setFixedSize(FrameWidth, FrameHeight + TitleBarHeight);
        const QSize screen = cappedPrimaryScreenSize();
        move((screen.width() - width()) / 2, (screen.height() - height()) / 2);
        setTitleIcon(AppPaths::file(LoginLogo));
        passwordEdit->setEchoMode(QLineEdit::Password);
    }
    setTitleText(t.Ui_Login_AppName);
    setWindowTitle(t.Ui_Login_AppName);
    languageLabel->setText(t.Slabel_Language);
    accountLabel->setText(t.Slabel_UserName);
    passwordLabel->setText(t.Slabel_Password);
    changeButton->setText(t.SpushButton_Modify);
    loginButton->setText(t.SpushButton_Login);
    if (initial)
        LanguageSwitch::fillSelector(languageBox);
    else
        LanguageSwitch::retextSelector(languageBox);
    accountBox->clear();
    accountBox->addItem(t.ScomboBox_Admin);
    accountBox->addItem(t.ScomboBox_User);
}

bool Ui_Login::isValidPassword(const QString &password)
{
    const QByteArray bytes = password.toUtf8();
    if (password.size() != 6 || bytes.size() != 6)
        return false;
    for (const char byte : bytes) {
        if (byte < '0' || byte > '9')
            return false;
    }
    return true;
}

void Ui_Login::SLT_ReloadUILanguage(QString LanguageText)
{
    LanguageSwitch::switchTo(LanguageText, this);
    ReloadUIText(false);
}

void Ui_Login::login_JudgePassword()
{
    const ConfigValues &c = State().config;
    const int account = accountBox->currentIndex();
    if (account != 0 && account != 1)
        return;
    const QString &password = account == 0 ? c.Spassword_Admin : c.Spassword_User;
    if (passwordEdit->text() == password) {
        close();
        emit SGL_SETUP_UI_MAIN();
        return;
    }
    ShowMessage(State().text.SMSG_InputPasswordError, this);
}

void Ui_Login::modify_PasswordGet()
{
    AppState &s = State();
    const LanguageTexts &t = s.text;
    if (!PasswordChangePending()) {
        if (accountBox->currentText() == t.ScomboBox_Admin) {
            ShowMessage(t.SMSG_AdminModidy, this);
        } else if (passwordEdit->text() == s.config.Spassword_User) {
            PasswordChangePending() = true;
            passwordEdit->clear();
            ShowMessage(t.SMSG_UserModifyPassword, this);
        } else {
            ShowMessage(t.SMSG_UserOriginalPassword, this);
        }
        return;
    }
    if (isValidPassword(passwordEdit->text())) {
        PasswordChangePending() = false;
        s.config.Spassword_User = passwordEdit->text();
        // The new password is on disk at once; a save that failed is told instead of the success.
        const QString failure = Config_SaveAll();
        if (failure.isEmpty())
            ShowMessage(t.SMSG_UserModifyPasswordOK, this);
        ReportSaveFailure(failure, this, true);
    } else {
        passwordEdit->clear();
        ShowMessage(t.SMSG_UserModifyPasswordFail, this);
    }
}
