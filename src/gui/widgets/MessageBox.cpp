#include "widgets/MessageBox.h"

#include "config/AppPaths.h"
#include "widgets/MessageBoxSeam.h"
#include "widgets/Pictures.h"

#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>

QMessageBox *NewMessageBox(const QString &text, QWidget *parent)
{
    auto *box = new QMessageBox(parent);
    box->setWindowTitle(QStringLiteral(" "));
    box->setText(text);
    box->setIconPixmap(LoadPicture(AppPaths::file(QStringLiteral("/APP/Image/MessageShow_pic.png"))));
    return box;
}

void ShowMessage(const QString &text, QWidget *parent)
{
    bool answer = false;
    if (MessageBoxSeam::intercept(MessageBoxSeam::Kind::Message, text, &answer))
        return;
    QPointer<QMessageBox> box = NewMessageBox(text, parent);
    box->addButton(QStringLiteral("OK"), QMessageBox::YesRole);
    box->exec();
    delete box; // null when the parent took the box with it while it was open
}

bool ShowConfirm(const QString &text, QWidget *parent)
{
    bool answer = false;
    if (MessageBoxSeam::intercept(MessageBoxSeam::Kind::Confirm, text, &answer))
        return answer;
    QPointer<QMessageBox> box = NewMessageBox(text, parent);
    QPushButton *yes = box->addButton(QStringLiteral("YES"), QMessageBox::YesRole);
    box->addButton(QStringLiteral("NO"), QMessageBox::NoRole);
    box->exec();
    if (!box)
        return false;
    answer = box->clickedButton() == yes;
    delete box;
    return answer;
}
