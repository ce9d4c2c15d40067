#include "widgets/FileChooser.h"

#include "widgets/FileChooserSeam.h"

#include <QFileDialog>

QString ChooseOpenFile(QWidget *parent, const QString &caption, const QString &dir, const QString &filter)
{
    QString chosen;
    if (FileChooserSeam::intercept(dir, &chosen))
        return chosen;
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString ChooseSaveFile(QWidget *parent, const QString &caption, const QString &path, const QString &filter)
{
    QString chosen;
    if (FileChooserSeam::intercept(path, &chosen))
        return chosen;
    return QFileDialog::getSaveFileName(parent, caption, path, filter);
}
