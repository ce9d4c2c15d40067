#pragma once

#include "widgets/ListComboBox.h"

// A combo box that announces that its list is about to open, so the owner can refill it (serial ports,
// local addresses) in time for the same opening.
class MyComboBox : public ListComboBox
{
    Q_OBJECT

public:
    explicit MyComboBox(QWidget *parent = nullptr);

    void showPopup() override;

signals:
    void SGL_Auto_UpdateComboBox();
};
