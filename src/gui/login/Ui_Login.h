#pragma once

#include "widgets/MyFramelessDialog.h"

#include <QStringList>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

// The login dialog: language, account ("admin" or "user") and password; a correct password asks the main
// window to appear. The "user" account's password can be changed here in two steps.
class Ui_Login : public MyFramelessDialog
{
    Q_OBJECT
public:
    explicit Ui_Login(QWidget *parent = nullptr);
    ~Ui_Login() override;

    void ReloadUIText(bool initial);
    // The picture files the dialog shows when it is made, in the order it reads them.
    static QStringList pictureFiles();
    // Password rule: exactly six characters, each an ASCII digit.
    static bool isValidPassword(const QString &password);

    QFrame *contentFrame = nullptr;
    QLabel *pictureLabel = nullptr;
    QLabel *languageLabel = nullptr;
    QComboBox *languageBox = nullptr;
    QLabel *accountLabel = nullptr;
    QComboBox *accountBox = nullptr;
    QLabel *passwordLabel = nullptr;
    QLineEdit *passwordEdit = nullptr;
    QPushButton *changeButton = nullptr;
    QPushButton *loginButton = nullptr;

signals:
    void SGL_SETUP_UI_MAIN();

public slots:
    void SLT_ReloadUILanguage(QString LanguageText);
    void login_JudgePassword();
    void modify_PasswordGet();
};

// True while the next press of the change button delivers the new user password (lives for the process).
bool &PasswordChangePending();
