#include "gui/ReplyFeed.h"

#include "config/AppState.h"
#include "pages/Ui_Uart_Network.h"
#include "protocol/ValueTables.h"
#include "session/LinkSession.h"
#include "shell/Ui_Main.h"
#include "widgets/MessageBoxSeam.h"

#include <QPlainTextEdit>
#include <QPushButton>

namespace ReplyFeed {

void openLink(Ui_Main *window, quint32 linkType)
{
    const LanguageTexts &t = State().text;
    Ui_Uart_Network *page = window->connectionPage;
    State().LinkType = linkType;
    const bool serial = linkType == LinkSerial;
    page->serialConnectButton->setText(t.S_ConnectDisconnect[serial ? 1 : 0]);
    page->networkConnectButton->setText(t.S_ConnectDisconnect[serial ? 0 : 1]);
    page->serialConnectButton->setEnabled(serial);
    page->networkConnectButton->setEnabled(!serial);
    page->UpdateLinkInputsEnabled(true);
}

void feed(Ui_Main *window, const QByteArrayList &lines)
{
    for (const QByteArray &line : lines)
        emit window->session->SGL_LineReceived(State().LinkType, line);
}

void identify(Ui_Main *window, quint8 model)
{
    const bool wasActive = MessageBoxSeam::isActive();
    MessageBoxSeam::activate();
    feed(window, {QByteArray("MODEL TYPE ") + Tables::Models.words[model] + '\r'});
    window->connectionPage->statusText->clear();
    MessageBoxSeam::reset();
    if (wasActive)
        MessageBoxSeam::activate();
}

} // namespace ReplyFeed
