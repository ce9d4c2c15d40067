#include "widgets/MyComboBox.h"

MyComboBox::MyComboBox(QWidget *parent) : ListComboBox(parent) {}

void MyComboBox::showPopup()
{
    emit SGL_Auto_UpdateComboBox();
    ListComboBox::showPopup();
}
