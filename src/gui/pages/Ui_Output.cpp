#include "pages/Ui_Output.h"

#include "config/AppState.h"
#include "pages/NumericField.h"
#include "pages/PageWidgets.h"
#include "protocol/Catalogue.h"
#include "protocol/Settings.h"
#include "protocol/ValueTables.h"
#include "session/LinkSession.h"
#include "widgets/PlaceWidget.h"

#include <QComboBox>
#include <QFrame>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
constexpr int UserResolutionIndex = 15;
const QSize FullFrame(1072, 94);
const QSize ShortFrame(740, 94);
} // namespace

Ui_Output::Ui_Output(LinkSession &linkSession, QWidget *parent) : QWidget(parent), session(linkSession)
{
    settingsFrame = makeBoxFrame(this);
    settingsFrame->setGeometry(QRect(QPoint(4, 4), FullFrame));
    resolutionLabel = new QLabel(settingsFrame);
    resolutionCombo = makeCombo(settingsFrame);
    userResolutionLabel = new QLabel(settingsFrame);
    widthField = new QLineEdit(settingsFrame);
    heightField = new QLineEdit(settingsFrame);
    userReadButton = new QPushButton(settingsFrame);
    userWriteButton = new QPushButton(settingsFrame);
    vkaLabel = new QLabel(settingsFrame);
    vkaCombo = makeCombo(settingsFrame);
    itcLabel = new QLabel(settingsFrame);
    itcCombo = makeCombo(settingsFrame);
    hdcpLabel = new QLabel(settingsFrame);
    hdcpCombo = makeCombo(settingsFrame);
    autoLabel = new QLabel(settingsFrame);
    autoCombo = makeCombo(settingsFrame);
    readAllButton = new QPushButton(this);

    PlaceWidget(resolutionLabel, nullptr, 0x88, 4, 4, 160, 26);
    PlaceRightOf(resolutionCombo, resolutionLabel, 200, 26);
    PlaceRightOf(userResolutionLabel, resolutionCombo, 360, 26);
    PlaceRightOf(widthField, userResolutionLabel, 60, 26);
    PlaceRightOf(heightField, widthField, 60, 26);
    PlaceRightOf(userReadButton, heightField, 100, 26);
    PlaceRightOf(userWriteButton, userReadButton, 100, 26);
    PlaceBelow(vkaLabel, resolutionLabel, 160, 26);
    PlaceRightOf(vkaCombo, vkaLabel, 200, 26);
    PlaceRightOf(itcLabel, vkaCombo, 160, 26);
    PlaceRightOf(itcCombo, itcLabel, 200, 26);
    PlaceBelow(hdcpLabel, vkaLabel, 160, 26);
    PlaceRightOf(hdcpCombo, hdcpLabel, 200, 26);
    PlaceRightOf(autoLabel, hdcpCombo, 160, 26);
    PlaceRightOf(autoCombo, autoLabel, 200, 26);
    PlaceBelow(readAllButton, settingsFrame, 100, 26, 10);

    sizeValidator = new QIntValidator(0, 9999, this);
    widthField->setValidator(sizeValidator);
    heightField->setValidator(sizeValidator);

    ReloadUIText(true, false);

    connect(resolutionCombo, QOverload<int>::of(&QComboBox::activated), this, &Ui_Output::SLT_SetResolution);
    connect(userReadButton, &QPushButton::clicked, this, &Ui_Output::SLT_ReadUserResolution);
    connect(userWriteButton, &QPushButton::clicked, this, &Ui_Output::SLT_SetUserResolution);
    connect(hdcpCombo, QOverload<int>::of(&QComboBox::activated), this, &Ui_Output::SLT_SetHDCP);
    connect(vkaCombo, QOverload<int>::of(&QComboBox::activated), this, &Ui_Output::SLT_SetVKA);
    connect(itcCombo, QOverload<int>::of(&QComboBox::activated), this, &Ui_Output::SLT_SetITC);
    connect(autoCombo, QOverload<int>::of(&QComboBox::activated), this, &Ui_Output::SLT_Set4KAUTO);
    connect(readAllButton, &QPushButton::clicked, this, &Ui_Output::SLT_ReadInfo_ALL);

    DeviceModel &device = session.device();
    const auto index = [](const WordList &list, const QString &word) {
        return list.indexOf(word.toLatin1());
    };
    showDeviceValues(device, this,
                     {{"output.resolution",
                       [=](const QString &v) { SyncResolution(index(Tables::OutputResolutions, v)); }},
                      {"output.userHeight",
                       [this, &device](const QString &height) {
                           SyncUserResolution(device.value(QStringLiteral("output.userWidth")).toInt(),
                                              height.toInt());
                       }},
                      {"output.hdcp", [=](const QString &v) { SyncHDCP(index(Tables::HdcpModes, v)); }},
                      {"output.vka", [=](const QString &v) { SyncVKA(index(Tables::VkaModes, v)); }},
                      {"output.itc", [=](const QString &v) { SyncITC(index(Tables::OnOff, v)); }},
                      {"output.fourKAuto", [=](const QString &v) { Sync4KAUTO(index(Tables::OnOff, v)); }}});
    flashChangedValues(device, this,
                       {{"output.resolution", {resolutionCombo}},
                        {"output.userWidth", {widthField}},
                        {"output.userHeight", {heightField}},
                        {"output.hdcp", {hdcpCombo}},
                        {"output.vka", {vkaCombo}},
                        {"output.itc", {itcCombo}},
                        {"output.fourKAuto", {autoCombo}}});
}

void Ui_Output::writeSetting(const char *key, int index)
{
    session.send(WriteSetting(session.device().context(), key, quint32(index)));
}

void Ui_Output::SLT_SetResolution(int index)
{
    writeSetting("output.resolution", index);
}

void Ui_Output::SLT_ReadUserResolution()
{
    session.send(GetUserResolution());
}

void Ui_Output::SLT_SetUserResolution()
{
    const std::optional<quint32> width = fieldNumber(widthField->text());
    const std::optional<quint32> height = fieldNumber(heightField->text());
    if (width && height)
        session.send(SetUserResolution(qint32(*width), qint32(*height)));
}

void Ui_Output::SLT_SetHDCP(int index)
{
    writeSetting("output.hdcp", index);
}

void Ui_Output::SLT_SetVKA(int index)
{
    writeSetting("output.vka", index);
}

void Ui_Output::SLT_SetITC(int index)
{
    writeSetting("output.itc", index);
}

void Ui_Output::SLT_Set4KAUTO(int index)
{
    writeSetting("output.fourKAuto", index);
}

void Ui_Output::SLT_ReadInfo_ALL()
{
    readSettings(session, SetupGroup::Output);
}

void Ui_Output::showUserResolution(bool visible)
{
    settingsFrame->resize(visible ? FullFrame : ShortFrame);
    for (QWidget *widget : {static_cast<QWidget *>(userResolutionLabel), static_cast<QWidget *>(widthField),
                            static_cast<QWidget *>(heightField), static_cast<QWidget *>(userReadButton),
                            static_cast<QWidget *>(userWriteButton)})
        widget->setVisible(visible);
}

void Ui_Output::SyncResolution(int index)
{
    resolutionCombo->setCurrentIndex(index);
    if (index == UserResolutionIndex) {
        showUserResolution(true);
        session.send(GetUserResolution());
    } else {
        showUserResolution(false);
    }
}

void Ui_Output::SyncUserResolution(int width, int height)
{
    showDeviceText(widthField, QString::number(width));
    showDeviceText(heightField, QString::number(height));
}

void Ui_Output::SyncHDCP(int index) { hdcpCombo->setCurrentIndex(index); }
void Ui_Output::SyncVKA(int index) { vkaCombo->setCurrentIndex(index); }
void Ui_Output::SyncITC(int index) { itcCombo->setCurrentIndex(index); }
void Ui_Output::Sync4KAUTO(int index) { autoCombo->setCurrentIndex(index); }

void Ui_Output::ApplyModel()
{
    const bool visible =
        Settings::onModel(SettingId::OutputFourKAuto, session.device().context().CurrentModel);
    autoLabel->setVisible(visible);
    autoCombo->setVisible(visible);
}

void Ui_Output::ReloadUIText(bool, bool readBack)
{
    const LanguageTexts &t = State().text;
    resolutionLabel->setText(t.Slabel_Resolution);
    userResolutionLabel->setText(t.Slabel_UserResolutionWidthHeight);
    widthField->setToolTip(t.STIPS_ActiveWidth);
    heightField->setToolTip(t.STIPS_ActiveHeight);
    userReadButton->setText(t.S_ReadWrite[0]);
    userWriteButton->setText(t.S_ReadWrite[1]);
    vkaLabel->setText(t.Slabel_VKA);
    itcLabel->setText(t.Slabel_ITC);
    hdcpLabel->setText(t.Slabel_HDCP);
    autoLabel->setText(t.Slabel_4KAUTO);
    readAllButton->setText(t.S_ReadWrite[0]);

    refill(resolutionCombo, Tables::OutputResolutions.toStringList());
    refill(vkaCombo, {t.ScomboBox_VKA[0], t.ScomboBox_VKA[1]});
    refill(itcCombo, {t.S_OnOff[0], t.S_OnOff[1]});
    refill(hdcpCombo, Tables::HdcpModes.displayList());
    refill(autoCombo, {t.S_OnOff[0], t.S_OnOff[1]});

    ApplyModel();
    if (readBack)
        readAllButton->click();
}
