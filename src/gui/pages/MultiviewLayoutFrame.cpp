#include "pages/MultiviewLayoutFrame.h"

#include "config/AppState.h"
#include "widgets/PlaceWidget.h"
#include "pages/PageWidgets.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>

MultiviewLayoutFrame::MultiviewLayoutFrame(QFrame *layoutFrame) : frame(layoutFrame)
{
    saveLabel = centredLabel(frame);
    saveCombo = makeCombo(frame);
    loadLabel = centredLabel(frame);
    loadCombo = makeCombo(frame);
    nameLabel = centredLabel(frame);
    nameField = new QLineEdit(frame);
    PlaceWidget(saveLabel, nullptr, 0x88, 4, 4, 150, 26);
    PlaceRightOf(saveCombo, saveLabel, 240, 26);
    PlaceBelow(loadLabel, saveLabel, 150, 26);
    PlaceRightOf(loadCombo, loadLabel, 240, 26);
    PlaceRightOf(nameLabel, saveCombo, 240, 26);
    PlaceBelow(nameField, nameLabel, 240, 26);
}

void MultiviewLayoutFrame::applyTexts()
{
    const LanguageTexts &t = State().text;
    saveLabel->setText(t.Slabel_SaveLayout);
    loadLabel->setText(t.Slabel_LoadLayout);
    nameLabel->setText(t.Slabel_LayoutName);
    const QStringList names(t.ScomboBox_Layout, t.ScomboBox_Layout + SlotCount);
    refill(saveCombo, names);
    refill(loadCombo, names);
    nameField->clear();
}

void MultiviewLayoutFrame::renameSlot(int index)
{
    const QString name = nameField->text();
    if (name.isEmpty() || index < 0 || index >= SlotCount)
        return;
    State().text.ScomboBox_Layout[index] = name;
    saveCombo->setItemText(index, name);
    loadCombo->setItemText(index, name);
    nameField->clear();
}
