#pragma once

#include <QWidget>

class LinkSession;
class QComboBox;
class QFrame;
class QIntValidator;
class QLabel;
class QLineEdit;
class QPushButton;

// The Output page: output resolution (with the user timing's width and height), HDCP, the no-signal screen
// (VKA), ITC and 4K AUTO. Choices made by the operator queue one request each on the link session; the
// widgets change only when the device model reports the device's values.
class Ui_Output : public QWidget
{
    Q_OBJECT
public:
    explicit Ui_Output(LinkSession &session, QWidget *parent = nullptr);

    void SyncResolution(int index);
    void SyncUserResolution(int width, int height);
    void SyncHDCP(int index);
    void SyncVKA(int index);
    void SyncITC(int index);
    void Sync4KAUTO(int index);
    void ApplyModel();
    void ReloadUIText(bool initial, bool readBack);

    QFrame *settingsFrame = nullptr;
    QLabel *resolutionLabel = nullptr;
    QComboBox *resolutionCombo = nullptr;
    QLabel *userResolutionLabel = nullptr;
    QLineEdit *widthField = nullptr;
    QLineEdit *heightField = nullptr;
    QPushButton *userReadButton = nullptr;
    QPushButton *userWriteButton = nullptr;
    QLabel *vkaLabel = nullptr;
    QComboBox *vkaCombo = nullptr;
    QLabel *itcLabel = nullptr;
    QComboBox *itcCombo = nullptr;
    QLabel *hdcpLabel = nullptr;
    QComboBox *hdcpCombo = nullptr;
    QLabel *autoLabel = nullptr;
    QComboBox *autoCombo = nullptr;
    QPushButton *readAllButton = nullptr;

public slots:
    void SLT_SetResolution(int index);
    void SLT_ReadUserResolution();
    void SLT_SetUserResolution();
    void SLT_SetHDCP(int index);
    void SLT_SetVKA(int index);
    void SLT_SetITC(int index);
    void SLT_Set4KAUTO(int index);
    void SLT_ReadInfo_ALL();

private:
    void showUserResolution(bool visible);
    void writeSetting(const char *key, int index);

    LinkSession &session;
    QIntValidator *sizeValidator = nullptr;
};
