#include "pages/Ui_System.h"

#include "config/AppState.h"
#include "pages/NetworkSettings.h"
#include "pages/PageWidgets.h"
#include "protocol/Catalogue.h"
#include "protocol/ReplyKeywords.h"
#include "protocol/ReplyParser.h"
#include "protocol/Settings.h"
#include "protocol/ValueTables.h"
#include "session/LinkSession.h"
#include "widgets/FileChooser.h"
#include "widgets/MessageBox.h"
#include "widgets/PlaceWidget.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
const QSize SystemFrameSize(860, 124);
const QSize CommunicationFrameSize(742, 154);
constexpr int FirmwarePartCount = 4;
// Gap between the baud rate combo and the network column.
constexpr int NetworkColumnGap = 66;

// A 160 x 26 label below `above` and its 180 x 26 field right of it.
void placeNetworkRow(QLabel *label, QLineEdit *field, const QWidget *above)
{
    PlaceBelow(label, above, 160, 26);
    PlaceRightOf(field, label, 180, 26);
}
} // namespace

Ui_System::Ui_System(LinkSession &linkSession, QWidget *parent) : QWidget(parent), session(linkSession)
{
    systemFrame = makeBoxFrame(this);
    systemFrame->setGeometry(QRect(QPoint(4, 4), SystemFrameSize));
    communicationFrame = makeBoxFrame(this);
    PlaceBelow(communicationFrame, systemFrame, CommunicationFrameSize.width(),
               CommunicationFrameSize.height());
    cutLine = new QFrame(communicationFrame);
    cutLine->setObjectName(QStringLiteral("Communication_CutLine"));
    cutLine->setFrameShape(QFrame::VLine);
    cutLine->setFrameShadow(QFrame::Sunken);
    cutLine->setGeometry((communicationFrame->width() - 2) / 2, 0, 2, communicationFrame->height());
    readAllButton = new QPushButton(this);
    PlaceBelow(readAllButton, communicationFrame, 100, 26, 10);

    buildSystemFrame();
    buildCommunicationFrame();

    ReloadUIText(true, false);

    connect(edidModeCombo, QOverload<int>::of(&QComboBox::activated), this, &Ui_System::SLT_SetEdidSelect);
    connect(resetButton, &QPushButton::clicked, this, &Ui_System::SLT_SetResetDevice);
    connect(firmwareCombo, QOverload<int>::of(&QComboBox::activated), this,
            &Ui_System::SLT_GetFirmwareVersion);
    connect(loadButton, &QPushButton::clicked, this, &Ui_System::SLT_GetUserEdidFile);
    connect(edidWriteButton, &QPushButton::clicked, this, &Ui_System::SLT_SetUserEdid);
    connect(networkWriteButton, &QPushButton::clicked, this, &Ui_System::SLT_Network_Write);
    connect(networkReadButton, &QPushButton::clicked, this, &Ui_System::SLT_Network_Read);
    connect(rs232WriteButton, &QPushButton::clicked, this, &Ui_System::SLT_RS232_Write);
    connect(rs232ReadButton, &QPushButton::clicked, this, &Ui_System::SLT_RS232_Read);
    connect(readAllButton, &QPushButton::clicked, this, &Ui_System::SLT_ReadInfo_ALL);

    showDeviceValues(
        session.device(), this,
        {{"edid.mode", [this](const QString &v) { SyncEdidSelect(Tables::EdidModes.indexOf(v.toLatin1())); }},
         {"firmware.version", [this](const QString &v) { SyncFirmwareVersion(v); }}});
    flashChangedValues(session.device(), this, {{"edid.mode", {edidModeCombo}}});
    connect(&session.device(), &DeviceModel::SGL_ReplyApplied, this,
            [this](const ParsedReply &reply, const QByteArray &answered) {
                // Only "EDID-USER OK" confirms an upload (it is what releases it); any other answer is told.
                if (reply.keyword == KwEdidUser &&
                    reply.text.section(QLatin1Char(' '), 0, 0) == QLatin1String("OK"))
                    ShowUserEdidWritten();
                else if (reply.keyword == KwEdidUser)
                    ShowMessage(State().text.SMSG_EdidWriteFail + reply.text, this);
                else if (reply.keyword == KwNetworkInfo || reply.keyword == KwBaudrate)
                    takeLinkParameter(reply, answered);
            });
}

void Ui_System::buildSystemFrame()
{
    edidModeLabel = new QLabel(systemFrame);
    edidModeCombo = makeCombo(systemFrame);
    resetLabel = new QLabel(systemFrame);
    resetButton = new QPushButton(systemFrame);
    firmwareLabel = new QLabel(systemFrame);
    firmwareCombo = makeCombo(systemFrame);
    versionField = new QLineEdit(systemFrame);
    userEdidLabel = new QLabel(systemFrame);
    loadButton = new QPushButton(systemFrame);
    pathField = new QLineEdit(systemFrame);
    edidWriteButton = new QPushButton(systemFrame);

    PlaceWidget(edidModeLabel, nullptr, 0x88, 4, 4, 200, 26);
    PlaceRightOf(edidModeCombo, edidModeLabel, 160, 26);
    PlaceBelow(resetLabel, edidModeLabel, 200, 26);
    PlaceRightOf(resetButton, resetLabel, 120, 26);
    PlaceBelow(firmwareLabel, resetLabel, 200, 26);
    PlaceRightOf(firmwareCombo, firmwareLabel, 160, 26);
    PlaceRightOf(versionField, firmwareCombo, 140, 26);
    PlaceBelow(userEdidLabel, firmwareLabel, 200, 26);
    PlaceRightOf(loadButton, userEdidLabel, 160, 26);
    PlaceRightOf(pathField, loadButton, 320, 26);
    PlaceRightOf(edidWriteButton, pathField, 160, 26);
}

void Ui_System::buildCommunicationFrame()
{
    baudLabel = new QLabel(communicationFrame);
    baudCombo = makeCombo(communicationFrame);
    rs232WriteButton = new QPushButton(communicationFrame);
    rs232ReadButton = new QPushButton(communicationFrame);
    ipLabel = new QLabel(communicationFrame);
    ipField = new QLineEdit(communicationFrame);
    portLabel = new QLabel(communicationFrame);
    portField = new QLineEdit(communicationFrame);
    maskLabel = new QLabel(communicationFrame);
    maskField = new QLineEdit(communicationFrame);
    gatewayLabel = new QLabel(communicationFrame);
    gatewayField = new QLineEdit(communicationFrame);
    networkWriteButton = new QPushButton(communicationFrame);
    networkReadButton = new QPushButton(communicationFrame);

    PlaceWidget(baudLabel, nullptr, 0x88, 4, 4, 160, 26);
    PlaceRightOf(baudCombo, baudLabel, 160, 26);
    PlaceBelow(rs232WriteButton, baudLabel, 160, 26);
    PlaceRightOf(rs232ReadButton, rs232WriteButton, 160, 26);
    PlaceRightOf(ipLabel, baudCombo, 160, 26, NetworkColumnGap);
    PlaceRightOf(ipField, ipLabel, 180, 26);
    placeNetworkRow(portLabel, portField, ipLabel);
    placeNetworkRow(maskLabel, maskField, portLabel);
    placeNetworkRow(gatewayLabel, gatewayField, maskLabel);
    PlaceBelow(networkWriteButton, gatewayLabel, 160, 26);
    PlaceRightOf(networkReadButton, networkWriteButton, 160, 26);
}

QList<QWidget *> Ui_System::networkWidgets() const
{
    return {ipLabel,   ipField,      portLabel,    portField,          maskLabel,
            maskField, gatewayLabel, gatewayField, networkWriteButton, networkReadButton};
}

void Ui_System::SLT_SetEdidSelect(int index)
{
    session.send(WriteSetting(session.device().context(), "edid.mode", quint32(index)));
}

void Ui_System::SLT_SetResetDevice(bool)
{
    if (!ShowConfirm(State().text.SMSG_ResetMessage, this))
        return;
    session.send(ResetDevice());
    emit SGL_ResetConfirmed();
}

void Ui_System::SLT_GetFirmwareVersion(int)
{
    const QString part = firmwareCombo->currentText();
    for (int kind = 0; kind < FirmwarePartCount; ++kind) {
        if (part == State().text.ScomboBox_FirmwareVersion[kind]) {
            versionField->clear();
            session.send(GetVersion(quint32(kind)));
            break;
        }
    }
}

void Ui_System::SLT_GetUserEdidFile(bool)
{
    pathField->clear();
    const QString path = ChooseOpenFile(this, tr("Select Edid File"), edidDirectory, tr("Bin File(*.bin)"));
    if (path.isEmpty())
        return;
    edidDirectory = path.left(path.lastIndexOf(QLatin1Char('/')));
    pathField->setText(path);
}

void Ui_System::SLT_SetUserEdid(bool)
{
    const LanguageTexts &t = State().text;
    switch (edid.load(pathField->text())) {
    case EdidUpload::Result::NoFile:
        ShowMessage(t.SMSG_FirstLoadEdidFile, this);
        return;
    case EdidUpload::Result::NotEdid:
        ShowMessage(t.SMSG_NotIsEdidContent, this);
        return;
    case EdidUpload::Result::BadChecksum:
        ShowMessage(t.SMSG_EdidCheckFail, this);
        return;
    case EdidUpload::Result::Ready:
        break;
    }
    session.send(SetUserEdid(edid.bytes()));
}

void Ui_System::SLT_Network_Write()
{
    const QString ip = ipField->text();
    const QString port = portField->text();
    const QString mask = maskField->text();
    const QString gateway = gatewayField->text();
    if (!ValidateNetworkSettings(ip, port, mask, gateway)) {
        ShowMessage(State().text.SMSG_Network_Param_Fail, this);
        return;
    }
    session.send(SetNetworkInfo(ip, port, mask, gateway));
}

void Ui_System::SLT_Network_Read()
{
    session.send(GetNetworkInfo());
}

void Ui_System::SLT_RS232_Write()
{
    session.send(SetBaudrate(baudCombo->currentText().toInt()));
}

void Ui_System::SLT_RS232_Read()
{
    session.send(GetBaudrate());
}

void Ui_System::SLT_ReadInfo_ALL()
{
    readSettings(session, SetupGroup::Edid);
    // Only the parameter of the link in use is read: over TCP the network settings, over RS-232 the baud
    // rate.
    if (session.linkType() == LinkTcpClient)
        session.send(GetNetworkInfo());
    else if (session.linkType() == LinkSerial)
        session.send(GetBaudrate());
}

void Ui_System::SyncEdidSelect(int index)
{
    edidModeCombo->setCurrentIndex(index);
}

void Ui_System::SyncFirmwareVersion(const QString &text)
{
    versionField->clear();
    versionField->setText(text);
}

void Ui_System::ShowUserEdidWritten()
{
    ShowMessage(State().text.SMSG_EdidWriteOk, this);
}

void Ui_System::takeLinkParameter(const ParsedReply &reply, const QByteArray &answered)
{
    ConfigValues &config = State().config;
    const bool network = reply.keyword == KwNetworkInfo;
    if (network) {
        config.SP_RemoteIp = reply.words.value(0);
        config.SP_RemotePort = reply.words.value(1);
        config.SP_RemoteSubmask = reply.words.value(2);
        config.SP_RemoteGateway = reply.words.value(3);
    } else if (Tables::BaudRates.indexOf(QByteArray::number(reply.number)) >= 0) {
        config.SP_BaudRate = QString::number(reply.number);
    } else {
        return;
    }
    // The reply to a write (not to a read, nor one the device sent of its own) means the device now listens
    // with the new parameters; when they are those of the link in use, the link follows it there.
    const bool written = answered.startsWith("SET ");
    const bool ofThisLink = session.linkType() == (network ? LinkTcpClient : LinkSerial);
    if (written && ofThisLink)
        emit SGL_LinkParameterWritten();
    emit SGL_SyncSerialPortNetworkInfo();
    if (written) {
        const LanguageTexts &t = State().text;
        ShowMessage(ofThisLink ? t.SMSG_SyncConfigInfo + QStringLiteral("\r\n") + t.SMSG_ReconnectAuto
                               : t.SMSG_SyncConfigInfo,
                    this);
    }
}

void Ui_System::ApplyModel()
{
    const quint8 model = session.device().context().CurrentModel;
    if (model == NoModel)
        return;
    QStringList parts;
    for (int kind : Tables::firmwareParts(model))
        parts << State().text.ScomboBox_FirmwareVersion[kind];
    refill(firmwareCombo, parts);

    const bool network = Settings::onModel(SettingId::LinkIp, model);
    for (QWidget *widget : networkWidgets())
        widget->setVisible(network);
}

void Ui_System::ReloadUIText(bool initial, bool readBack)
{
    const LanguageTexts &t = State().text;
    const ConfigValues &config = State().config;
    if (initial) {
        refill(edidModeCombo, Tables::EdidModes.displayList());
        for (QLineEdit *field : {versionField, pathField}) {
            field->clear();
            field->setFocusPolicy(Qt::NoFocus);
        }
        refill(baudCombo, Tables::BaudRates.toStringList());
    }

    edidModeLabel->setText(t.Slabel_EdidSelect);
    resetLabel->setText(t.Slabel_Reset);
    resetButton->setText(t.S_ResetDevice);
    firmwareLabel->setText(t.Slabel_FirmwareVersion);
    userEdidLabel->setText(t.Slabel_UserEdid);
    loadButton->setText(t.SpushButton_Load);
    edidWriteButton->setText(t.S_ReadWrite[1]);
    baudLabel->setText(t.Slabel_Baudrate);
    rs232WriteButton->setText(t.S_ReadWrite[1]);
    rs232ReadButton->setText(t.S_ReadWrite[0]);
    ipLabel->setText(t.Slabel_Ip);
    portLabel->setText(t.Slabel_Port);
    maskLabel->setText(t.Slabel_SubMask);
    gatewayLabel->setText(t.Slabel_Gateway);
    networkWriteButton->setText(t.S_ReadWrite[1]);
    networkReadButton->setText(t.S_ReadWrite[0]);
    readAllButton->setText(t.S_ReadWrite[0]);

    const int baud = baudCombo->findText(config.SP_BaudRate, Qt::MatchExactly);
    if (baud >= 0)
        baudCombo->setCurrentIndex(baud);
    const QList<QPair<QLineEdit *, QString>> fields{{ipField, config.SP_RemoteIp},
                                                    {portField, config.SP_RemotePort},
                                                    {maskField, config.SP_RemoteSubmask},
                                                    {gatewayField, config.SP_RemoteGateway}};
    for (const auto &field : fields) {
        field.first->clear();
        field.first->setText(field.second);
    }

    ApplyModel();
    if (readBack)
        readAllButton->click();
}
