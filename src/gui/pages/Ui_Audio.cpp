#include "pages/Ui_Audio.h"

#include "config/AppState.h"
#include "pages/NumericField.h"
#include "pages/PageWidgets.h"
#include "protocol/Catalogue.h"
#include "protocol/ValueTables.h"
#include "session/LinkSession.h"
#include "widgets/PlaceWidget.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
const QSize CommonFrameSize(392, 94);
const QSize MainGroupSize(392, 80);
const QSize MicGroupSize(396, 140);
const QSize OverallGroupSize(336, 80);
constexpr int ReadAllGap = 10;

// The sender's object name split into its prefix and its last character, the digit that tells the two
// buttons of a pair (or the two microphones' controls) apart.
struct SenderName
{
    QString prefix;
    QChar digit;
};

SenderName splitName(const QObject *sender)
{
    const QString name = sender ? sender->objectName() : QString();
    if (name.isEmpty())
        return {};
    return {name.left(name.size() - 1), name.back()};
}

// A row of "-", value field and "+" right of `label`.
void placeVolumeRow(QLabel *label, QPushButton *down, QLineEdit *field, QPushButton *up)
{
    PlaceRightOf(down, label, 26, 26);
    PlaceRightOf(field, down, 60, 26);
    PlaceRightOf(up, field, 26, 26);
}

// An on and an off button right of `label`.
void placeOnOffRow(QLabel *label, QPushButton *on, QPushButton *off)
{
    PlaceRightOf(on, label, 80, 26);
    PlaceRightOf(off, on, 80, 26);
}

void showNumber(QLineEdit *field, int value)
{
    showDeviceText(field, QString::number(value));
}

// Marks the on (index 0) or the off (index 1) button of a pair; other indexes leave both alone.
void markOnOff(QPushButton *on, QPushButton *off, int index)
{
    if (index == 0)
        markSelected({on, off}, on);
    else if (index == 1)
        markSelected({on, off}, off);
}
} // namespace

Ui_Audio::Ui_Audio(LinkSession &linkSession, QWidget *parent) : QWidget(parent), session(linkSession)
{
    commonFrame = makeBoxFrame(this);
    commonFrame->setGeometry(QRect(QPoint(4, 4), CommonFrameSize));
    mainGroup = new QGroupBox(this);
    PlaceRightOf(mainGroup, commonFrame, MainGroupSize.width(), MainGroupSize.height());
    micGroup = new QGroupBox(this);
    PlaceBelow(micGroup, mainGroup, MicGroupSize.width(), MicGroupSize.height());
    overallGroup = new QGroupBox(this);
    PlaceBelow(overallGroup, micGroup, OverallGroupSize.width(), OverallGroupSize.height());
    readAllButton = new QPushButton(this);
    PlaceBelow(readAllButton, commonFrame, 100, 26, ReadAllGap);

    buildCommonFrame();
    buildMainGroup();
    buildMicGroup();
    buildOverallGroup();

    ReloadUIText(true, false);

    for (QComboBox *combo : {commonSourceCombo, mainSourceCombo})
        connect(combo, QOverload<int>::of(&QComboBox::activated), this, &Ui_Audio::SLT_SetAudioSource);
    for (QLineEdit *field : {commonVolumeField, micVolumeField[0], micVolumeField[1], overallVolumeField})
        connect(field, &QLineEdit::returnPressed, this, &Ui_Audio::SLT_SetVolumeValue);
    for (QPushButton *button : {commonVolumeDown, commonVolumeUp, micVolumeDown[0], micVolumeUp[0],
                                micVolumeDown[1], micVolumeUp[1], overallVolumeDown, overallVolumeUp})
        connect(button, &QPushButton::clicked, this, &Ui_Audio::SLT_BTN_Volume);
    for (QPushButton *button : {commonMuteOn, commonMuteOff, mainOn, mainOff, micOn[0], micOff[0], micOn[1],
                                micOff[1], overallMuteOn, overallMuteOff})
        connect(button, &QPushButton::clicked, this, &Ui_Audio::SLT_BTN_AudioMute);
    connect(readAllButton, &QPushButton::clicked, this, &Ui_Audio::SLT_ReadInfo_ALL);

    const auto onOff = [](const QString &word) { return Tables::OnOff.indexOf(word.toLatin1()); };
    showDeviceValues(
        session.device(), this,
        {{"audio.source",
          [this](const QString &v) { SyncAudioSource(Tables::audioSources(model()).indexOf(v.toLatin1())); }},
         {"audio.volume", [this](const QString &v) { SyncVolume(v.toInt()); }},
         {"audio.mute", [=](const QString &v) { SyncAudioMute(onOff(v)); }},
         {"audio.mainAudio", [=](const QString &v) { SyncAudioSwitch(0, onOff(v)); }},
         {"audio.mic1", [=](const QString &v) { SyncAudioSwitch(1, onOff(v)); }},
         {"audio.mic2", [=](const QString &v) { SyncAudioSwitch(2, onOff(v)); }},
         {"audio.mic1Volume", [this](const QString &v) { SyncMicVolume(0, v.toInt()); }},
         {"audio.mic2Volume", [this](const QString &v) { SyncMicVolume(1, v.toInt()); }}});
    flashChangedValues(session.device(), this,
                       {{"audio.source", {commonSourceCombo, mainSourceCombo}},
                        {"audio.volume", {commonVolumeField, overallVolumeField}},
                        {"audio.mute", {commonMuteOn, commonMuteOff, overallMuteOn, overallMuteOff}},
                        {"audio.mainAudio", {mainOn, mainOff}},
                        {"audio.mic1", {micOn[0], micOff[0]}},
                        {"audio.mic2", {micOn[1], micOff[1]}},
                        {"audio.mic1Volume", {micVolumeField[0]}},
                        {"audio.mic2Volume", {micVolumeField[1]}}});
}

quint8 Ui_Audio::model() const
{
    return session.device().context().CurrentModel;
}

void Ui_Audio::writeSetting(const char *key, const QString &value)
{
    session.send(WriteSetting(session.device().context(), key, value));
}

void Ui_Audio::buildCommonFrame()
{
    commonSourceLabel = new QLabel(commonFrame);
    commonSourceCombo = makeCombo(commonFrame);
    commonVolumeLabel = new QLabel(commonFrame);
    commonVolumeDown = new QPushButton(commonFrame);
    commonVolumeField = new QLineEdit(commonFrame);
    commonVolumeUp = new QPushButton(commonFrame);
    commonMuteLabel = new QLabel(commonFrame);
    commonMuteOn = new QPushButton(commonFrame);
    commonMuteOff = new QPushButton(commonFrame);

    PlaceWidget(commonSourceLabel, nullptr, 0x88, 4, 4, 160, 26);
    PlaceRightOf(commonSourceCombo, commonSourceLabel, 220, 26);
    PlaceBelow(commonVolumeLabel, commonSourceLabel, 160, 26);
    placeVolumeRow(commonVolumeLabel, commonVolumeDown, commonVolumeField, commonVolumeUp);
    PlaceBelow(commonMuteLabel, commonVolumeLabel, 160, 26);
    placeOnOffRow(commonMuteLabel, commonMuteOn, commonMuteOff);
}

void Ui_Audio::buildMainGroup()
{
    mainSwitchLabel = new QLabel(mainGroup);
    mainOn = new QPushButton(mainGroup);
    mainOff = new QPushButton(mainGroup);
    mainSelectLabel = new QLabel(mainGroup);
    mainSourceCombo = makeCombo(mainGroup);

    PlaceWidget(mainSwitchLabel, nullptr, 0x88, 4, 20, 160, 26);
    placeOnOffRow(mainSwitchLabel, mainOn, mainOff);
    PlaceBelow(mainSelectLabel, mainSwitchLabel, 160, 26);
    PlaceRightOf(mainSourceCombo, mainSelectLabel, 220, 26);
}

void Ui_Audio::buildMicGroup()
{
    for (int mic = 0; mic < 2; ++mic) {
        micSwitchLabel[mic] = new QLabel(micGroup);
        micOn[mic] = new QPushButton(micGroup);
        micOff[mic] = new QPushButton(micGroup);
        micVolumeLabel[mic] = new QLabel(micGroup);
        micVolumeDown[mic] = new QPushButton(micGroup);
        micVolumeField[mic] = new QLineEdit(micGroup);
        micVolumeUp[mic] = new QPushButton(micGroup);

        if (mic == 0)
            PlaceWidget(micSwitchLabel[mic], nullptr, 0x88, 4, 20, 220, 26);
        else
            PlaceBelow(micSwitchLabel[mic], micVolumeLabel[mic - 1], 220, 26);
        placeOnOffRow(micSwitchLabel[mic], micOn[mic], micOff[mic]);
        PlaceBelow(micVolumeLabel[mic], micSwitchLabel[mic], 220, 26);
        placeVolumeRow(micVolumeLabel[mic], micVolumeDown[mic], micVolumeField[mic], micVolumeUp[mic]);
    }
}

void Ui_Audio::buildOverallGroup()
{
    overallVolumeLabel = new QLabel(overallGroup);
    overallVolumeDown = new QPushButton(overallGroup);
    overallVolumeField = new QLineEdit(overallGroup);
    overallVolumeUp = new QPushButton(overallGroup);
    overallMuteLabel = new QLabel(overallGroup);
    overallMuteOn = new QPushButton(overallGroup);
    overallMuteOff = new QPushButton(overallGroup);

    PlaceWidget(overallVolumeLabel, nullptr, 0x88, 4, 20, 160, 26);
    placeVolumeRow(overallVolumeLabel, overallVolumeDown, overallVolumeField, overallVolumeUp);
    PlaceBelow(overallMuteLabel, overallVolumeLabel, 160, 26);
    placeOnOffRow(overallMuteLabel, overallMuteOn, overallMuteOff);
}

void Ui_Audio::assignObjectNames()
{
    commonSourceCombo->setObjectName(QStringLiteral("Common-AudioSource"));
    commonVolumeDown->setObjectName(QStringLiteral("Common-Volume-0"));
    commonVolumeField->setObjectName(QStringLiteral("Common-VolumeValue"));
    commonVolumeUp->setObjectName(QStringLiteral("Common-Volume-1"));
    commonMuteOn->setObjectName(QStringLiteral("Common-AudioMute-0"));
    commonMuteOff->setObjectName(QStringLiteral("Common-AudioMute-1"));
    mainOn->setObjectName(QStringLiteral("Main-AudioMute-0"));
    mainOff->setObjectName(QStringLiteral("Main-AudioMute-1"));
    mainSourceCombo->setObjectName(QStringLiteral("Main-AudioSource"));
    for (int mic = 0; mic < 2; ++mic) {
        const QString prefix = QStringLiteral("Microphone%1-").arg(mic + 1);
        micOn[mic]->setObjectName(prefix + QStringLiteral("AudioMute-0"));
        micOff[mic]->setObjectName(prefix + QStringLiteral("AudioMute-1"));
        micVolumeDown[mic]->setObjectName(prefix + QStringLiteral("Volume-0"));
        micVolumeField[mic]->setObjectName(prefix + QStringLiteral("VolumeValue"));
        micVolumeUp[mic]->setObjectName(prefix + QStringLiteral("Volume-1"));
    }
    overallVolumeDown->setObjectName(QStringLiteral("Overall-Volume-0"));
    overallVolumeField->setObjectName(QStringLiteral("Overall-VolumeValue"));
    overallVolumeUp->setObjectName(QStringLiteral("Overall-Volume-1"));
    overallMuteOn->setObjectName(QStringLiteral("Overall-AudioMute-0"));
    overallMuteOff->setObjectName(QStringLiteral("Overall-AudioMute-1"));
}

void Ui_Audio::SLT_SetAudioSource(int index)
{
    const QString name = sender() ? sender()->objectName() : QString();
    if (name != QLatin1String("Common-AudioSource") && name != QLatin1String("Main-AudioSource"))
        return;
    session.send(WriteSetting(session.device().context(), "audio.source", quint32(index)));
}

void Ui_Audio::SLT_SetVolumeValue()
{
    auto *field = qobject_cast<QLineEdit *>(sender());
    if (!field)
        return;
    const QString name = field->objectName();
    // An empty field or text that is no number sends nothing: a mistyped value must not silence a live
    // output. Values above the model's limit are refused by the request builders.
    const std::optional<quint32> value = fieldNumber(field->text());
    if (!value)
        return;
    if (name == QLatin1String("Common-VolumeValue") || name == QLatin1String("Overall-VolumeValue"))
        writeSetting("audio.volume", QString::number(*value));
    else if (name == QLatin1String("Microphone1-VolumeValue"))
        writeSetting("audio.mic1Volume", QString::number(*value));
    else if (name == QLatin1String("Microphone2-VolumeValue"))
        writeSetting("audio.mic2Volume", QString::number(*value));
}

void Ui_Audio::SLT_BTN_Volume(bool)
{
    const SenderName name = splitName(sender());
    bool audio = false;
    quint32 mic = 0;
    if (name.prefix == QLatin1String("Common-Volume-") || name.prefix == QLatin1String("Overall-Volume-"))
        audio = true;
    else if (name.prefix == QLatin1String("Microphone1-Volume-"))
        mic = 0;
    else if (name.prefix == QLatin1String("Microphone2-Volume-"))
        mic = 1;
    else
        return;

    if (name.digit == QLatin1Char('0'))
        session.send(audio ? AudioVolumeDown() : MicVolumeDown(mic));
    else if (name.digit == QLatin1Char('1'))
        session.send(audio ? AudioVolumeUp() : MicVolumeUp(mic));
}

void Ui_Audio::SLT_BTN_AudioMute(bool)
{
    const SenderName name = splitName(sender());
    if (name.digit != QLatin1Char('0') && name.digit != QLatin1Char('1'))
        return;
    const QString word = QString::fromLatin1(Tables::OnOff.at(name.digit == QLatin1Char('0') ? 0 : 1));
    if (name.prefix == QLatin1String("Common-AudioMute-") ||
        name.prefix == QLatin1String("Overall-AudioMute-"))
        writeSetting("audio.mute", word);
    else if (name.prefix == QLatin1String("Main-AudioMute-"))
        writeSetting("audio.mainAudio", word);
    else if (name.prefix == QLatin1String("Microphone1-AudioMute-"))
        writeSetting("audio.mic1", word);
    else if (name.prefix == QLatin1String("Microphone2-AudioMute-"))
        writeSetting("audio.mic2", word);
}

void Ui_Audio::SLT_ReadInfo_ALL()
{
    readSettings(session, SetupGroup::Audio);
}

void Ui_Audio::SyncAudioSource(int index)
{
    (model() == ModelTN386 ? mainSourceCombo : commonSourceCombo)->setCurrentIndex(index);
}

void Ui_Audio::SyncVolume(int value)
{
    showNumber(model() == ModelTN386 ? overallVolumeField : commonVolumeField, value);
}

void Ui_Audio::SyncAudioMute(int index)
{
    if (model() == ModelTN386)
        markOnOff(overallMuteOn, overallMuteOff, index);
    else
        markOnOff(commonMuteOn, commonMuteOff, index);
}

void Ui_Audio::SyncAudioSwitch(int which, int index)
{
    if (model() != ModelTN386)
        return;
    if (which == 0)
        markOnOff(mainOn, mainOff, index);
    else if (which == 1 || which == 2)
        markOnOff(micOn[which - 1], micOff[which - 1], index);
}

void Ui_Audio::SyncMicVolume(int mic, int value)
{
    if (mic == 0 || mic == 1)
        showNumber(micVolumeField[mic], value);
}

void Ui_Audio::placeContainers(bool tn386)
{
    if (tn386) {
        mainGroup->move(4, 4);
        PlaceBelow(micGroup, mainGroup, MicGroupSize.width(), MicGroupSize.height());
        PlaceBelow(overallGroup, micGroup, OverallGroupSize.width(), OverallGroupSize.height());
        PlaceBelow(readAllButton, overallGroup, 100, 26, ReadAllGap);
    } else {
        commonFrame->move(4, 4);
        PlaceRightOf(mainGroup, commonFrame, MainGroupSize.width(), MainGroupSize.height());
        PlaceBelow(micGroup, mainGroup, MicGroupSize.width(), MicGroupSize.height());
        PlaceBelow(overallGroup, micGroup, OverallGroupSize.width(), OverallGroupSize.height());
        PlaceBelow(readAllButton, commonFrame, 100, 26, ReadAllGap);
    }
    commonFrame->setVisible(!tn386);
    for (QWidget *group : {mainGroup, micGroup, overallGroup})
        group->setVisible(tn386);
}

QStringList Ui_Audio::sourceNames(bool tn386) const
{
    const LanguageTexts &t = State().text;
    QStringList names{t.Slabel_Windows_Name[0]};
    const quint32 inputs = session.device().context().InputCount;
    if (inputs >= 1 && inputs <= 9) {
        for (quint32 i = 0; i < inputs; ++i)
            names << t.S_InputSource_Name[i];
    }
    if (tn386) {
        for (const QString &name : t.S_TN386_ExpandAudioSource_Name)
            names << name;
    } else if (model() == ModelRKA386QE) {
        names << t.S_RKA386QE_ExpandAudioSource_Name[0];
    }
    return names;
}

void Ui_Audio::ApplyModel()
{
    if (model() == NoModel)
        return;
    const bool tn386 = model() == ModelTN386;
    placeContainers(tn386);
    refill(tn386 ? mainSourceCombo : commonSourceCombo, sourceNames(tn386));
}

void Ui_Audio::ReloadUIText(bool initial, bool readBack)
{
    const LanguageTexts &t = State().text;
    mainGroup->setTitle(t.SgroupBox_MainAudio);
    micGroup->setTitle(t.SgroupBox_Microphone);
    overallGroup->setTitle(t.SgroupBox_OverallAudio);
    readAllButton->setText(t.S_ReadWrite[0]);

    commonSourceLabel->setText(t.Slabel_AudioSource);
    commonVolumeLabel->setText(t.Slabel_Volume);
    commonMuteLabel->setText(t.Slabel_AudioMute);
    mainSwitchLabel->setText(t.S_SwitchOnOff);
    mainSelectLabel->setText(t.S_Select);
    micSwitchLabel[0]->setText(t.Slabel_Microphone1Switch);
    micSwitchLabel[1]->setText(t.Slabel_Microphone2Switch);
    micVolumeLabel[0]->setText(t.Slabel_Microphone1Volume);
    micVolumeLabel[1]->setText(t.Slabel_Microphone2Volume);
    overallVolumeLabel->setText(t.Slabel_Volume);
    overallMuteLabel->setText(t.S_Mute);

    for (QPushButton *down : {commonVolumeDown, micVolumeDown[0], micVolumeDown[1], overallVolumeDown})
        down->setText(t.SpushButton_Subtract);
    for (QPushButton *up : {commonVolumeUp, micVolumeUp[0], micVolumeUp[1], overallVolumeUp})
        up->setText(t.SpushButton_Add);
    for (QPushButton *on : {commonMuteOn, mainOn, micOn[0], micOn[1], overallMuteOn})
        on->setText(t.S_OnOff[0]);
    for (QPushButton *off : {commonMuteOff, mainOff, micOff[0], micOff[1], overallMuteOff})
        off->setText(t.S_OnOff[1]);

    if (initial) {
        assignObjectNames();
        for (QLineEdit *field : {commonVolumeField, micVolumeField[0], micVolumeField[1], overallVolumeField})
            field->clear();
    }

    commonVolumeField->setToolTip(t.STIPS_EnterKeyFinishInput + t.STIPS_VolumeVaildVaule_0_100);
    for (QLineEdit *field : {micVolumeField[0], micVolumeField[1], overallVolumeField})
        field->setToolTip(t.STIPS_EnterKeyFinishInput + t.STIPS_VolumeVaildVaule_0_50);

    ApplyModel();
    if (readBack)
        readAllButton->click();
}
