#pragma once

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;

// The scene controls of the multiview page: the save and load combos listing the device's 20 scene slots
// by their layout names, and the field in which the operator types a new name for the slot being saved.
// The page asks for confirmation and sends the requests; this class builds, texts and renames.
class MultiviewLayoutFrame
{
public:
    static constexpr int SlotCount = 20;

    explicit MultiviewLayoutFrame(QFrame *frame);

    // Sets the labels and refills both combos with the current layout names; clears the name field.
    void applyTexts();
    // Gives slot `index` the name typed in the name field (both combos and the language table) and clears
    // the field; an empty field keeps the old name.
    void renameSlot(int index);

    QFrame *frame = nullptr;
    QLabel *saveLabel = nullptr;
    QComboBox *saveCombo = nullptr;
    QLabel *loadLabel = nullptr;
    QComboBox *loadCombo = nullptr;
    QLabel *nameLabel = nullptr;
    QLineEdit *nameField = nullptr;
};
