#include "widgets/FramelessChrome.h"

#include "widgets/ScreenGeometry.h"
#include "config/AppPaths.h"
#include "widgets/FramelessHitTest.h"
#include "widgets/Pictures.h"

#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QWindow>

#ifdef Q_OS_WIN
#include <windows.h>
#include <windowsx.h>
#endif

namespace {
const QString AppPicture = QStringLiteral("/TitleBar/Image/App.png");
const QString MinPicture = QStringLiteral("/TitleBar/Image/MinSize.png");
const QString MaxPicture = QStringLiteral("/TitleBar/Image/MaxSize.png");
const QString RestorePicture = QStringLiteral("/TitleBar/Image/NormalSize.png");
const QString ClosePicture = QStringLiteral("/TitleBar/Image/Close.png");
} // namespace

FramelessChrome::FramelessChrome(QWidget *window, Buttons buttons) : QObject(window), window(window)
{
    const QSize screen = cappedPrimaryScreenSize();
    window->resize(7 * screen.width() / 10, 4 * screen.height() / 10);
    window->move(120, 120);
    window->setMinimumSize(480, 270);

    centralWidget = new QWidget(window);
    centralWidget->setObjectName(QStringLiteral("CentralWidget"));
    titleBar = new QWidget(centralWidget);
    titleBarIcon = new QLabel(titleBar);
    titleBarIcon->setObjectName(QStringLiteral("TitleBarIcon"));
    titleBarText = new QLabel(titleBar);
    titleBarText->setObjectName(QStringLiteral("TitleBarText"));
    if (buttons == Buttons::MinMaxClose) {
        titleBarMin = new QPushButton(titleBar);
        titleBarMin->setObjectName(QStringLiteral("TitleBarMin"));
        titleBarMax = new QPushButton(titleBar);
        titleBarMax->setObjectName(QStringLiteral("TitleBarMax"));
    }
    titleBarClose = new QPushButton(titleBar);
    titleBarClose->setObjectName(QStringLiteral("TitleBarClose"));
    // Title-bar buttons are for the mouse only: they never take the focus and never become a dialog's
    // default button, so Return in a dialog's field cannot close it.
    for (QPushButton *button : {titleBarMin, titleBarMax, titleBarClose}) {
        if (button) {
            button->setFocusPolicy(Qt::NoFocus);
            button->setAutoDefault(false);
        }
    }
    contentWidget = new QWidget(centralWidget);
    contentLayout = new QGridLayout(contentWidget);

    layoutTitleBar();
    window->setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint);
    loadTitleBarImages();
}

QStringList FramelessChrome::pictureFiles(Buttons buttons)
{
    QStringList files = PictureFiles(AppPaths::file(AppPicture));
    if (buttons == Buttons::MinMaxClose)
        files << IconFiles(AppPaths::file(MinPicture)) << IconFiles(AppPaths::file(MaxPicture));
    return files << IconFiles(AppPaths::file(ClosePicture));
}

void FramelessChrome::layoutTitleBar()
{
    centralWidget->setGeometry(0, 0, window->width(), window->height());
    const int width = centralWidget->width();
    titleBar->setGeometry(0, 0, width, TitleBarHeight);
    const int buttonCount = titleBarMax ? 3 : 1;
    const int textWidth = width - PartWidth * (1 + buttonCount);
    int x = 0;
    titleBarIcon->setGeometry(x, 0, PartWidth, TitleBarHeight);
    x += PartWidth;
    titleBarText->setGeometry(x, 0, textWidth, TitleBarHeight);
    x += textWidth;
    for (QPushButton *button : {titleBarMin, titleBarMax, titleBarClose}) {
        if (!button)
            continue;
        button->setGeometry(x, 0, PartWidth, TitleBarHeight);
        x += PartWidth;
    }
    contentWidget->setGeometry(0, TitleBarHeight, width, centralWidget->height() - TitleBarHeight);
}

void FramelessChrome::setButtonIcon(QPushButton *button, const QString &relative)
{
    const QIcon icon = LoadIcon(AppPaths::file(relative));
    if (!icon.isNull())
        button->setIcon(icon);
}

void FramelessChrome::loadTitleBarImages()
{
    setTitleIcon(AppPaths::file(AppPicture));
    if (titleBarMin)
        setButtonIcon(titleBarMin, MinPicture);
    if (titleBarMax)
        setButtonIcon(titleBarMax, MaxPicture);
    setButtonIcon(titleBarClose, ClosePicture);
}

void FramelessChrome::showMaximizeIcon(bool maximized)
{
    if (titleBarMax)
        setButtonIcon(titleBarMax, maximized ? RestorePicture : MaxPicture);
}

void FramelessChrome::setCentralContent(QWidget *content)
{
    contentLayout->addWidget(content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
}

void FramelessChrome::setTitleIcon(const QString &path)
{
    ShowPicture(titleBarIcon, path);
}

void FramelessChrome::setTitleText(const QString &text)
{
    titleBarText->setText(text);
}

bool FramelessChrome::isOverTitleBar(const QPoint &windowPos) const
{
    return titleBar->rect().contains(titleBar->mapFrom(window, windowPos));
}

void FramelessChrome::mousePressed(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    dragging = true;
    dragStart = event->pos();
}

void FramelessChrome::mouseMoved(QMouseEvent *event)
{
    if (dragging && isOverTitleBar(event->pos()))
        window->move(window->pos() + (event->pos() - dragStart));
}

void FramelessChrome::mouseReleased(QMouseEvent *)
{
    dragging = false;
}

void FramelessChrome::watchNativeWindow()
{
    if (QWindow *handle = window->windowHandle())
        handle->installEventFilter(this);
}

bool FramelessChrome::resizable() const
{
    const Qt::WindowStates fixedStates = Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized;
    return !(window->windowState() & fixedStates) && window->minimumSize() != window->maximumSize();
}

void FramelessChrome::showEdgeCursor(Qt::Edges edges)
{
    if (edges) {
        window->setCursor(FramelessHitTest::cursorForEdges(edges));
        edgeCursorShown = true;
    } else if (edgeCursorShown) {
        window->unsetCursor();
        edgeCursorShown = false;
    }
}

// The native window sees every mouse event of the window before any widget does, whatever lies under the
// pointer, so the resize bands work above the title bar and the content alike.
bool FramelessChrome::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != window->windowHandle())
        return false;
    switch (event->type()) {
    case QEvent::MouseMove: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->buttons() == Qt::NoButton)
            showEdgeCursor(resizable() ? FramelessHitTest::hitTestEdges(mouse->pos(), window->size())
                                       : Qt::Edges());
        return false;
    }
    case QEvent::MouseButtonPress: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton || !resizable())
            return false;
        const Qt::Edges edges = FramelessHitTest::hitTestEdges(mouse->pos(), window->size());
        // Handled only when the window system took over; otherwise the press goes on as usual.
        return edges && window->windowHandle()->startSystemResize(edges);
    }
    case QEvent::Leave:
        showEdgeCursor({});
        return false;
    default:
        return false;
    }
}

#ifdef Q_OS_WIN
bool FramelessChrome::nativeEvent(void *message, NativeEventResult *result)
{
    const MSG *msg = static_cast<const MSG *>(message);
    if (msg->message != WM_NCHITTEST) {
        layoutTitleBar();
        return false;
    }
    if (!resizable())
        return false;
    // The message carries physical screen pixels; the window's geometry is in device-independent ones.
    const qreal ratio = window->devicePixelRatioF();
    const QPoint cursor(qRound(GET_X_LPARAM(msg->lParam) / ratio), qRound(GET_Y_LPARAM(msg->lParam) / ratio));
    const int code = FramelessHitTest::hitTestCode(cursor - window->geometry().topLeft(), window->size());
    if (code < FramelessHitTest::Left || code > FramelessHitTest::BottomRight)
        return false;
    *result = code;
    return true;
}
#else
bool FramelessChrome::nativeEvent(void *, NativeEventResult *)
{
    return false;
}
#endif
