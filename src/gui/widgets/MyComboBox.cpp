#include "widgets/MyComboBox.h"

MyComboBox::MyComboBox(QWidget *parent) : QComboBox(parent) {}

void MyComboBox::showPopup()
{
    emit SGL_Auto_UpdateComboBox();
    QComboBox::showPopup();
}
