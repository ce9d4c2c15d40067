#pragma once

#include "widgets/FramelessChrome.h"

#include <QDialog>

// Base of the login dialog: a frameless dialog with its own title bar (icon, title and close button)
// above a content area, dragged by the title bar and resized at its edges.
class MyFramelessDialog : public QDialog
{
    Q_OBJECT

public:
    explicit MyFramelessDialog(QWidget *parent = nullptr);

    // Puts the page into the content area, without margins.
    void setCentralContent(QWidget *content);
    void setTitleIcon(const QString &path);
    void setTitleText(const QString &text);

    // Title bar, content area and drag state.
    FramelessChrome *chrome() const { return frame; }

public slots:
    void SLOT_WindowClose();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool nativeEvent(const QByteArray &eventType, void *message, NativeEventResult *result) override;

private:
    FramelessChrome *frame = nullptr;
};
