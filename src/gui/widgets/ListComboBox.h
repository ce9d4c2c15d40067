#pragma once

#include <QComboBox>

// A combo box whose list opens as a list view, which the style sheet draws like the other lists. The view
// and the popup that holds it are made when the list first opens, not with the box: a window with several
// such boxes is shown sooner.
class ListComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit ListComboBox(QWidget *parent = nullptr);

    void showPopup() override;

private:
    bool viewMade = false;
};
