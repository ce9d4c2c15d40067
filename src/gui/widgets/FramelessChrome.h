#pragma once

#include <QObject>
#include <QPoint>
#include <QStringList>

class QGridLayout;
class QLabel;
class QMouseEvent;
class QPushButton;
class QWidget;
class QWindow;

// The type in which QWidget::nativeEvent returns its result: long in Qt 5, qintptr in Qt 6.
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
using NativeEventResult = qintptr;
#else
using NativeEventResult = long;
#endif

// The parts that frameless windows and dialogs share: their own title bar (icon, text, buttons) above a
// content area, dragging by the title bar, and resizing from 5-pixel bands along the edges.
//
// The window or dialog owns one instance and forwards its mouse, resize and native events to it.
class FramelessChrome : public QObject
{
    Q_OBJECT

public:
    enum class Buttons
    {
        CloseOnly,
        MinMaxClose
    };

    static constexpr int TitleBarHeight = 48;
    static constexpr int PartWidth = 48;

    // Sizes and places the window from the primary screen, creates the title bar and content area,
    // makes the window frameless and loads the title-bar pictures (the application's style sheet holds the
    // title bar's style).
    FramelessChrome(QWidget *window, Buttons buttons);
    // The picture files the constructor reads, in the order it reads them.
    static QStringList pictureFiles(Buttons buttons);

    QWidget *const window;
    QWidget *centralWidget = nullptr;
    QWidget *titleBar = nullptr;
    QLabel *titleBarIcon = nullptr;
    QLabel *titleBarText = nullptr;
    QPushButton *titleBarMin = nullptr; // null for a dialog
    QPushButton *titleBarMax = nullptr; // null for a dialog
    QPushButton *titleBarClose = nullptr;
    QWidget *contentWidget = nullptr;
    QGridLayout *contentLayout = nullptr;
    bool dragging = false;
    QPoint dragStart;

    // Fits the title bar and content area to the window's current size.
    void layoutTitleBar();
    // App picture and button icons (the maximise button shows MaxSize.png).
    void loadTitleBarImages();
    // Shows the maximise or the restore picture on the maximise button.
    void showMaximizeIcon(bool maximized);

    void setCentralContent(QWidget *content);
    void setTitleIcon(const QString &path);
    void setTitleText(const QString &text);

    // Whether a window-local point lies on the title bar.
    bool isOverTitleBar(const QPoint &windowPos) const;

    void mousePressed(QMouseEvent *event);
    void mouseMoved(QMouseEvent *event);
    void mouseReleased(QMouseEvent *event);

    // Starts watching the native window for edge resizing; called whenever the window is shown, because
    // the native window exists only from then on (and may be recreated).
    void watchNativeWindow();

    // Windows: answers the non-client hit test inside the resize bands; any other message re-fits the
    // title bar. Elsewhere it does nothing. Returns whether the message was handled.
    bool nativeEvent(void *message, NativeEventResult *result);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static void setButtonIcon(QPushButton *button, const QString &relative);
    bool resizable() const;
    void showEdgeCursor(Qt::Edges edges);

    bool edgeCursorShown = false;
};
