#pragma once

#include "pages/MultiviewLayoutFrame.h"
#include "pages/MultiviewSourceGrid.h"

#include <QList>
#include <QWidget>

#include <memory>

class LinkSession;
struct DeviceContext;
class QComboBox;
class QFrame;
class QIntValidator;
class QLabel;
class QLineEdit;
class QPushButton;

// The Multiview page: the window mode (SINGLE, PIP, PBP, 3xWIN, 4xWIN) with its preview picture and its
// options (aspect and layout mode, or PIP position and size), the user rectangle of the PIP window and of
// the PBP presenter layout, the source of every window, the input resolution and auto switch in SINGLE
// mode, scene save/load with layout names, and the renaming of input sources. Operator actions queue one
// request each on the link session; the widgets follow what the device model reports, and the picture is
// drawn once per reply line, however many values it brought.
class Ui_Multiview : public QWidget
{
    Q_OBJECT
public:
    explicit Ui_Multiview(LinkSession &session, QWidget *parent = nullptr);

    void SyncWindowMode(int mode, bool resync);
    void SyncAspect(int index);
    void SyncModeCount(int count);
    void SyncMode(int index);
    void SyncPosition(int index);
    void SyncSize(int index);
    void SyncWindowSource(int window, int source);
    void SyncInputResolution(const QString &text);
    void SyncCaptureDisplayInfo(int hStart, int vStart, int hSize, int vSize);
    void SyncAutoSwitch(int index);
    void ApplyModel();
    void ReloadUIText(bool initial, bool readBack);
    void LayoutForMode(int mode);
    void UpdatePicture();

    bool eventFilter(QObject *watched, QEvent *event) override;

    QFrame *controlFrame = nullptr;
    QFrame *pictureFrame = nullptr;
    QFrame *layoutFrame = nullptr;
    QFrame *sourceFrame = nullptr;

    QLabel *multiviewLabel = nullptr;
    QList<QPushButton *> modeButtons; // SINGLE, PIP, PBP, 3xWIN, 4xWIN
    QLabel *aspectLabel = nullptr;
    QComboBox *aspectCombo = nullptr;
    QLabel *modeLabel = nullptr;
    QComboBox *modeCombo = nullptr;
    QLabel *positionLabel = nullptr;
    QComboBox *positionCombo = nullptr;
    QLabel *sizeLabel = nullptr;
    QComboBox *sizeCombo = nullptr;
    QLabel *rectangleLabel = nullptr;
    QLabel *hStartLabel = nullptr;
    QLineEdit *hStartField = nullptr;
    QLabel *vStartLabel = nullptr;
    QLineEdit *vStartField = nullptr;
    QLabel *hSizeLabel = nullptr;
    QLineEdit *hSizeField = nullptr;
    QLabel *vSizeLabel = nullptr;
    QLineEdit *vSizeField = nullptr;
    QPushButton *rectangleReadButton = nullptr;
    QPushButton *rectangleWriteButton = nullptr;
    QList<QWidget *> rectangleGroup; // the eleven widgets above, from the label to the write button
    QLabel *picture = nullptr;

    std::unique_ptr<MultiviewLayoutFrame> layouts;
    std::unique_ptr<MultiviewSourceGrid> sources;
    QPushButton *readAllButton = nullptr;

signals:
    void SGL_SyncInputSourceName();

public slots:
    void SLT_WindowMode_Single(bool checked);
    void SLT_WindowMode_PIP(bool checked);
    void SLT_WindowMode_PBP(bool checked);
    void SLT_WindowMode_3xWIN(bool checked);
    void SLT_WindowMode_4xWIN(bool checked);
    void SLT_SetAspect(int index);
    void SLT_SetMode(int index);
    void SLT_SetPosition(int index);
    void SLT_SetSize(int index);
    void SLT_ReadCaptureDisplayInfo();
    void SLT_SetCaptureDisplayInfo();
    void SLT_BTN_WindowSignal(bool checked);
    void SLT_GetInputResolution();
    void SLT_ReadInfo_ALL();
    void SLT_SetSaveLayout(int index);
    void SLT_SetLoadLayout(int index);
    void SLT_BTN_AutoSwitch(bool checked);
    void SLT_ModifySourceName();

private:
    void buildControlFrame();
    void showDeviceValues();
    // The device's multiview arrangement as the model knows it.
    const DeviceContext &device() const;
    void connectWidgets();
    void selectMode(quint32 mode);
    void placeModeOptions(int mode);
    void showRectangleGroup(bool visible);
    // The rectangle label's text: the PBP presenter's capture or the PIP window's display.
    void updateRectangleLabel();

    QIntValidator *rectangleValidator = nullptr;
    LinkSession &session;
    // A value shown since the picture was last drawn.
    bool pictureStale = false;
};
