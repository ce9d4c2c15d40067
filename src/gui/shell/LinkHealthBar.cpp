#include "shell/LinkHealthBar.h"

#include "config/AppState.h"
#include "protocol/ValueTables.h"
#include "session/LinkHealth.h"
#include "session/LinkSession.h"
#include "widgets/FlowLayout.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVariant>

namespace {
// The age of the last reply counts on while nothing happens on the link.
constexpr int TickMs = 1000;
const QString None = QStringLiteral("-");
} // namespace

LinkHealthBar::LinkHealthBar(LinkSession &linkSession, QWidget *parent)
    : QWidget(parent), session(linkSession)
{
    health = new LinkHealth(session, this);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 2);
    // The readings wrap to a second row where the window is too narrow for them all; the pages keep the
    // rest of the height.
    auto *readings = new QWidget(this);
    auto *flow = new FlowLayout(readings, 18, 2, 2);
    flow->setContentsMargins(0, 0, 0, 0);
    for (QLabel **label : {&linkLabel, &modelLabel, &roundTripLabel, &lastReplyLabel, &timeoutsLabel,
                           &waitingLabel, &confirmedLabel}) {
        *label = new QLabel(readings);
        flow->addWidget(*label);
    }
    layout->addWidget(readings, 1);
    layout->addSpacing(12);
    for (QPushButton **button : {&saveSetupButton, &compareSetupButton, &restoreSetupButton}) {
        *button = new QPushButton(this);
        layout->addWidget(*button);
    }
    ReloadUIText();
    connect(health, &LinkHealth::SGL_HealthChanged, this, &LinkHealthBar::refresh);
    connect(&ticker, &QTimer::timeout, this, &LinkHealthBar::refresh);
    ticker.start(TickMs);
}

void LinkHealthBar::ReloadUIText()
{
    const LanguageTexts &t = State().text;
    saveSetupButton->setText(t.SpushButton_SaveSetup);
    compareSetupButton->setText(t.SpushButton_CompareSetup);
    restoreSetupButton->setText(t.SpushButton_RestoreSetup);
    refresh();
}

void LinkHealthBar::refresh()
{
    const LinkHealth::Reading r = health->reading();
    const DeviceContext &device = session.device().context();
    const LanguageTexts &t = State().text;
    setVisible(r.linkType != LinkNone);
    const QString link = r.linkType == LinkSerial
                             ? QStringLiteral("RS-232 %1, %2 Bd").arg(r.address, r.baudRate)
                             : QStringLiteral("TCP %1").arg(r.address);
    linkLabel->setText(t.Slabel_HealthLink + QLatin1Char(' ') + link);
    const bool identified = device.ModelIdentified && device.CurrentModel < NoModel;
    modelLabel->setText(t.Slabel_HealthModel + QLatin1Char(' ') +
                        (identified ? QString::fromLatin1(Tables::Models.at(device.CurrentModel)) : None));
    roundTripLabel->setText(
        t.Slabel_HealthRoundTrip + QLatin1Char(' ') +
        (r.medianRoundTripUs < 0
             ? None
             : QString::number(double(r.medianRoundTripUs) / 1000.0, 'f', 1) + QStringLiteral(" ms")));
    lastReplyLabel->setText(t.Slabel_HealthLastReply + QLatin1Char(' ') +
                            (r.lastLineAgeMs < 0 ? None
                                                 : t.S_HealthSecondsAgo.arg(QString::number(
                                                       double(r.lastLineAgeMs) / 1000.0, 'f', 1))));
    timeoutsLabel->setText(t.Slabel_HealthTimeouts + QLatin1Char(' ') + QString::number(r.timeouts));
    waitingLabel->setText(t.Slabel_HealthWaiting + QLatin1Char(' ') + QString::number(r.waiting));
    const QString confirmed =
        !r.answering ? t.S_HealthNotAnswering
        : r.confirmedAgoMs < 0
            ? None
            : t.S_HealthSecondsAgo.arg(QString::number(double(r.confirmedAgoMs) / 1000.0, 'f', 1));
    confirmedLabel->setText(t.Slabel_HealthConfirmed + QLatin1Char(' ') + confirmed);
    // The style sheet's rule for the property applies only once the label is polished anew.
    if (confirmedLabel->property("warning").toBool() != !r.answering) {
        confirmedLabel->setProperty("warning", !r.answering);
        confirmedLabel->style()->unpolish(confirmedLabel);
        confirmedLabel->style()->polish(confirmedLabel);
    }
    emit SGL_Refreshed();
}
