#include "shell/ReplyApplier.h"

#include "config/AppState.h"
#include "pages/Ui_Audio.h"
#include "pages/Ui_Multiview.h"
#include "pages/Ui_Output.h"
#include "pages/Ui_System.h"
#include "pages/Ui_Uart_Network.h"
#include "protocol/ReplyKeywords.h"
#include "protocol/ReplyParser.h"
#include "protocol/ValueTables.h"
#include "widgets/MessageBox.h"

#include <QPushButton>

namespace {
// The label of the confirmation line of a reply row.
QString LanguageTexts::*statusLabelOf(int keyword)
{
    switch (keyword) {
    case KwOutResolution:
        return &LanguageTexts::Slabel_Resolution;
    case KwOut4KAuto:
        return &LanguageTexts::Slabel_4KAUTO;
    case KwOutHdcp:
        return &LanguageTexts::Slabel_HDCP;
    case KwOutVka:
        return &LanguageTexts::Slabel_VKA;
    case KwOutItc:
        return &LanguageTexts::Slabel_ITC;
    case KwAudioSource:
        return &LanguageTexts::Slabel_AudioSource;
    case KwAudioVol:
        return &LanguageTexts::Slabel_Volume;
    case KwAudioMute:
        return &LanguageTexts::Slabel_AudioMute;
    case KwInEdidMode:
        return &LanguageTexts::Slabel_EdidSelect;
    case KwMultiviewSync:
        return &LanguageTexts::Ui_Multiview_AppName;
    case KwNetworkInfo:
        return &LanguageTexts::Slabel_Network;
    case KwBaudrate:
        return &LanguageTexts::Slabel_Baudrate;
    default:
        return nullptr;
    }
}
} // namespace

ReplyApplier::ReplyApplier(QWidget *messageParent, Ui_Uart_Network *connection, Ui_Output *output,
                           Ui_Multiview *multiview, Ui_Audio *audio, Ui_System *system)
    : messageParent(messageParent), connection(connection), output(output), multiview(multiview), audio(audio),
      system(system)
{
}

void ReplyApplier::dispatch(const QString &line)
{
    const AppState &s = State();
    const ParsedReply reply = parseReplyLine(line.toLatin1(), s.CurrentModel, s.MultiviewMode);
    if (reply.ignored)
        return;
    if (reply.keyword == KwModelType) {
        applyModelType(reply);
        return;
    }
    apply(reply);
    writeStatus(reply);
}

void ReplyApplier::writeStatus(const ParsedReply &reply)
{
    const LanguageTexts &t = State().text;
    if (reply.statusLine)
        connection->AppendStatusText(
            QStringLiteral("%1 %2 %3.").arg(t.S_Sync, t.*statusLabelOf(reply.keyword), t.S_Message));
    if (reply.syncOver)
        endSync();
}

bool ReplyApplier::syncRunning() const
{
    // Closing the link, or a restart of the device, leaves the device unidentified: its synchronisation is
    // over.
    return syncing && State().ModelIdentified;
}

void ReplyApplier::readTimedOut(const QString &command)
{
    if (!syncRunning())
        return;
    if (!unanswered.contains(command))
        unanswered << command;
    if (command.contains(QLatin1String("NETWORK-INFO")) || command.contains(QLatin1String("BAUDRATE")))
        endSync();
}

void ReplyApplier::endSync()
{
    const LanguageTexts &t = State().text;
    const bool complete = !syncRunning() || unanswered.isEmpty();
    const QString end = complete ? t.SMSG_Status_SyncOver : t.SMSG_SyncIncomplete.arg(unanswered.join(", "));
    syncing = false;
    unanswered.clear();
    connection->AppendStatusText(QStringLiteral("\r\n->%1<-").arg(end));
}

void ReplyApplier::apply(const ParsedReply &reply)
{
    AppState &s = State();
    if (!reply.apply)
        return;
    const int index = reply.index;
    switch (reply.keyword) {
    case KwVersion:
    case KwArmVersion:
    case KwSubVersion:
    case KwExpandVersion:
    case KwKeyboardVersion:
        system->SyncFirmwareVersion(reply.text);
        break;
    case KwAutoSwitch:
        multiview->SyncAutoSwitch(index);
        break;
    case KwInSource:
        multiview->SyncWindowSource(0, index);
        break;
    case KwInResolution:
        multiview->SyncInputResolution(reply.text);
        break;
    case KwOutResolution:
        output->SyncResolution(index);
        break;
    case KwOut4KAuto:
        output->Sync4KAUTO(index);
        break;
    case KwOutHdcp:
        output->SyncHDCP(index);
        break;
    case KwOutVka:
        output->SyncVKA(index);
        break;
    case KwOutItc:
        output->SyncITC(index);
        break;
    case KwMultiview:
        multiview->SyncWindowMode(index, true);
        break;
    case KwWindow1In:
    case KwWindow2In:
    case KwWindow3In:
    case KwWindow4In:
        s.WindowSource[reply.target] = quint32(index);
        multiview->SyncWindowSource(reply.target, index);
        break;
    case KwPipPos:
        s.PipPosition = quint32(index);
        multiview->SyncPosition(index);
        break;
    case KwPipSize:
        s.PipSize = quint32(index);
        multiview->SyncSize(index);
        break;
    case KwPbpMode:
    case Kw3xWinMode:
    case Kw4xWinMode:
        s.ModeIndex = quint32(reply.number - 1);
        multiview->SyncMode(int(s.ModeIndex));
        break;
    case KwPbpAspect:
    case Kw3xWinAspect:
    case Kw4xWinAspect:
        s.AspectIndex = quint32(index);
        multiview->SyncAspect(index);
        break;
    case KwAudioSource:
        audio->SyncAudioSource(index);
        break;
    case KwAudioVol:
        audio->SyncVolume(int(reply.number));
        break;
    case KwAudioMute:
        audio->SyncAudioMute(index);
        break;
    case KwInEdidMode:
        system->SyncEdidSelect(index);
        break;
    case KwEdidUser:
        system->ShowUserEdidWritten();
        break;
    case KwMaxMode:
        s.ModeCount = quint32(reply.number);
        multiview->SyncModeCount(int(s.ModeCount));
        multiview->SyncMode(int(s.ModeIndex));
        break;
    case KwMultiviewSync:
        applyMultiviewReport(reply.multiview);
        break;
    case KwNetworkInfo:
        system->SyncNetworkInfo(reply.words.value(0), reply.words.value(1), reply.words.value(2),
                                reply.words.value(3));
        break;
    case KwBaudrate:
        system->SyncBaudrate(int(reply.number));
        break;
    case KwMainAudioOnOff:
    case KwMic1OnOff:
    case KwMic2OnOff:
        audio->SyncAudioSwitch(reply.target, index);
        break;
    case KwMic1Vol:
    case KwMic2Vol:
        audio->SyncMicVolume(reply.target, int(reply.number));
        break;
    case KwPbpPresenter:
    case KwPipUser:
        multiview->SyncCaptureDisplayInfo(int(reply.numbers[0]), int(reply.numbers[1]), int(reply.numbers[2]),
                                          int(reply.numbers[3]));
        break;
    case KwResoUser:
        output->SyncUserResolution(int(reply.numbers[0]), int(reply.numbers[1]));
        break;
    default:
        break;
    }
}

void ReplyApplier::applyModelType(const ParsedReply &reply)
{
    AppState &s = State();
    // Only the first model reply of a link counts, whether it matched or not.
    if (s.ModelIdentified)
        return;
    s.ModelIdentified = true;
    if (!reply.apply) {
        connection->SetStatusImage(false);
        connection->DisconnectActiveLink();
        ShowMessage(s.text.SMSG_MachineNotMatch, messageParent);
        return;
    }
    connection->SetStatusImage(true);
    s.CurrentModel = quint8(reply.index);
    s.InputCount = Tables::inputCount(s.CurrentModel);
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

void ReplyApplier::applyMultiviewReport(const MultiviewReport &report)
{
    AppState &s = State();
    if (report.mode >= 0)
        s.MultiviewMode = quint32(report.mode);
    for (int w = 0; w < 4; ++w) {
        if (report.windowSource[w] >= 0)
            s.WindowSource[w] = quint32(report.windowSource[w]);
    }
    const quint32 mode = s.MultiviewMode;
    if (mode == ModePip) {
        if (report.pipPosition >= 0)
            s.PipPosition = quint32(report.pipPosition);
        if (report.pipSize >= 0)
            s.PipSize = quint32(report.pipSize);
    } else if (mode != ModeSingle) {
        if (report.aspect >= 0)
            s.AspectIndex = quint32(report.aspect);
        if (report.modeNumber > 0)
            s.ModeIndex = quint32(report.modeNumber - 1);
        if (report.hasModeCount)
            s.ModeCount = report.modeCount;
    }

    multiview->BeginReport();
    multiview->SyncWindowMode(int(mode), false);
    if (mode == ModeSingle) {
        multiview->SyncInputResolution(report.inputResolution);
        multiview->SyncAutoSwitch(report.autoSwitch);
        multiview->SyncWindowSource(0, int(s.WindowSource[0]));
    } else if (mode == ModePip) {
        multiview->SyncPosition(int(s.PipPosition));
        multiview->SyncSize(int(s.PipSize));
        for (int w = 0; w < 2; ++w)
            multiview->SyncWindowSource(w, int(s.WindowSource[w]));
    } else {
        multiview->SyncAspect(int(s.AspectIndex));
        multiview->SyncModeCount(int(s.ModeCount));
        multiview->SyncMode(int(s.ModeIndex));
        for (int w = 0; w < int(mode) && w < 4; ++w)
            multiview->SyncWindowSource(w, int(s.WindowSource[w]));
    }
    multiview->EndReport();
}
