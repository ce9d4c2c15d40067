#pragma once

#include "widgets/FramelessChrome.h"

#include <QWidget>

// Base of the main window: a frameless top-level window with its own title bar (icon, title, minimise,
// maximise and close buttons) above a content area, dragged by the title bar and resized at its edges.
class MyFramelessWindow : public QWidget
{
    Q_OBJECT

public:
    explicit MyFramelessWindow(QWidget *parent = nullptr);

    // Puts the page into the content area, without margins.
    void setCentralContent(QWidget *content);
    void setTitleIcon(const QString &path);
    void setTitleText(const QString &text);

    // Title bar, content area and drag state.
    FramelessChrome *chrome() const { return frame; }
    // Whether the maximise button put the window into the maximised state.

public slots:
    void SLOT_WindowMin();
    void SLOT_WindowMax();
    void SLOT_WindowClose();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool nativeEvent(const QByteArray &eventType, void *message, NativeEventResult *result) override;

private:
    FramelessChrome *frame = nullptr;
    bool maximized = false;
};
