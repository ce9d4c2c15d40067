#pragma once

#include <QString>

class QWidget;

// The operator picks an existing file (QFileDialog::getOpenFileName); an empty string when cancelled.
QString ChooseOpenFile(QWidget *parent, const QString &caption, const QString &dir, const QString &filter);
