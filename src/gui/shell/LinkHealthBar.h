#pragma once

#include <QTimer>
#include <QWidget>

class LinkHealth;
class LinkSession;
class QLabel;
class QPushButton;

// The strip below the main window's tabs while a link exists: the link's kind and peer, the identified
// model, the median round trip of the last replies, the age of the last line received, the reply time-outs
// since the link was opened and the commands waiting to be written, kept up to date from the session's
// traffic log (nothing is asked of the device for it). It also holds the buttons that save, compare and
// restore the device's setup.
class LinkHealthBar : public QWidget
{
    Q_OBJECT
public:
    explicit LinkHealthBar(LinkSession &session, QWidget *parent = nullptr);

    void ReloadUIText();
    // Shows the current reading (and hides the strip while no link exists).
    void refresh();

    QLabel *linkLabel = nullptr;
    QLabel *modelLabel = nullptr;
    QLabel *roundTripLabel = nullptr;
    QLabel *lastReplyLabel = nullptr;
    QLabel *timeoutsLabel = nullptr;
    QLabel *waitingLabel = nullptr;
    QLabel *confirmedLabel = nullptr;
    QPushButton *saveSetupButton = nullptr;
    QPushButton *compareSetupButton = nullptr;
    QPushButton *restoreSetupButton = nullptr;

signals:
    // The reading was shown anew (the setup buttons follow the link).
    void SGL_Refreshed();

private:
    LinkSession &session;
    LinkHealth *health = nullptr;
    QTimer ticker;
};
