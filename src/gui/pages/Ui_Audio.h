#pragma once

#include <QWidget>

class LinkSession;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The Audio page: audio source, volume and mute. TN386 has a richer audio section and gets three groups
// instead of the common frame: main audio (on/off and source), microphones 1 and 2 (on/off and volume) and
// overall (volume and mute). Buttons and fields of the same kind share one slot, which tells them apart by
// the sender's object name; the widgets change only when the device model reports the device's values.
class Ui_Audio : public QWidget
{
    Q_OBJECT
public:
    explicit Ui_Audio(LinkSession &session, QWidget *parent = nullptr);

    void SyncAudioSource(int index);
    void SyncVolume(int value);
    void SyncAudioMute(int index);
    void SyncAudioSwitch(int which, int index);
    void SyncMicVolume(int mic, int value);
    void ApplyModel();
    void ReloadUIText(bool initial, bool readBack);

    // Common frame (every model but TN386).
    QFrame *commonFrame = nullptr;
    QLabel *commonSourceLabel = nullptr;
    QComboBox *commonSourceCombo = nullptr;
    QLabel *commonVolumeLabel = nullptr;
    QPushButton *commonVolumeDown = nullptr;
    QLineEdit *commonVolumeField = nullptr;
    QPushButton *commonVolumeUp = nullptr;
    QLabel *commonMuteLabel = nullptr;
    QPushButton *commonMuteOn = nullptr;
    QPushButton *commonMuteOff = nullptr;

    // TN386 groups.
    QGroupBox *mainGroup = nullptr;
    QLabel *mainSwitchLabel = nullptr;
    QPushButton *mainOn = nullptr;
    QPushButton *mainOff = nullptr;
    QLabel *mainSelectLabel = nullptr;
    QComboBox *mainSourceCombo = nullptr;

    QGroupBox *micGroup = nullptr;
    QLabel *micSwitchLabel[2] = {};
    QPushButton *micOn[2] = {};
    QPushButton *micOff[2] = {};
    QLabel *micVolumeLabel[2] = {};
    QPushButton *micVolumeDown[2] = {};
    QLineEdit *micVolumeField[2] = {};
    QPushButton *micVolumeUp[2] = {};

    QGroupBox *overallGroup = nullptr;
    QLabel *overallVolumeLabel = nullptr;
    QPushButton *overallVolumeDown = nullptr;
    QLineEdit *overallVolumeField = nullptr;
    QPushButton *overallVolumeUp = nullptr;
    QLabel *overallMuteLabel = nullptr;
    QPushButton *overallMuteOn = nullptr;
    QPushButton *overallMuteOff = nullptr;

    QPushButton *readAllButton = nullptr;

public slots:
    void SLT_SetAudioSource(int index);
    void SLT_SetVolumeValue();
    void SLT_BTN_Volume(bool checked);
    void SLT_BTN_AudioMute(bool checked);
    void SLT_ReadInfo_ALL();

private:
    void buildCommonFrame();
    void buildMainGroup();
    void buildMicGroup();
    void buildOverallGroup();
    void placeContainers(bool tn386);
    void assignObjectNames();
    QStringList sourceNames(bool tn386) const;
    void writeSetting(const char *key, const QString &value);
    quint8 model() const;

    LinkSession &session;
};
