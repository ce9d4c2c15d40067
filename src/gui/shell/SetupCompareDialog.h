#pragma once

#include "setup/DeviceSetup.h"

#include <QDialog>

class QLabel;
class QTableWidget;

// Shows, side by side, each value of a setup that the device does not hold: the setting, the value in the
// setup file and the value on the device. It stays open beside the main window until the operator closes
// it.
class SetupCompareDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SetupCompareDialog(QWidget *parent = nullptr);

    void showDifferences(const QString &summary, const QList<SetupDifference> &differences);

    QLabel *summaryLabel = nullptr;
    QTableWidget *table = nullptr;
};
