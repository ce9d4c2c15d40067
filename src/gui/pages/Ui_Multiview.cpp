#include "pages/Ui_Multiview.h"

#include "config/AppState.h"
#include "pages/MultiviewPicture.h"
#include "pages/NumericField.h"
#include "pages/PageWidgets.h"
#include "protocol/Catalogue.h"
#include "protocol/LayoutCatalogue.h"
#include "protocol/ReplyKeywords.h"
#include "protocol/ReplyParser.h"
#include "protocol/ValueTables.h"
#include "session/LinkSession.h"
#include "widgets/MessageBox.h"
#include "widgets/Pictures.h"
#include "widgets/PlaceWidget.h"

#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <utility>

namespace {
constexpr int ModeButtonCount = 5;
constexpr quint32 PipRightBottom = 3;
constexpr quint32 PipLargeSize = 2;

QStringList modeItems(int count)
{
    QStringList items;
    if (count >= 1 && count <= 6) {
        for (int i = 0; i < count; ++i)
            items.append(State().text.ScomboBox_Mode[i]);
    }
    return items;
}

bool rectangleInUse(const DeviceContext &s)
{
    return (s.MultiviewMode == ModePip && (s.PipPosition == PipUserPosition || s.PipSize == PipUserSize)) ||
           (s.MultiviewMode == ModePbp && s.ModeIndex == PbpPresenterModeIndex);
}

int indexOf(const WordList &list, const QString &word)
{
    return list.indexOf(word.toLatin1());
}
} // namespace

Ui_Multiview::Ui_Multiview(LinkSession &linkSession, QWidget *parent) : QWidget(parent), session(linkSession)
{
    controlFrame = makeBoxFrame(this);
    pictureFrame = makeBoxFrame(controlFrame);
    pictureFrame->setObjectName(QStringLiteral("MultiviewPicture"));
    layoutFrame = makeBoxFrame(this);
    sourceFrame = makeBoxFrame(this);
    PlaceWidget(controlFrame, nullptr, 0x88, 4, 10, 928, 168);
    PlaceBelow(layoutFrame, controlFrame, 656, 64);
    PlaceBelow(sourceFrame, layoutFrame, 1074, 196);

    buildControlFrame();
    layouts = std::make_unique<MultiviewLayoutFrame>(layoutFrame);
    sources = std::make_unique<MultiviewSourceGrid>(sourceFrame);
    readAllButton = new QPushButton(this);
    PlaceBelow(readAllButton, sourceFrame, 100, 26, 10);

    ReloadUIText(true, false);
    connectWidgets();
    showDeviceValues();
}

const DeviceContext &Ui_Multiview::device() const
{
    return session.device().context();
}

void Ui_Multiview::showDeviceValues()
{
    DeviceModel &model = session.device();
    const auto onOff = [](const QString &word) { return indexOf(Tables::OnOff, word); };
    ValueHandlers handlers{
        {"multiview.mode",
         [this](const QString &v) { SyncWindowMode(indexOf(Tables::MultiviewModes, v), false); }},
        {"multiview.autoSwitch", [=](const QString &v) { SyncAutoSwitch(onOff(v)); }},
        {"multiview.inputResolution", [this](const QString &v) { SyncInputResolution(v); }},
        {"multiview.pipPosition",
         [this](const QString &v) { SyncPosition(indexOf(Tables::PipPositions, v)); }},
        {"multiview.pipSize", [this](const QString &v) { SyncSize(indexOf(Tables::PipSizes, v)); }},
        {"multiview.aspect", [this](const QString &v) { SyncAspect(indexOf(Tables::Aspects, v)); }},
        {"multiview.layout", [this](const QString &v) { SyncMode(v.toInt() - 1); }},
        {"multiview.modeCount",
         [this](const QString &v) {
             SyncModeCount(v.toInt());
             SyncMode(int(device().ModeIndex));
         }},
    };
    for (int window = 0; window < 4; ++window)
        handlers[QStringLiteral("multiview.window%1").arg(window + 1)] = [this, window](const QString &v) {
            SyncWindowSource(window, indexOf(Tables::inputSources(device().CurrentModel), v));
        };
    for (const char *rectangle : {"multiview.pipWindow", "multiview.presenterWindow"})
        handlers[QLatin1String(rectangle)] = [this](const QString &v) {
            const QStringList n = v.split(QLatin1Char(' '));
            if (n.size() == 4)
                SyncCaptureDisplayInfo(n[0].toInt(), n[1].toInt(), n[2].toInt(), n[3].toInt());
        };
    ::showDeviceValues(model, this, std::move(handlers));
    std::map<QString, QList<QWidget *>> shown{
        {"multiview.mode", {modeButtons.begin(), modeButtons.end()}},
        {"multiview.autoSwitch", {sources->autoSwitchOnButton, sources->autoSwitchOffButton}},
        {"multiview.pipPosition", {positionCombo}},
        {"multiview.pipSize", {sizeCombo}},
        {"multiview.aspect", {aspectCombo}},
        {"multiview.layout", {modeCombo}},
        {"multiview.pipWindow", {hStartField, vStartField, hSizeField, vSizeField}},
        {"multiview.presenterWindow", {hStartField, vStartField, hSizeField, vSizeField}}};
    for (int window = 0; window < 4; ++window)
        shown[QStringLiteral("multiview.window%1").arg(window + 1)] = {sources->windowLabels.at(window)};
    flashChangedValues(model, this, std::move(shown));
    connect(&model, &DeviceModel::SGL_ReplyApplied, this, [this](const ParsedReply &reply) {
        // A new mode reported alone: its windows and options are read at once.
        if (reply.keyword == KwMultiview && reply.apply)
            session.send(GetMultiviewSync());
        if (std::exchange(pictureStale, false))
            UpdatePicture();
    });
}

void Ui_Multiview::buildControlFrame()
{
    multiviewLabel = centredLabel(controlFrame);
    PlaceWidget(multiviewLabel, nullptr, 0x88, 4, 4, 150, 26);
    const QWidget *previous = multiviewLabel;
    for (int i = 0; i < ModeButtonCount; ++i) {
        auto *button = new QPushButton(controlFrame);
        PlaceRightOf(button, previous, 150, 26);
        modeButtons.append(button);
        previous = button;
    }
    aspectLabel = centredLabel(controlFrame);
    aspectCombo = makeCombo(controlFrame);
    modeLabel = centredLabel(controlFrame);
    modeCombo = makeCombo(controlFrame);
    positionLabel = centredLabel(controlFrame);
    positionCombo = makeCombo(controlFrame);
    sizeLabel = centredLabel(controlFrame);
    sizeCombo = makeCombo(controlFrame);
    rectangleLabel = new QLabel(controlFrame);
    hStartLabel = new QLabel(controlFrame);
    hStartField = new QLineEdit(controlFrame);
    vStartLabel = new QLabel(controlFrame);
    vStartField = new QLineEdit(controlFrame);
    hSizeLabel = new QLabel(controlFrame);
    hSizeField = new QLineEdit(controlFrame);
    vSizeLabel = new QLabel(controlFrame);
    vSizeField = new QLineEdit(controlFrame);
    rectangleReadButton = new QPushButton(controlFrame);
    rectangleWriteButton = new QPushButton(controlFrame);
    picture = new QLabel(pictureFrame);

    PlaceBelow(aspectLabel, multiviewLabel, 150, 26);
    PlaceRightOf(aspectCombo, aspectLabel, 120, 26);
    PlaceBelow(modeLabel, aspectLabel, 150, 26);
    PlaceRightOf(modeCombo, modeLabel, 120, 26);
    PlaceRightOf(positionLabel, aspectCombo, 150, 26);
    PlaceRightOf(positionCombo, positionLabel, 120, 26);
    PlaceBelow(sizeLabel, positionLabel, 150, 26);
    PlaceRightOf(sizeCombo, sizeLabel, 120, 26);
    PlaceRightOf(rectangleLabel, aspectCombo, 288, 26, 20);
    PlaceBelow(hStartLabel, rectangleLabel, 84, 26);
    PlaceRightOf(hStartField, hStartLabel, 60, 26);
    PlaceRightOf(vStartLabel, hStartField, 84, 26);
    PlaceRightOf(vStartField, vStartLabel, 60, 26);
    PlaceBelow(hSizeLabel, hStartLabel, 84, 26);
    PlaceRightOf(hSizeField, hSizeLabel, 60, 26);
    PlaceRightOf(vSizeLabel, hSizeField, 84, 26);
    PlaceRightOf(vSizeField, vSizeLabel, 60, 26);
    PlaceBelow(rectangleReadButton, hSizeLabel, 100, 26);
    PlaceRightOf(rectangleWriteButton, rectangleReadButton, 100, 26);
    PlaceBelow(pictureFrame, modeButtons.at(Mode3xWin), 202, 114, 20);
    PlaceWidget(picture, nullptr, 0x88, 2, 2, 200, 112);
    picture->setScaledContents(true);

    rectangleGroup = {rectangleLabel, hStartLabel,         hStartField,         vStartLabel,
                      vStartField,    hSizeLabel,          hSizeField,          vSizeLabel,
                      vSizeField,     rectangleReadButton, rectangleWriteButton};
    rectangleValidator = new QIntValidator(0, 9999, this);
    for (QLineEdit *field : {hStartField, vStartField, hSizeField, vSizeField})
        field->setValidator(rectangleValidator);
}

void Ui_Multiview::connectWidgets()
{
    connect(modeButtons.at(ModeSingle), &QPushButton::clicked, this, &Ui_Multiview::SLT_WindowMode_Single);
    connect(modeButtons.at(ModePip), &QPushButton::clicked, this, &Ui_Multiview::SLT_WindowMode_PIP);
    connect(modeButtons.at(ModePbp), &QPushButton::clicked, this, &Ui_Multiview::SLT_WindowMode_PBP);
    connect(modeButtons.at(Mode3xWin), &QPushButton::clicked, this, &Ui_Multiview::SLT_WindowMode_3xWIN);
    connect(modeButtons.at(Mode4xWin), &QPushButton::clicked, this, &Ui_Multiview::SLT_WindowMode_4xWIN);
    const auto activated = QOverload<int>::of(&QComboBox::activated);
    connect(aspectCombo, activated, this, &Ui_Multiview::SLT_SetAspect);
    connect(modeCombo, activated, this, &Ui_Multiview::SLT_SetMode);
    connect(positionCombo, activated, this, &Ui_Multiview::SLT_SetPosition);
    connect(sizeCombo, activated, this, &Ui_Multiview::SLT_SetSize);
    connect(rectangleReadButton, &QPushButton::clicked, this, &Ui_Multiview::SLT_ReadCaptureDisplayInfo);
    connect(rectangleWriteButton, &QPushButton::clicked, this, &Ui_Multiview::SLT_SetCaptureDisplayInfo);
    connect(layouts->saveCombo, activated, this, &Ui_Multiview::SLT_SetSaveLayout);
    connect(layouts->loadCombo, activated, this, &Ui_Multiview::SLT_SetLoadLayout);
    connect(sources->autoSwitchOnButton, &QPushButton::clicked, this, &Ui_Multiview::SLT_BTN_AutoSwitch);
    connect(sources->autoSwitchOffButton, &QPushButton::clicked, this, &Ui_Multiview::SLT_BTN_AutoSwitch);
    for (QPushButton *button : qAsConst(sources->sourceButtons))
        connect(button, &QPushButton::clicked, this, &Ui_Multiview::SLT_BTN_WindowSignal);
    connect(sources->resolutionReadButton, &QPushButton::clicked, this,
            &Ui_Multiview::SLT_GetInputResolution);
    connect(sources->renameField, &QLineEdit::returnPressed, this, &Ui_Multiview::SLT_ModifySourceName);
    connect(readAllButton, &QPushButton::clicked, this, &Ui_Multiview::SLT_ReadInfo_ALL);
}

void Ui_Multiview::selectMode(quint32 mode)
{
    session.send(WriteSetting(device(), "multiview.mode", mode));
}

void Ui_Multiview::SLT_WindowMode_Single(bool)
{
    selectMode(ModeSingle);
}
void Ui_Multiview::SLT_WindowMode_PIP(bool)
{
    selectMode(ModePip);
}
void Ui_Multiview::SLT_WindowMode_PBP(bool)
{
    selectMode(ModePbp);
}
void Ui_Multiview::SLT_WindowMode_3xWIN(bool)
{
    selectMode(Mode3xWin);
}
void Ui_Multiview::SLT_WindowMode_4xWIN(bool)
{
    selectMode(Mode4xWin);
}

void Ui_Multiview::SLT_SetAspect(int index)
{
    session.send(SetLayoutAspect(device(), quint32(index)));
}

void Ui_Multiview::SLT_SetMode(int index)
{
    session.send(SetLayoutMode(device(), index + 1));
}

// A user-defined PIP window needs both its position and its size to be "USER"; leaving one of them drops
// the other to a fixed value. Only the chosen value is sent: the device couples the other itself.
void Ui_Multiview::SLT_SetPosition(int index)
{
    if (quint32(index) == PipUserPosition)
        sizeCombo->setCurrentIndex(int(PipUserSize));
    else if (quint32(sizeCombo->currentIndex()) == PipUserSize)
        sizeCombo->setCurrentIndex(int(PipLargeSize));
    session.send(WriteSetting(device(), "multiview.pipPosition", quint32(index)));
}

void Ui_Multiview::SLT_SetSize(int index)
{
    if (quint32(index) == PipUserSize)
        positionCombo->setCurrentIndex(int(PipUserPosition));
    else if (quint32(positionCombo->currentIndex()) == PipUserPosition)
        positionCombo->setCurrentIndex(int(PipRightBottom));
    session.send(WriteSetting(device(), "multiview.pipSize", quint32(index)));
}

void Ui_Multiview::SLT_ReadCaptureDisplayInfo()
{
    session.send(GetUserWindow(device()));
}

void Ui_Multiview::SLT_SetCaptureDisplayInfo()
{
    const std::optional<quint32> hStart = fieldNumber(hStartField->text());
    const std::optional<quint32> vStart = fieldNumber(vStartField->text());
    const std::optional<quint32> hSize = fieldNumber(hSizeField->text());
    const std::optional<quint32> vSize = fieldNumber(vSizeField->text());
    if (hStart && vStart && hSize && vSize)
        session.send(
            SetUserWindow(device(), qint32(*hStart), qint32(*vStart), qint32(*hSize), qint32(*vSize)));
}

void Ui_Multiview::SLT_BTN_WindowSignal(bool)
{
    bool ok = false;
    const int k = sender() ? sender()->objectName().mid(6).toInt(&ok, 10) : 0;
    if (ok && k >= 0 && k < MultiviewSourceGrid::ButtonCount)
        session.send(SetWindowInput(device(), quint32(k / MultiviewSourceGrid::SourceCount),
                                    quint32(k % MultiviewSourceGrid::SourceCount)));
}

void Ui_Multiview::SLT_GetInputResolution()
{
    session.send(GetInResolution(device()));
}

void Ui_Multiview::SLT_ReadInfo_ALL()
{
    readSettings(session, SetupGroup::Multiview);
}

void Ui_Multiview::SLT_SetSaveLayout(int index)
{
    if (!ShowConfirm(State().text.SMSG_SaveMessage, this))
        return;
    session.send(SaveScene(index + 1));
    layouts->renameSlot(index);
}

void Ui_Multiview::SLT_SetLoadLayout(int index)
{
    if (!ShowConfirm(State().text.SMSG_LoadMessage, this))
        return;
    session.send(LoadScene(index + 1));
}

void Ui_Multiview::SLT_BTN_AutoSwitch(bool)
{
    bool ok = false;
    const int k = sender() ? sender()->objectName().mid(10).toInt(&ok, 10) : -1;
    if (ok && (k == 0 || k == 1))
        session.send(WriteSetting(device(), "multiview.autoSwitch", quint32(1 - k)));
}

void Ui_Multiview::SLT_ModifySourceName()
{
    sources->finishRename();
    emit SGL_SyncInputSourceName();
}

bool Ui_Multiview::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        const int index = sources->sourceLabelIndex(watched);
        if (index >= 0)
            sources->beginRename(index);
    }
    return QWidget::eventFilter(watched, event);
}

void Ui_Multiview::SyncWindowMode(int mode, bool resync)
{
    LayoutForMode(mode);
    if (resync)
        session.send(GetMultiviewSync());
    pictureStale = true;
}

void Ui_Multiview::SyncAspect(int index)
{
    aspectCombo->setCurrentIndex(index);
    pictureStale = true;
}

void Ui_Multiview::SyncModeCount(int count)
{
    refill(modeCombo, modeItems(count));
}

void Ui_Multiview::SyncMode(int index)
{
    modeCombo->setCurrentIndex(index);
    pictureStale = true;
}

void Ui_Multiview::SyncPosition(int index)
{
    positionCombo->setCurrentIndex(index);
    pictureStale = true;
}

void Ui_Multiview::SyncSize(int index)
{
    sizeCombo->setCurrentIndex(index);
    pictureStale = true;
}

void Ui_Multiview::SyncWindowSource(int window, int source)
{
    sources->markSource(window, source);
}

void Ui_Multiview::SyncInputResolution(const QString &text)
{
    sources->resolutionField->clear();
    sources->resolutionField->setText(text);
}

void Ui_Multiview::SyncCaptureDisplayInfo(int hStart, int vStart, int hSize, int vSize)
{
    showDeviceText(hStartField, QString::number(hStart));
    showDeviceText(vStartField, QString::number(vStart));
    showDeviceText(hSizeField, QString::number(hSize));
    showDeviceText(vSizeField, QString::number(vSize));
}

void Ui_Multiview::SyncAutoSwitch(int index)
{
    sources->markAutoSwitch(index);
}

void Ui_Multiview::ApplyModel()
{
    const DeviceContext &s = device();
    if (s.CurrentModel == NoModel)
        return;
    sources->showGrid(LayoutCatalogue::windowCount(s.MultiviewMode), int(s.InputCount));
}

void Ui_Multiview::LayoutForMode(int mode)
{
    markSelected(modeButtons, modeButtons.value(mode));
    ApplyModel();
    sources->showSingleRows(mode == ModeSingle);
    placeModeOptions(mode);
}

// PIP shows position and size where the split modes show aspect and layout mode; SINGLE shows neither.
void Ui_Multiview::placeModeOptions(int mode)
{
    const bool pip = mode == ModePip;
    const bool split = mode != ModeSingle && !pip;
    if (pip) {
        PlaceBelow(positionLabel, multiviewLabel, 150, 26);
        PlaceRightOf(positionCombo, positionLabel, 120, 26);
        PlaceBelow(sizeLabel, positionLabel, 150, 26);
        PlaceRightOf(sizeCombo, sizeLabel, 120, 26);
    } else if (split) {
        PlaceBelow(aspectLabel, multiviewLabel, 150, 26);
        PlaceRightOf(aspectCombo, aspectLabel, 120, 26);
        PlaceBelow(modeLabel, aspectLabel, 150, 26);
        PlaceRightOf(modeCombo, modeLabel, 120, 26);
    }
    for (QWidget *widget : {static_cast<QWidget *>(positionLabel), static_cast<QWidget *>(positionCombo),
                            static_cast<QWidget *>(sizeLabel), static_cast<QWidget *>(sizeCombo)})
        widget->setVisible(pip);
    for (QWidget *widget : {static_cast<QWidget *>(aspectLabel), static_cast<QWidget *>(aspectCombo),
                            static_cast<QWidget *>(modeLabel), static_cast<QWidget *>(modeCombo)})
        widget->setVisible(split);
}

void Ui_Multiview::UpdatePicture()
{
    ShowPicture(picture, multiviewPicturePath(multiviewPictureName(device())));

    if (rectangleInUse(device())) {
        showRectangleGroup(true);
        updateRectangleLabel();
        session.send(GetUserWindow(device()));
    } else {
        showRectangleGroup(false);
    }
}

void Ui_Multiview::showRectangleGroup(bool visible)
{
    for (QWidget *widget : qAsConst(rectangleGroup))
        widget->setVisible(visible);
}

void Ui_Multiview::updateRectangleLabel()
{
    const DeviceContext &s = device();
    const LanguageTexts &t = State().text;
    const bool presenter = s.MultiviewMode == ModePbp && s.ModeIndex == PbpPresenterModeIndex;
    rectangleLabel->setText(presenter ? t.Slabel_CaptureDisplay_1 : t.Slabel_CaptureDisplay_2);
}

void Ui_Multiview::ReloadUIText(bool initial, bool readBack)
{
    if (initial)
        sources->build(this);
    const LanguageTexts &t = State().text;
    multiviewLabel->setText(t.Slabel_Multiview);
    const QString modeTexts[ModeButtonCount] = {t.SpushButton_Single, t.SpushButton_PIP, t.SpushButton_PBP,
                                                t.SpushButton_3xWIN, t.SpushButton_4xWIN};
    for (int i = 0; i < ModeButtonCount; ++i)
        modeButtons.at(i)->setText(modeTexts[i]);
    aspectLabel->setText(t.Slabel_Aspect);
    modeLabel->setText(t.Slabel_Mode);
    positionLabel->setText(t.Slabel_Position);
    sizeLabel->setText(t.Slabel_Size);
    hStartLabel->setText(t.Slabel_HStart);
    vStartLabel->setText(t.Slabel_VStart);
    hSizeLabel->setText(t.Slabel_HSize);
    vSizeLabel->setText(t.Slabel_VSize);
    rectangleReadButton->setText(t.S_ReadWrite[0]);
    rectangleWriteButton->setText(t.S_ReadWrite[1]);
    readAllButton->setText(t.S_ReadWrite[0]);

    refill(aspectCombo, {t.ScomboBox_Aspect[0], t.ScomboBox_Aspect[1]});
    refill(modeCombo, modeItems(initial ? 6 : int(device().ModeCount)));
    refill(positionCombo, QStringList(t.ScomboBox_Position, t.ScomboBox_Position + 5));
    refill(sizeCombo, QStringList(t.ScomboBox_Size, t.ScomboBox_Size + 4));
    updateRectangleLabel();
    showRectangleGroup(false);

    layouts->applyTexts();
    sources->applyTexts();
    if (initial)
        sources->showSingleRows(false);
    if (readBack)
        readAllButton->click();
}
