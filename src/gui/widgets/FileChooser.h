#pragma once

#include <QString>

class QWidget;

// The operator picks an existing file (QFileDialog::getOpenFileName); an empty string when cancelled.
QString ChooseOpenFile(QWidget *parent, const QString &caption, const QString &dir, const QString &filter);
// The operator names a file to write (QFileDialog::getSaveFileName, starting at `path`); an empty string when
// cancelled.
QString ChooseSaveFile(QWidget *parent, const QString &caption, const QString &path, const QString &filter);
