#pragma once

#include <QPointer>
#include <QString>

class QMessageBox;
class QWidget;

// A message of ShowMessage's look that does not hold the program up: it opens window-modal and returns at
// once, and while it is open its text can be changed, so that reports which keep coming gather in one box.
// While the message box seam is active it is recorded there instead and counts as open until the seam is
// reset.
class LastingMessage
{
public:
    explicit LastingMessage(QWidget *parent);
    ~LastingMessage();
    LastingMessage(const LastingMessage &) = delete;
    LastingMessage &operator=(const LastingMessage &) = delete;

    bool isOpen() const;
    // Opens the box with `text`, or shows `text` in the box that is open.
    void show(const QString &text);

private:
    QWidget *parent;
    QPointer<QMessageBox> box;
    int seamId = 0;
};
