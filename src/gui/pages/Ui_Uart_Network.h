#pragma once

#include <QSplitter>

class DevicePanel;
class LinkSession;
class MyComboBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class SerialSpeedSearch;

// The connection page: opens and closes the serial or the TCP link, shows the PC address in use, the link
// status picture and the progress lines that the reply handling writes.
class Ui_Uart_Network : public QSplitter
{
    Q_OBJECT
public:
    explicit Ui_Uart_Network(LinkSession &session, QWidget *parent = nullptr);
    ~Ui_Uart_Network() override;

    void ReloadUIText(bool initial, bool readBack);
    void DisconnectActiveLink();
    void SetStatusImage(bool ok);
    void AppendStatusText(const QString &text);
    // Shows a line that changes (a countdown) below the status lines, in place of the previous one; an
    // empty text removes it.
    void SetProgressLine(const QString &text);
    void UpdateLinkInputsEnabled(bool connected);

    MyComboBox *portBox = nullptr;
    QComboBox *baudBox = nullptr;
    QComboBox *dataBitsBox = nullptr;
    QComboBox *parityBox = nullptr;
    QComboBox *stopBitsBox = nullptr;
    QComboBox *flowControlBox = nullptr;
    QPushButton *serialConnectButton = nullptr;
    QComboBox *networkModeBox = nullptr;
    QLineEdit *ipEdit = nullptr;
    QLineEdit *portEdit = nullptr;
    QLineEdit *maskEdit = nullptr;
    QLineEdit *gatewayEdit = nullptr;
    QPushButton *networkConnectButton = nullptr;
    QPlainTextEdit *statusText = nullptr;
    QPushButton *clearButton = nullptr;
    MyComboBox *localIpBox = nullptr;
    QLineEdit *pcPortEdit = nullptr;
    QLabel *statusPicture = nullptr;
    // How often an open link re-reads the device's whole state (seconds, 0 off; kept in the settings).
    QLabel *watchLabel = nullptr;
    QSpinBox *watchBox = nullptr;
    // Which picture the status label shows: true success, false fail.
    bool statusOk = false;
    // The saved and recent devices, network discovery; "Auto" in the baud box.
    DevicePanel *devicePanel = nullptr;
    SerialSpeedSearch *speedSearch = nullptr;

signals:
    void SGL_PretendConnect_SerialPort(QString MyPortName, QString MyBaudRate, QString MyDataBit,
                                       QString MyParity, QString MyStopBit, QString MyFlowControl);
    void SGL_PretendConnect_TcpClient(QString LocalIp, QString RemoteIp, QString RemotePort);

public slots:
    void SLT_pushButton_UartConnect_clicked();
    void SLT_pushButton_NetworkConnect_clicked();
    void SLT_comboBox_GetVaildSerialPort();
    void SLT_comboBox_GetVaildLocalIp();
    // A failed connect is reported with the system's reason; `localCause` says that this computer's
    // address could not be used.
    void SLT_ConnectStatus_SerialPort(bool status, int ErrorCode, const QString &reason = QString());
    void SLT_ConnectStatus_TcpClient(bool status, int ErrorCode, const QString &reason = QString(),
                                     bool localCause = false);
    void SLT_LinkLost(quint32 linkType, int ErrorCode, const QString &reason);
    void SLT_RestartWait(quint32 linkType, int seconds);
    void SLT_RestartOver(quint32 linkType, bool back);
    void SLT_ClearStatus();

private:
    void buildWidgets();
    void layoutWidgets();
    void connectSession();
    void connectSerial();
    bool connectNetwork();
    // Whether the link the page names may be opened: after the operator agreed, when a lumaplex-gateway of
    // this computer holds it already.
    bool mayOpen(bool serial);
    void disconnectLink();
    void handleConnectStatus(bool status, QPushButton *linkButton, QPushButton *otherButton,
                             const QString &failMessage);
    QList<QWidget *> linkInputs() const;

    LinkSession &session;
    // The link held by a gateway that the operator last chose to open anyway.
    QString confirmedHeldLink;

    QLabel *portLabel = nullptr;
    QLabel *baudLabel = nullptr;
    QLabel *dataBitsLabel = nullptr;
    QLabel *parityLabel = nullptr;
    QLabel *stopBitsLabel = nullptr;
    QLabel *flowControlLabel = nullptr;
    QGroupBox *serialGroup = nullptr;
    QLabel *networkModeLabel = nullptr;
    QLabel *ipLabel = nullptr;
    QLabel *portNumberLabel = nullptr;
    QLabel *maskLabel = nullptr;
    QLabel *gatewayLabel = nullptr;
    QGroupBox *networkGroup = nullptr;
    QGroupBox *statusGroup = nullptr;
    QLabel *localIpLabel = nullptr;
    QLabel *pcPortLabel = nullptr;
    QGroupBox *pcNetworkGroup = nullptr;
    QSplitter *topSplitter = nullptr;
    // The changing line at the end of the status box, and where it starts.
    QString progressText;
    int progressStart = -1;
};
