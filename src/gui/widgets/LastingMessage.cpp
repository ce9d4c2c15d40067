#include "widgets/LastingMessage.h"

#include "widgets/MessageBox.h"
#include "widgets/MessageBoxSeam.h"

#include <QMessageBox>

LastingMessage::LastingMessage(QWidget *parentWidget) : parent(parentWidget) {}

LastingMessage::~LastingMessage()
{
    delete box;
}

bool LastingMessage::isOpen() const
{
    return box ? box->isVisible() : MessageBoxSeam::isLastingOpen(seamId);
}

void LastingMessage::show(const QString &text)
{
    if (box && box->isVisible()) {
        box->setText(text);
        return;
    }
    if (MessageBoxSeam::updateLasting(seamId, text))
        return;
    delete box;
    seamId = MessageBoxSeam::openLasting(text);
    if (seamId != 0)
        return;
    box = NewMessageBox(text, parent);
    box->addButton(QStringLiteral("OK"), QMessageBox::YesRole);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
