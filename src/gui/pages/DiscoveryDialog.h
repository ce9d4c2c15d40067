#pragma once

#include "session/NetworkSweep.h"
#include "session/SavedDevices.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

// "Find devices…": sweeps the subnet of a local interface (or a range the operator narrows it to, at most
// 1024 addresses) on the control port and lists each device as it answers, with its address, port and
// model. A double-click connects to it; "Save as…" keeps it in the device list. Cancel stops the sweep at
// once; closing the dialog does too.
class DiscoveryDialog : public QDialog
{
    Q_OBJECT
public:
    explicit DiscoveryDialog(QWidget *parent = nullptr);

    void ReloadUIText();
    // Lists the local interfaces, chooses the one with `localIp` and proposes its subnet and `port`.
    void prepare(const QString &localIp, const QString &port);
    // Starts the sweep of the range shown; false (told to the operator) when the range or port is refused.
    bool startSweep();

    QComboBox *interfaceBox = nullptr;
    QLineEdit *rangeEdit = nullptr;
    QLineEdit *portEdit = nullptr;
    QPushButton *startButton = nullptr;
    QPushButton *cancelButton = nullptr;
    QTableWidget *table = nullptr;
    QProgressBar *progress = nullptr;
    QLabel *progressLabel = nullptr;
    QPushButton *saveButton = nullptr;
    QPushButton *closeButton = nullptr;
    NetworkSweep sweep;

signals:
    void SGL_Connect(const SavedDevice &device);
    void SGL_Save(const SavedDevice &device);

protected:
    void done(int result) override;

private:
    void addFound(const QString &address, quint16 port, const QString &model);
    void showProgress();
    SavedDevice deviceAt(int row) const;

    QLabel *interfaceLabel = nullptr;
    QLabel *rangeLabel = nullptr;
    QLabel *portLabel = nullptr;
    // The netmask of the range swept, given to a device connected from the list.
    QString sweptMask;
};
