#include "shell/SyncReport.h"

#include "config/AppState.h"
#include "pages/Ui_Audio.h"
#include "pages/Ui_Multiview.h"
#include "pages/Ui_Output.h"
#include "pages/Ui_System.h"
#include "pages/Ui_Uart_Network.h"
#include "protocol/ReplyParser.h"
#include "session/LinkSession.h"
#include "widgets/MessageBox.h"

#include <QPushButton>
#include <QTime>

SyncReport::SyncReport(LinkSession &linkSession, QWidget *parent, Ui_Uart_Network *connectionPage,
                       Ui_Output *outputPage, Ui_Multiview *multiviewPage, Ui_Audio *audioPage,
                       Ui_System *systemPage)
    : QObject(parent), session(linkSession), messageParent(parent), connection(connectionPage),
      output(outputPage), multiview(multiviewPage), audio(audioPage), system(systemPage)
{
    DeviceModel &device = session.device();
    connect(&device, &DeviceModel::SGL_Identified, this, [this](bool known) { identified(known); });
    // A value seen for the first time (after a connect or a restart) is no change.
    connect(&device, &DeviceModel::SGL_ValueChanged, this,
            [this](const QString &key, const QString &oldValue, const QString &newValue, bool own) {
                if (!own && !oldValue.isNull())
                    changedElsewhere(key, oldValue, newValue);
            });
    connect(&session.watch(), &DeviceWatch::SGL_GivenUp, this, &SyncReport::givenUp);
    // What a watch read brings is no confirmation: only the changes it finds are told (elsewhere).
    connect(&device, &DeviceModel::SGL_ReplyApplied, this,
            [this](const ParsedReply &reply, const QByteArray &, bool watch) {
                if (!watch)
                    replyApplied(reply);
            });
}

void SyncReport::replyApplied(const ParsedReply &reply)
{
    const LanguageTexts &t = State().text;
    if (reply.statusLine)
        connection->AppendStatusText(
            QStringLiteral("%1 %2 %3.").arg(t.S_Sync, t.*statusLabelOf(reply.keyword), t.S_Message));
    if (reply.syncOver)
        endSync();
}

bool SyncReport::syncRunning() const
{
    // Closing the link, or a restart of the device, leaves the device unidentified: its synchronisation is
    // over.
    return syncing && session.device().context().ModelIdentified;
}

void SyncReport::readTimedOut(const QString &command)
{
    if (!syncRunning())
        return;
    if (!unanswered.contains(command))
        unanswered << command;
    if (command.contains(QLatin1String("NETWORK-INFO")) || command.contains(QLatin1String("BAUDRATE")))
        endSync();
}

void SyncReport::endSync()
{
    const LanguageTexts &t = State().text;
    const bool complete = !syncRunning() || unanswered.isEmpty();
    const QString end = complete ? t.SMSG_Status_SyncOver : t.SMSG_SyncIncomplete.arg(unanswered.join(", "));
    syncing = false;
    unanswered.clear();
    connection->AppendStatusText(QStringLiteral("\r\n->%1<-").arg(end));
}

void SyncReport::identified(bool known)
{
    if (!known) {
        connection->SetStatusImage(false);
        connection->DisconnectActiveLink();
        ShowMessage(State().text.SMSG_MachineNotMatch, messageParent);
        return;
    }
    connection->SetStatusImage(true);
    output->ApplyModel();
    multiview->ApplyModel();
    audio->ApplyModel();
    system->ApplyModel();
    syncing = true;
    unanswered.clear();
    output->readAllButton->click();
    multiview->readAllButton->click();
    audio->readAllButton->click();
    system->readAllButton->click();
}

void SyncReport::changedElsewhere(const QString &key, const QString &oldValue, const QString &newValue)
{
    const LanguageTexts &t = State().text;
    const Setting *setting = Settings::find(key);
    QString title = setting && setting->statusLabel ? t.*setting->statusLabel : key;
    if (title.endsWith(QLatin1Char(':')))
        title.chop(1);
    const QString note = t.SMSG_ChangedOnDevice.arg(title, oldValue, newValue);
    connection->AppendStatusText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss ")) + note);
    session.addNote(note);
}

void SyncReport::givenUp()
{
    const QString message = State().text.SMSG_DeviceSilent.arg(DeviceWatch::MissesToGiveUp);
    connection->AppendStatusText(message);
    connection->DisconnectActiveLink();
    ShowMessage(message, messageParent);
}
