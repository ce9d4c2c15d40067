#pragma once

#include "protocol/EdidUpload.h"

#include <QWidget>

class LinkSession;
struct ParsedReply;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

// The System page: EDID mode of the inputs, factory reset, firmware versions of the device's parts, the
// user EDID upload, and the device's own communication parameters (RS-232 baud rate, network address,
// port, mask and gateway). A confirmed reset, and a confirmed write of the parameter of the link in use,
// make the device restart; the main window then follows it to where it is reached now.
class Ui_System : public QWidget
{
    Q_OBJECT
public:
    explicit Ui_System(LinkSession &session, QWidget *parent = nullptr);

    void SyncEdidSelect(int index);
    void SyncFirmwareVersion(const QString &text);
    void ShowUserEdidWritten();
    void ApplyModel();
    void ReloadUIText(bool initial, bool readBack);

    QFrame *systemFrame = nullptr;
    QLabel *edidModeLabel = nullptr;
    QComboBox *edidModeCombo = nullptr;
    QLabel *resetLabel = nullptr;
    QPushButton *resetButton = nullptr;
    QLabel *firmwareLabel = nullptr;
    QComboBox *firmwareCombo = nullptr;
    QLineEdit *versionField = nullptr;
    QLabel *userEdidLabel = nullptr;
    QPushButton *loadButton = nullptr;
    QLineEdit *pathField = nullptr;
    QPushButton *edidWriteButton = nullptr;

    QFrame *communicationFrame = nullptr;
    QFrame *cutLine = nullptr;
    QLabel *baudLabel = nullptr;
    QComboBox *baudCombo = nullptr;
    QPushButton *rs232WriteButton = nullptr;
    QPushButton *rs232ReadButton = nullptr;
    QLabel *ipLabel = nullptr;
    QLineEdit *ipField = nullptr;
    QLabel *portLabel = nullptr;
    QLineEdit *portField = nullptr;
    QLabel *maskLabel = nullptr;
    QLineEdit *maskField = nullptr;
    QLabel *gatewayLabel = nullptr;
    QLineEdit *gatewayField = nullptr;
    QPushButton *networkWriteButton = nullptr;
    QPushButton *networkReadButton = nullptr;

    QPushButton *readAllButton = nullptr;

signals:
    void SGL_SyncSerialPortNetworkInfo();
    // The factory reset was queued.
    void SGL_ResetConfirmed();
    // The device confirmed a write of the communication parameter of the link in use; the new value is
    // stored in the settings.
    void SGL_LinkParameterWritten();

public slots:
    void SLT_SetEdidSelect(int index);
    void SLT_SetResetDevice(bool checked);
    void SLT_GetFirmwareVersion(int index);
    void SLT_GetUserEdidFile(bool checked);
    void SLT_SetUserEdid(bool checked);
    void SLT_Network_Write();
    void SLT_Network_Read();
    void SLT_RS232_Write();
    void SLT_RS232_Read();
    void SLT_ReadInfo_ALL();

private:
    void buildSystemFrame();
    void buildCommunicationFrame();
    QList<QWidget *> networkWidgets() const;
    // A reply about the device's own link settings: stored in the settings; when it answers a write, the
    // write is told, and the link follows a write of its own parameter.
    void takeLinkParameter(const ParsedReply &reply, const QByteArray &answered);

    LinkSession &session;
    EdidUpload edid;
    // The directory the EDID file chooser opens in: "." at first, then that of the last chosen file.
    QString edidDirectory = QStringLiteral(".");
};
