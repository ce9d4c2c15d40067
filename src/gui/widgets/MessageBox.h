#pragma once

#include <QString>

class QMessageBox;
class QWidget;

// The program's only way of telling the operator about a failure: a modal box with the message icon and
// one "OK" button, centred over the parent's window. Returns when the box is closed.
void ShowMessage(const QString &text, QWidget *parent);

// A modal question with "YES" and "NO"; true exactly when "YES" was clicked.
bool ShowConfirm(const QString &text, QWidget *parent);

// A box of the same look without buttons yet, for the other kinds of messages (LastingMessage). It is not
// moved: when shown, the dialog centres itself over the parent's top-level window.
QMessageBox *NewMessageBox(const QString &text, QWidget *parent);
