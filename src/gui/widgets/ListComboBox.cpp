#include "widgets/ListComboBox.h"

#include <QListView>

ListComboBox::ListComboBox(QWidget *parent) : QComboBox(parent) {}

void ListComboBox::showPopup()
{
    if (!viewMade) {
        viewMade = true;
        setView(new QListView(this));
    }
    QComboBox::showPopup();
}
