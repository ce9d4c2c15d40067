#include "pages/MultiviewSourceGrid.h"

#include "config/AppState.h"
#include "widgets/PlaceWidget.h"
#include "pages/PageWidgets.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
constexpr int ButtonRowPitch = 30;
} // namespace

MultiviewSourceGrid::MultiviewSourceGrid(QFrame *sourceFrame) : frame(sourceFrame)
{
    autoSwitchLabel = new QLabel(frame);
    autoSwitchOnButton = new QPushButton(frame);
    autoSwitchOffButton = new QPushButton(frame);
    renameField = new QLineEdit(frame);
    autoSwitchLabel->resize(160, 26);
    autoSwitchOnButton->resize(100, 26);
    autoSwitchOffButton->resize(100, 26);
    renameField->resize(160, 26);
    renameField->hide();
}

void MultiviewSourceGrid::build(QObject *labelFilter)
{
    if (isBuilt())
        return;
    cornerLabel = centredLabel(frame);
    PlaceWidget(cornerLabel, nullptr, 0x88, 4, 34, 130, 38);

    const QWidget *previous = cornerLabel;
    for (int i = 0; i < SourceCount; ++i) {
        QLabel *label = centredLabel(frame);
        label->setWordWrap(true);
        label->installEventFilter(labelFilter);
        PlaceRightOf(label, previous, 100, 38);
        sourceLabels.append(label);
        previous = label;
    }
    previous = cornerLabel;
    for (int w = 0; w < WindowCount; ++w) {
        QLabel *label = centredLabel(frame);
        PlaceBelow(label, previous, 130, 26);
        windowLabels.append(label);
        previous = label;
    }
    for (int k = 0; k < ButtonCount; ++k) {
        auto *button = new QPushButton(frame);
        button->setObjectName(QStringLiteral("button%1").arg(k));
        const QLabel *column = sourceLabels.at(k % SourceCount);
        PlaceBelow(button, column, 100, 26, 4 + ButtonRowPitch * (k / SourceCount));
        sourceButtons.append(button);
    }

    resolutionLabel = new QLabel(frame);
    resolutionField = new QLineEdit(frame);
    resolutionField->setEnabled(false);
    resolutionReadButton = new QPushButton(frame);
    resolutionLabel->resize(190, 26);
    resolutionField->resize(160, 26);
    resolutionReadButton->resize(100, 26);
}

void MultiviewSourceGrid::applyTexts()
{
    const LanguageTexts &t = State().text;
    autoSwitchLabel->setText(t.Slabel_AutoSwitch);
    autoSwitchOnButton->setText(t.S_OnOff[0]);
    autoSwitchOnButton->setObjectName(QStringLiteral("AutoSwitch1"));
    autoSwitchOffButton->setText(t.S_OnOff[1]);
    autoSwitchOffButton->setObjectName(QStringLiteral("AutoSwitch0"));
    if (!isBuilt())
        return;
    cornerLabel->setText(t.Slabel_WINDOW_SOURCE);
    for (int i = 0; i < SourceCount; ++i) {
        sourceLabels.at(i)->setText(t.S_InputSource_Name[i]);
        sourceLabels.at(i)->setToolTip(t.STIPS_DoubleChickModifyName);
    }
    for (int w = 0; w < WindowCount; ++w)
        windowLabels.at(w)->setText(t.Slabel_Windows_Name[w]);
    resolutionLabel->setText(t.Slabel_InputResolution);
    resolutionReadButton->setText(t.S_ReadWrite[0]);
}

void MultiviewSourceGrid::showGrid(int windows, int inputs)
{
    if (!isBuilt())
        return;
    for (int w = 0; w < WindowCount; ++w)
        windowLabels.at(w)->setVisible(w < windows);
    for (int i = 0; i < SourceCount; ++i)
        sourceLabels.at(i)->setVisible(i < inputs);
    for (int k = 0; k < ButtonCount; ++k)
        sourceButtons.at(k)->setVisible(k % SourceCount < inputs && k / SourceCount < windows);
}

void MultiviewSourceGrid::showSingleRows(bool visible)
{
    if (visible && isBuilt()) {
        PlaceWidget(resolutionLabel, windowLabels.at(0), 0x24, 0, 20, 190, 26);
        PlaceRightOf(resolutionField, resolutionLabel, 160, 26);
        PlaceRightOf(resolutionReadButton, resolutionField, 100, 26);
        PlaceBelow(autoSwitchLabel, resolutionLabel, 160, 26);
        PlaceRightOf(autoSwitchOnButton, autoSwitchLabel, 100, 26);
        PlaceRightOf(autoSwitchOffButton, autoSwitchOnButton, 100, 26);
    }
    if (isBuilt()) {
        resolutionLabel->setVisible(visible);
        resolutionField->setVisible(visible);
        resolutionReadButton->setVisible(visible);
    }
    autoSwitchLabel->setVisible(visible);
    autoSwitchOnButton->setVisible(visible);
    autoSwitchOffButton->setVisible(visible);
}

void MultiviewSourceGrid::markSource(int window, int source)
{
    if (!isBuilt() || window < 0 || window >= WindowCount)
        return;
    const QList<QPushButton *> row = sourceButtons.mid(window * SourceCount, SourceCount);
    markSelected(row, source >= 0 && source < SourceCount ? row.at(source) : nullptr);
}

void MultiviewSourceGrid::markAutoSwitch(int index)
{
    markSelected({autoSwitchOnButton, autoSwitchOffButton},
                 index == 0 ? autoSwitchOnButton : autoSwitchOffButton);
}

int MultiviewSourceGrid::sourceLabelIndex(const QObject *object) const
{
    for (int i = 0; i < sourceLabels.size(); ++i) {
        if (sourceLabels.at(i) == object)
            return i;
    }
    return -1;
}

void MultiviewSourceGrid::beginRename(int index)
{
    const QLabel *label = sourceLabels.value(index);
    if (!label)
        return;
    PlaceWidget(renameField, nullptr, 0x88, label->x(), label->y() - 26, 160, 26);
    renameField->setToolTip(State().text.STIPS_EnterKeyFinishInputAndClose);
    renameField->clear();
    renameField->show();
    renameField->raise();
    renameField->setFocus();
    renameIndex = index;
}

void MultiviewSourceGrid::finishRename()
{
    const QString name = renameField->text();
    if (!name.isEmpty() && renameIndex >= 0 && renameIndex < SourceCount) {
        State().text.S_InputSource_Name[renameIndex] = name;
        if (QLabel *label = sourceLabels.value(renameIndex))
            label->setText(name);
    }
    renameIndex = 0;
    renameField->hide();
}
