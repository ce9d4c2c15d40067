#include "pages/Ui_Uart_Network.h"

#include "config/AppState.h"
#include "config/AppPaths.h"
#include "link/SerialPortAccess.h"
#include "pages/DevicePanel.h"
#include "pages/NetworkSettings.h"
#include "pages/PageWidgets.h"
#include "pages/SerialSpeedSearch.h"
#include "protocol/Catalogue.h"
#include "protocol/ValueTables.h"
#include "session/HeldLinks.h"
#include "session/LinkSession.h"
#include "session/SavedDevices.h"
#include "widgets/MessageBox.h"
#include "widgets/MyComboBox.h"
#include "widgets/Pictures.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkInterface>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QSpinBox>
#include <QTextCursor>

namespace {
constexpr int DefaultWatchSeconds = 10;
constexpr int StatusLines = 400;

QGridLayout *makeGrid(QGroupBox *group)
{
    auto *grid = new QGridLayout(group);
    grid->setHorizontalSpacing(120);
    grid->setVerticalSpacing(30);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    return grid;
}

int indexOrDefault(const QStringList &texts, const QString &text, const QList<int> &values, int fallback)
{
    const int at = texts.indexOf(text);
    return at >= 0 ? values.at(at) : fallback;
}

bool isLoopback(const QString &ip) { return QHostAddress(ip).isLoopback(); }

// A message followed by the system's own reason, when there is one.
QString withReason(const QString &text, const QString &reason)
{
    return reason.isEmpty() ? text : text + QStringLiteral(" (") + reason + QLatin1Char(')');
}
} // namespace

Ui_Uart_Network::Ui_Uart_Network(LinkSession &linkSession, QWidget *parent)
    : QSplitter(Qt::Vertical, parent), session(linkSession)
{
    buildWidgets();
    layoutWidgets();
    ReloadUIText(true, false);
    connect(serialConnectButton, &QPushButton::clicked, this, &Ui_Uart_Network::SLT_pushButton_UartConnect_clicked);
    connect(networkConnectButton, &QPushButton::clicked, this,
            &Ui_Uart_Network::SLT_pushButton_NetworkConnect_clicked);
    connect(clearButton, &QPushButton::clicked, this, &Ui_Uart_Network::SLT_ClearStatus);
    connect(portBox, &MyComboBox::SGL_Auto_UpdateComboBox, this, &Ui_Uart_Network::SLT_comboBox_GetVaildSerialPort);
    connect(localIpBox, &MyComboBox::SGL_Auto_UpdateComboBox, this, &Ui_Uart_Network::SLT_comboBox_GetVaildLocalIp);
    connectSession();
    SLT_comboBox_GetVaildLocalIp();
    // The interval kept in the settings, for this link and the next; a value that is none keeps the default.
    bool valid = false;
    const int seconds = State().config.SP_WatchSeconds.toInt(&valid);
    watchBox->setValue(valid && seconds >= 0 ? seconds : DefaultWatchSeconds);
    session.watch().setInterval(watchBox->value());
    connect(watchBox, QOverload<int>::of(&QSpinBox::valueChanged), this, [this](int seconds) {
        State().config.SP_WatchSeconds = QString::number(seconds);
        session.watch().setInterval(seconds);
    });
}

Ui_Uart_Network::~Ui_Uart_Network()
{
    if (State().LinkType != LinkNone)
        disconnectLink();
}

void Ui_Uart_Network::buildWidgets()
{
    portLabel = new QLabel;
    portBox = new MyComboBox;
    // The port may also be typed, for example the path of a pseudo-terminal.
    portBox->setEditable(true);
    baudLabel = new QLabel;
    baudBox = makeCombo(nullptr);
    dataBitsLabel = new QLabel;
    dataBitsBox = makeCombo(nullptr);
    parityLabel = new QLabel;
    parityBox = makeCombo(nullptr);
    stopBitsLabel = new QLabel;
    stopBitsBox = makeCombo(nullptr);
    flowControlLabel = new QLabel;
    flowControlBox = makeCombo(nullptr);
    serialConnectButton = new QPushButton;
    serialGroup = new QGroupBox;
    networkModeLabel = new QLabel;
    networkModeBox = makeCombo(nullptr);
    ipLabel = new QLabel;
    ipEdit = new QLineEdit;
    portNumberLabel = new QLabel;
    portEdit = new QLineEdit;
    maskLabel = new QLabel;
    maskEdit = new QLineEdit;
    gatewayLabel = new QLabel;
    gatewayEdit = new QLineEdit;
    networkConnectButton = new QPushButton;
    networkGroup = new QGroupBox;
    statusText = new QPlainTextEdit;
    clearButton = new QPushButton;
    watchLabel = new QLabel;
    watchBox = new QSpinBox;
    watchBox->setRange(0, 3600);
    statusGroup = new QGroupBox;
    localIpLabel = new QLabel;
    localIpBox = new MyComboBox;
    pcPortLabel = new QLabel;
    pcPortEdit = new QLineEdit;
    statusPicture = new QLabel;
    pcNetworkGroup = new QGroupBox;
    devicePanel = new DevicePanel(*this, session);
    speedSearch = new SerialSpeedSearch(*this);
}

void Ui_Uart_Network::layoutWidgets()
{
    setContentsMargins(6, 0, 6, 0);

    QGridLayout *serial = makeGrid(serialGroup);
    const QList<QPair<QLabel *, QWidget *>> serialRows = {
        {portLabel, portBox},         {baudLabel, baudBox},         {dataBitsLabel, dataBitsBox},
        {parityLabel, parityBox},     {stopBitsLabel, stopBitsBox}, {flowControlLabel, flowControlBox}};
    for (int row = 0; row < serialRows.size(); ++row) {
        serial->addWidget(serialRows[row].first, row, 0);
        serial->addWidget(serialRows[row].second, row, 1);
    }
    serial->addWidget(serialConnectButton, 6, 0);

    QGridLayout *network = makeGrid(networkGroup);
    const QList<QPair<QLabel *, QWidget *>> networkRows = {{networkModeLabel, networkModeBox},
                                                           {ipLabel, ipEdit},
                                                           {portNumberLabel, portEdit},
                                                           {maskLabel, maskEdit},
                                                           {gatewayLabel, gatewayEdit}};
    for (int row = 0; row < networkRows.size(); ++row) {
        network->addWidget(networkRows[row].first, row, 0);
        network->addWidget(networkRows[row].second, row, 1);
    }
    network->addWidget(networkConnectButton, 5, 0);

    QGridLayout *status = makeGrid(statusGroup);
    status->addWidget(statusText, 0, 1);
    status->addWidget(clearButton, 1, 1);
    // Column 0 stays empty: the progress lines get the group's whole width.
    status->setColumnStretch(0, 0);
    status->setHorizontalSpacing(0);

    QGridLayout *pc = makeGrid(pcNetworkGroup);
    pc->addWidget(localIpLabel, 0, 0);
    pc->addWidget(localIpBox, 0, 1);
    pc->addWidget(pcPortLabel, 1, 0);
    pc->addWidget(pcPortEdit, 1, 1);
    pc->addWidget(watchLabel, 2, 0);
    pc->addWidget(watchBox, 2, 1, Qt::AlignLeft);
    pc->addWidget(statusPicture, 0, 2, 3, 1);
    statusPicture->setFixedSize(96, 96);

    for (QGroupBox *group : {serialGroup, networkGroup, statusGroup})
        group->setAlignment(Qt::AlignLeft);
    pcNetworkGroup->setAlignment(Qt::AlignHCenter);

    // The device list goes first, beside the link settings it fills, and gets two fifths of the width.
    topSplitter = new QSplitter(Qt::Horizontal);
    topSplitter->setOpaqueResize(false);
    topSplitter->addWidget(devicePanel);
    topSplitter->addWidget(serialGroup);
    topSplitter->addWidget(networkGroup);
    topSplitter->addWidget(statusGroup);
    const int fifth = width() / 5;
    topSplitter->setSizes({2 * fifth, fifth, fifth, fifth});
    for (int i = 0; i < 4; ++i)
        topSplitter->setCollapsible(i, false);
    addWidget(topSplitter);
    addWidget(pcNetworkGroup);
    setCollapsible(0, false);
    setCollapsible(1, false);
}

void Ui_Uart_Network::connectSession()
{
    // Connect requests go to the session, which starts connecting without waiting for the result; the
    // application state names the kind of link the window has open.
    connect(this, &Ui_Uart_Network::SGL_PretendConnect_SerialPort, &session,
            [this](QString MyPortName, QString MyBaudRate, QString MyDataBit, QString MyParity, QString MyStopBit,
                   QString MyFlowControl) {
                session.openSerial({MyPortName, MyBaudRate, MyDataBit, MyParity, MyStopBit, MyFlowControl});
                State().LinkType = session.linkType();
            });
    connect(this, &Ui_Uart_Network::SGL_PretendConnect_TcpClient, &session,
            [this](QString LocalIp, QString RemoteIp, QString RemotePort) {
                session.openTcpClient(LocalIp, RemoteIp, RemotePort);
                State().LinkType = session.linkType();
            });
    connect(&session, &LinkSession::SGL_LinkClosed, this, [] { State().LinkType = LinkNone; });
    // The session relays only the reports of the link that is open now.
    connect(&session, &LinkSession::SGL_ConnectStatus, this,
            [this](quint32 linkType, bool status, int ErrorCode, const QString &reason, bool localCause) {
                if (linkType == LinkSerial)
                    SLT_ConnectStatus_SerialPort(status, ErrorCode, reason);
                else
                    SLT_ConnectStatus_TcpClient(status, ErrorCode, reason, localCause);
            });
    connect(&session, &LinkSession::SGL_CommandsDropped, this,
            [this] { AppendStatusText(State().text.SMSG_CommandsDropped); });
    connect(&session, &LinkSession::SGL_LinkLost, this, &Ui_Uart_Network::SLT_LinkLost);
    connect(&session, &LinkSession::SGL_PauseLeft, this,
            [this](quint32, int seconds) { SetProgressLine(State().text.SMSG_PauseLeft.arg(seconds)); });
    connect(&session, &LinkSession::SGL_PauseEnded, this, [this] { SetProgressLine(QString()); });
    connect(&session, &LinkSession::SGL_RestartWait, this, &Ui_Uart_Network::SLT_RestartWait);
    connect(&session, &LinkSession::SGL_RestartOver, this, &Ui_Uart_Network::SLT_RestartOver);
}

void Ui_Uart_Network::ReloadUIText(bool initial, bool)
{
    const LanguageTexts &t = State().text;
    const ConfigValues &c = State().config;
    portLabel->setText(t.Slabel_Uart);
    baudLabel->setText(t.Slabel_Baudrate);
    dataBitsLabel->setText(t.Slabel_DataBit);
    parityLabel->setText(t.Slabel_Parity);
    stopBitsLabel->setText(t.Slabel_StopBit);
    flowControlLabel->setText(t.Slabel_FlowControl);
    serialGroup->setTitle(t.SgroupBox_Uart);
    networkModeLabel->setText(t.Slabel_Network);
    ipLabel->setText(t.Slabel_Ip);
    portNumberLabel->setText(t.Slabel_Port);
    maskLabel->setText(t.Slabel_SubMask);
    gatewayLabel->setText(t.Slabel_Gateway);
    networkGroup->setTitle(t.SgroupBox_Network);
    statusGroup->setTitle(t.SgroupBox_Status);
    clearButton->setText(t.S_Clear);
    watchLabel->setText(t.Slabel_WatchSeconds);
    localIpLabel->setText(t.Slabel_MyIpv4);
    pcPortLabel->setText(t.Slabel_MyPort);
    pcNetworkGroup->setTitle(t.SgroupBox_MyNetwork);

    portBox->clear();
    if (initial) {
        const QList<QPair<QComboBox *, QPair<const WordList *, int>>> fixed = {
            {baudBox, {&Tables::BaudRates, 0}},       {dataBitsBox, {&Tables::DataBits, 3}},
            {parityBox, {&Tables::Parities, 0}},      {stopBitsBox, {&Tables::StopBits, 0}},
            {flowControlBox, {&Tables::FlowControls, 0}}, {networkModeBox, {&Tables::NetworkModes, 1}}};
        for (const auto &box : fixed) {
            refill(box.first, box.second.first->toStringList());
            box.first->setCurrentIndex(box.second.second);
            box.first->setEnabled(box.first == baudBox);
        }
        baudBox->addItem(t.S_BaudAuto);
        SLT_ClearStatus();
        statusText->setReadOnly(true);
        statusText->setWordWrapMode(QTextOption::WrapAnywhere);
        statusText->setMaximumBlockCount(StatusLines);
        localIpBox->clear();
        pcPortEdit->setEnabled(false);
        pcPortEdit->hide();
        pcPortLabel->hide();
        serialConnectButton->setText(t.S_ConnectDisconnect[0]);
        networkConnectButton->setText(t.S_ConnectDisconnect[0]);
        SetStatusImage(false);
    } else {
        portBox->addItem(c.SP_Name);
        baudBox->setItemText(baudBox->count() - 1, t.S_BaudAuto);
        const int baud = baudBox->findText(c.SP_BaudRate);
        if (baud >= 0)
            baudBox->setCurrentIndex(baud);
        const quint32 link = State().LinkType;
        serialConnectButton->setText(t.S_ConnectDisconnect[link == LinkSerial ? 1 : 0]);
        networkConnectButton->setText(t.S_ConnectDisconnect[link == LinkTcpClient ? 1 : 0]);
    }
    ipEdit->clear();
    ipEdit->setText(c.SP_RemoteIp);
    portEdit->clear();
    portEdit->setText(c.SP_RemotePort);
    maskEdit->clear();
    maskEdit->setText(c.SP_RemoteSubmask);
    gatewayEdit->clear();
    gatewayEdit->setText(c.SP_RemoteGateway);
    pcPortEdit->setText(QStringLiteral("1001"));
    devicePanel->ReloadUIText();
}

void Ui_Uart_Network::SLT_comboBox_GetVaildSerialPort()
{
    portBox->clear();
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &port : ports) {
        if (!port.description().isEmpty() && !port.manufacturer().isEmpty())
            portBox->addItem(port.portName());
    }
}

void Ui_Uart_Network::SLT_comboBox_GetVaildLocalIp()
{
    const QString deviceMask = maskEdit->text();
    const QString deviceIp = ipEdit->text();
    localIpBox->clear();
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces) {
        const QList<QNetworkAddressEntry> entries = interface.addressEntries();
        for (const QNetworkAddressEntry &entry : entries) {
            if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            const QString ip = entry.ip().toString();
            const QString mask = entry.netmask().toString();
            // A loopback interface has no broadcast address; it is offered when the device itself is a
            // loopback address (a simulator on this machine).
            const bool loopbackPair = entry.ip().isLoopback() && isLoopback(deviceIp);
            if (ip.isEmpty() || mask.isEmpty() || (entry.broadcast().toString().isEmpty() && !loopbackPair))
                continue;
            if (IsSameSubnet(mask, ip, deviceMask, deviceIp))
                localIpBox->addItem(ip + '<' + interface.humanReadableName() + '>');
        }
    }
}

QList<QWidget *> Ui_Uart_Network::linkInputs() const
{
    return {portBox, baudBox, ipEdit, portEdit, maskEdit, gatewayEdit, localIpBox, pcPortEdit};
}

void Ui_Uart_Network::UpdateLinkInputsEnabled(bool connected)
{
    for (QWidget *widget : linkInputs())
        widget->setEnabled(!connected);
    devicePanel->setLinkOpen(connected);
    if (!connected) {
        SetStatusImage(false);
        SetProgressLine(QString());
    }
}

bool Ui_Uart_Network::mayOpen(bool serial)
{
    SavedDevice device;
    device.serial = serial;
    device.address = serial ? portBox->currentText() : ipEdit->text();
    device.port = serial ? 0 : quint16(portEdit->text().toUInt());
    // Asked once for a link: the speed search presses the button again for the same port.
    const QString link = device.linkKey();
    if (link == confirmedHeldLink)
        return true;
    const qint64 gateway = HeldLinks::holder(device);
    if (gateway == 0)
        return true;
    if (!ShowConfirm(State().text.SMSG_LinkHeldByGateway.arg(link).arg(gateway), this))
        return false;
    confirmedHeldLink = link;
    return true;
}

void Ui_Uart_Network::SLT_pushButton_UartConnect_clicked()
{
    const LanguageTexts &t = State().text;
    if (serialConnectButton->text() == t.S_ConnectDisconnect[0]) {
        if (!mayOpen(true))
            return;
        // "Auto": the speed is searched first; the search presses the button again with the speed found.
        if (speedSearch->wanted())
            return speedSearch->start();
        connectSerial();
        serialConnectButton->setText(t.S_ConnectDisconnect[1]);
        networkConnectButton->setEnabled(false);
    } else {
        disconnectLink();
        serialConnectButton->setText(t.S_ConnectDisconnect[0]);
        networkConnectButton->setEnabled(true);
    }
}

void Ui_Uart_Network::connectSerial()
{
    ConfigValues &c = State().config;
    c.SP_Name = portBox->currentText();
    c.SP_BaudRate = baudBox->currentText();
    const QStringList dataBits = Tables::DataBits.toStringList();
    c.SP_DataBit = QString::number(indexOrDefault(dataBits.mid(0, 3), dataBitsBox->currentText(), {5, 6, 7}, 8));
    c.SP_Parity = QString::number(
        indexOrDefault(Tables::Parities.toStringList(), parityBox->currentText(), {0, 2, 3, 4, 5}, 0));
    c.SP_StopBit =
        QString::number(indexOrDefault(Tables::StopBits.toStringList(), stopBitsBox->currentText(), {1, 3, 2}, 1));
    c.SP_FlowControl = QString::number(
        indexOrDefault(Tables::FlowControls.toStringList(), flowControlBox->currentText(), {0, 1, 2}, 0));
    UpdateLinkInputsEnabled(true);
    emit SGL_PretendConnect_SerialPort(c.SP_Name, c.SP_BaudRate, c.SP_DataBit, c.SP_Parity, c.SP_StopBit,
                                       c.SP_FlowControl);
}

void Ui_Uart_Network::SLT_pushButton_NetworkConnect_clicked()
{
    const LanguageTexts &t = State().text;
    if (networkConnectButton->text() == t.S_ConnectDisconnect[0]) {
        if (connectNetwork()) {
            networkConnectButton->setText(t.S_ConnectDisconnect[1]);
            serialConnectButton->setEnabled(false);
        } else {
            // Nothing was started (LinkType stays 0): commands clicked meanwhile must not pile up for a
            // later link.
            networkConnectButton->setText(t.S_ConnectDisconnect[0]);
            serialConnectButton->setEnabled(true);
        }
    } else {
        disconnectLink();
        networkConnectButton->setText(t.S_ConnectDisconnect[0]);
        serialConnectButton->setEnabled(true);
    }
}

bool Ui_Uart_Network::connectNetwork()
{
    const LanguageTexts &t = State().text;
    if (!ValidateNetworkSettings(ipEdit->text(), portEdit->text(), maskEdit->text(), gatewayEdit->text())) {
        ShowMessage(t.SMSG_Network_Param_Fail, this);
        return false;
    }
    if (localIpBox->count() == 0 || localIpBox->currentText().isEmpty()) {
        ShowMessage(t.SMSG_Network_Connect_Fail, this);
        return false;
    }
    if (!mayOpen(false))
        return false;
    ConfigValues &c = State().config;
    c.SP_RemoteIp = ipEdit->text();
    c.SP_RemotePort = portEdit->text();
    c.SP_RemoteSubmask = maskEdit->text();
    c.SP_RemoteGateway = gatewayEdit->text();
    const QString localIp = localIpBox->currentText().section('<', 0, 0);
    UpdateLinkInputsEnabled(true);
    emit SGL_PretendConnect_TcpClient(localIp, c.SP_RemoteIp, c.SP_RemotePort);
    return true;
}

void Ui_Uart_Network::disconnectLink()
{
    UpdateLinkInputsEnabled(false);
    session.closeLink();
}

void Ui_Uart_Network::DisconnectActiveLink()
{
    if (State().LinkType == LinkTcpClient)
        networkConnectButton->click();
    else if (State().LinkType == LinkSerial)
        serialConnectButton->click();
}

void Ui_Uart_Network::SetStatusImage(bool ok)
{
    statusOk = ok;
    ShowPicture(statusPicture, AppPaths::file(ok ? QStringLiteral("/APP/Image/success.png")
                                                 : QStringLiteral("/APP/Image/fail.png")));
}

void Ui_Uart_Network::AppendStatusText(const QString &text)
{
    // The progress line stays below the status lines.
    const QString progress = progressText;
    SetProgressLine(QString());
    QTextCursor cursor = statusText->textCursor();
    cursor.movePosition(QTextCursor::End);
    statusText->setTextCursor(cursor);
    statusText->insertPlainText(text + QStringLiteral("\r\n"));
    SetProgressLine(progress);
}

void Ui_Uart_Network::SetProgressLine(const QString &text)
{
    if (text == progressText)
        return;
    QTextCursor cursor(statusText->document());
    if (progressStart >= 0) {
        cursor.setPosition(progressStart);
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    progressText = text;
    progressStart = -1;
    if (text.isEmpty())
        return;
    cursor.movePosition(QTextCursor::End);
    progressStart = cursor.position();
    cursor.insertText(text);
    statusText->ensureCursorVisible();
}

void Ui_Uart_Network::SLT_ConnectStatus_SerialPort(bool status, int ErrorCode, const QString &reason)
{
    // A report that arrives after the operator closed this link (or opened the other one) is stale: it must
    // neither lock the settings of an idle page nor query or close another link.
    if (State().LinkType != LinkSerial)
        return;
    // A port the operator may not open: the message also says how to get the permission.
    const SerialPortAccess access = serialPortAccess(State().config.SP_Name);
    const QString hint =
        status || !access.denied
            ? QString()
            : QLatin1Char('\n') + State().text.SMSG_SerialPortPermission.arg(access.path, access.group);
    handleConnectStatus(
        status, serialConnectButton, networkConnectButton,
        withReason(State().text.SMSG_SerialPort_Connect_Fail + QString::number(ErrorCode), reason) + hint);
}

void Ui_Uart_Network::SLT_ConnectStatus_TcpClient(bool status, int ErrorCode, const QString &reason,
                                                  bool localCause)
{
    if (State().LinkType != LinkTcpClient)
        return;
    // Only a local address that cannot be used is a matter of the local IP settings; a device that refuses
    // or does not answer is not.
    const LanguageTexts &t = State().text;
    const QString text = localCause ? t.SMSG_Network_Connect_Fail : t.SMSG_Network_Device_Fail;
    handleConnectStatus(status, networkConnectButton, serialConnectButton,
                        withReason(text + QString::number(ErrorCode), reason));
}

void Ui_Uart_Network::handleConnectStatus(bool status, QPushButton *linkButton, QPushButton *otherButton,
                                          const QString &failMessage)
{
    if (status) {
        // The link is up: identification starts with the model query.
        session.send(GetModelType());
        UpdateLinkInputsEnabled(true);
        return;
    }
    DisconnectActiveLink();
    linkButton->setText(State().text.S_ConnectDisconnect[0]);
    otherButton->setEnabled(true);
    ShowMessage(failMessage, this);
    UpdateLinkInputsEnabled(false);
}

void Ui_Uart_Network::SLT_LinkLost(quint32 linkType, int, const QString &reason)
{
    if (State().LinkType != linkType)
        return;
    const LanguageTexts &t = State().text;
    AppendStatusText(t.SMSG_LinkLost.arg(reason));
    DisconnectActiveLink();
    ShowMessage(
        withReason(linkType == LinkSerial ? t.SMSG_SerialPort_Lost : t.SMSG_Network_ReConnect_Fail, reason),
        this);
}

void Ui_Uart_Network::SLT_RestartWait(quint32 linkType, int seconds)
{
    if (State().LinkType != linkType)
        return;
    // The device comes back as a new one: it is identified and read again.
    SetStatusImage(false);
    SetProgressLine(State().text.SMSG_RestartWait.arg(seconds));
}

void Ui_Uart_Network::SLT_RestartOver(quint32 linkType, bool back)
{
    if (State().LinkType != linkType)
        return;
    SetProgressLine(QString());
    if (back) {
        // The line speed that reached the device is the one it uses now.
        const LinkTarget target = session.target();
        if (target.type == LinkSerial) {
            State().config.SP_BaudRate = target.serial.baudRate;
            const int baud = baudBox->findText(target.serial.baudRate);
            if (baud >= 0)
                baudBox->setCurrentIndex(baud);
        }
        return;
    }
    // The operator learns which of the changes clicked meanwhile never reached the device.
    QString message = State().text.SMSG_RestartFailed;
    QStringList held;
    for (QByteArray line : session.heldRequests())
        held << QString::fromLatin1(line.replace('\r', QByteArray()));
    if (!held.isEmpty())
        message += QLatin1Char(' ') + State().text.SMSG_RestartNotSent + QLatin1Char(' ') +
                   held.join(QStringLiteral(", "));
    AppendStatusText(message);
    DisconnectActiveLink();
    ShowMessage(message, this);
}

void Ui_Uart_Network::SLT_ClearStatus()
{
    statusText->clear();
    progressText.clear();
    progressStart = -1;
}
