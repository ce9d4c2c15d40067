#include "widgets/MyFramelessWindow.h"

#include "widgets/FramelessChrome.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPushButton>

MyFramelessWindow::MyFramelessWindow(QWidget *parent) : QWidget(parent)
{
    // The chrome loads the title-bar pictures; the maximise button starts with MaxSize.png, not maximised.
    frame = new FramelessChrome(this, FramelessChrome::Buttons::MinMaxClose);
    connect(frame->titleBarMin, &QPushButton::clicked, this, &MyFramelessWindow::SLOT_WindowMin);
    connect(frame->titleBarMax, &QPushButton::clicked, this, &MyFramelessWindow::SLOT_WindowMax);
    connect(frame->titleBarClose, &QPushButton::clicked, this, &MyFramelessWindow::SLOT_WindowClose);
}

void MyFramelessWindow::setCentralContent(QWidget *content)
{
    frame->setCentralContent(content);
}

void MyFramelessWindow::setTitleIcon(const QString &path)
{
    frame->setTitleIcon(path);
}

void MyFramelessWindow::setTitleText(const QString &text)
{
    frame->setTitleText(text);
}

void MyFramelessWindow::SLOT_WindowMin()
{
    showMinimized();
}

void MyFramelessWindow::SLOT_WindowMax()
{
    maximized = !maximized;
    frame->showMaximizeIcon(maximized);
    if (maximized)
        showMaximized();
    else
        showNormal();
}

void MyFramelessWindow::SLOT_WindowClose()
{
    close();
}

void MyFramelessWindow::mousePressEvent(QMouseEvent *event)
{
    frame->mousePressed(event);
}

void MyFramelessWindow::mouseMoveEvent(QMouseEvent *event)
{
    frame->mouseMoved(event);
}

void MyFramelessWindow::mouseReleaseEvent(QMouseEvent *event)
{
    frame->mouseReleased(event);
}

// A double click on the title bar only ever restores the window; it never maximises it.
void MyFramelessWindow::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (!frame->isOverTitleBar(event->pos()))
        return;
    showNormal();
    frame->showMaximizeIcon(false);
    maximized = false;
}

void MyFramelessWindow::resizeEvent(QResizeEvent *event)
{
    frame->layoutTitleBar();
    QWidget::resizeEvent(event);
}

void MyFramelessWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::WindowStateChange) {
        frame->layoutTitleBar();
        // The window system may maximise or restore the window by itself (keyboard shortcuts, screen
        // edges); keep the button's picture telling the truth.
        if (!(windowState() & Qt::WindowMinimized) && isMaximized() != maximized) {
            maximized = isMaximized();
            frame->showMaximizeIcon(maximized);
        }
    }
    QWidget::changeEvent(event);
}

void MyFramelessWindow::showEvent(QShowEvent *event)
{
    frame->watchNativeWindow();
    QWidget::showEvent(event);
}

bool MyFramelessWindow::nativeEvent(const QByteArray &eventType, void *message, NativeEventResult *result)
{
    if (frame->nativeEvent(message, result))
        return true;
    return QWidget::nativeEvent(eventType, message, result);
}
