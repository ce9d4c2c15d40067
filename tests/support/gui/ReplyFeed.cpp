#include "gui/ReplyFeed.h"

#include "core/QueuedRequests.h"

#include "app/AppState.h"
#include "app/Ui_Main.h"
#include "link/LinkChannel.h"
#include "pages/Ui_Uart_Network.h"
#include "protocol/ValueTables.h"
#include "widgets/MessageBoxSeam.h"

#include <QMutexLocker>
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

void append(LinkChannel &channel, const QByteArrayList &lines)
{
    for (const QByteArray &line : lines)
        enqueueEntry(line, nullptr, 0, &channel.recvLock, &channel.recvQueue);
}

void feed(Ui_Main *window, const QByteArrayList &lines)
{
    LinkChannel *channel = channelForLinkType(State().LinkType);
    append(channel ? *channel : TcpChannel(), lines);
    window->SLT_UnifyUpdateRecv();
}

void identify(Ui_Main *window, quint8 model)
{
    const bool wasActive = MessageBoxSeam::isActive();
    MessageBoxSeam::activate();
    feed(window, {QByteArray("MODEL TYPE ") + Tables::Models.words[model] + '\r'});
    drainAllQueues();
    window->connectionPage->statusText->clear();
    MessageBoxSeam::reset();
    if (wasActive)
        MessageBoxSeam::activate();
}

void drainAllQueues()
{
    for (LinkChannel *channel : {&TcpChannel(), &SerialChannel()}) {
        takeQueuedRequests(*channel);
        QMutexLocker locker(&channel->recvLock);
        takeAllEntries(&channel->recvQueue);
    }
}

} // namespace ReplyFeed
