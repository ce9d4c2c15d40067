#include "widgets/MyFramelessDialog.h"

#include "widgets/FramelessChrome.h"

#include <QEvent>
#include <QPushButton>

MyFramelessDialog::MyFramelessDialog(QWidget *parent) : QDialog(parent)
{
    frame = new FramelessChrome(this, FramelessChrome::Buttons::CloseOnly);
    connect(frame->titleBarClose, &QPushButton::clicked, this, &MyFramelessDialog::SLOT_WindowClose);
}

void MyFramelessDialog::setCentralContent(QWidget *content)
{
    frame->setCentralContent(content);
}

void MyFramelessDialog::setTitleIcon(const QString &path)
{
    frame->setTitleIcon(path);
}

void MyFramelessDialog::setTitleText(const QString &text)
{
    frame->setTitleText(text);
}

void MyFramelessDialog::SLOT_WindowClose()
{
    close();
}

void MyFramelessDialog::mousePressEvent(QMouseEvent *event)
{
    frame->mousePressed(event);
}

void MyFramelessDialog::mouseMoveEvent(QMouseEvent *event)
{
    frame->mouseMoved(event);
}

void MyFramelessDialog::mouseReleaseEvent(QMouseEvent *event)
{
    frame->mouseReleased(event);
}

void MyFramelessDialog::resizeEvent(QResizeEvent *event)
{
    frame->layoutTitleBar();
    QDialog::resizeEvent(event);
}

void MyFramelessDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::WindowStateChange)
        frame->layoutTitleBar();
    QDialog::changeEvent(event);
}

void MyFramelessDialog::showEvent(QShowEvent *event)
{
    frame->watchNativeWindow();
    QDialog::showEvent(event);
}

bool MyFramelessDialog::nativeEvent(const QByteArray &eventType, void *message, NativeEventResult *result)
{
    if (frame->nativeEvent(message, result))
        return true;
    return QDialog::nativeEvent(eventType, message, result);
}
