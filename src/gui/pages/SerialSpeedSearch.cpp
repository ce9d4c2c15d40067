#include "pages/SerialSpeedSearch.h"

#include "config/AppState.h"
#include "pages/Ui_Uart_Network.h"
#include "widgets/MessageBox.h"
#include "widgets/MyComboBox.h"

#include <QPushButton>

SerialSpeedSearch::SerialSpeedSearch(Ui_Uart_Network &connectionPage)
    : QObject(&connectionPage), page(connectionPage)
{
    connect(&probe, &BaudProbe::SGL_Finished, this, &SerialSpeedSearch::finished);
}

bool SerialSpeedSearch::wanted() const
{
    // "Auto" is the item after the speeds.
    return page.baudBox->currentIndex() == page.baudBox->count() - 1;
}

void SerialSpeedSearch::start()
{
    port = page.portBox->currentText();
    page.AppendStatusText(State().text.SMSG_BaudSearching.arg(port));
    page.UpdateLinkInputsEnabled(true);
    page.serialConnectButton->setEnabled(false);
    page.networkConnectButton->setEnabled(false);
    probe.start(port);
}

void SerialSpeedSearch::finished()
{
    const LanguageTexts &t = State().text;
    page.UpdateLinkInputsEnabled(false);
    page.serialConnectButton->setEnabled(true);
    page.networkConnectButton->setEnabled(true);
    switch (probe.outcome()) {
    case BaudProbe::Outcome::Found:
        page.baudBox->setCurrentIndex(page.baudBox->findText(QString::number(probe.baud())));
        page.AppendStatusText(t.SMSG_BaudFound.arg(port).arg(probe.baud()));
        page.serialConnectButton->click();
        break;
    case BaudProbe::Outcome::PortFailed:
        ShowMessage(t.SMSG_SerialPort_Connect_Fail + QStringLiteral("3 (%1)").arg(probe.error()), &page);
        break;
    default: {
        const QString text = t.SMSG_BaudNotFound.arg(port, BaudProbe::speedsText());
        page.AppendStatusText(text);
        ShowMessage(text, &page);
        break;
    }
    }
}
