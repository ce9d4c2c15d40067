#pragma once

#include <QByteArray>
#include <QList>
#include <QTimer>
#include <QWidget>

class LinkSession;
class QCheckBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;
class TrafficCapture;
struct TrafficRecord;

// The debug console: the link session's traffic log as it happens. The receive pane shows every line
// received with its time, and for a reply the command it answered with the round trip, and every reply
// time-out; the send pane, read-only, echoes every command written. What the operator types goes into the
// input line below it, apart from that echo: Send (or Enter) queues exactly the typed line on the active
// link without a reply rule, and Up/Down recall the lines sent before. Both panes and the input switch
// between ASCII and HEX; the panes keep their newest 200 lines and are filled in batches, and only while
// the console is shown and not paused (a device that floods the link costs nothing while the console is
// hidden). The filter narrows the receive pane; Save writes the whole log to a text file; the capture
// writes it continuously into a rotating file of the application directory.
class Ui_Debug : public QWidget
{
    Q_OBJECT
public:
    static constexpr int MaxBlocks = 200;
    // Lines the input recalls.
    static constexpr int MaxHistory = 50;

    explicit Ui_Debug(LinkSession &session, QWidget *parent = nullptr);
    ~Ui_Debug() override;

    // Texts taken from the language table.
    void ReloadUIText();

    QTextEdit *recvText = nullptr;
    QTextEdit *sendText = nullptr;
    QPushButton *recvClearButton = nullptr;
    QPushButton *sendClearButton = nullptr;
    QLineEdit *inputEdit = nullptr;
    QPushButton *sendButton = nullptr;
    QLabel *recvLabel = nullptr;
    QLabel *sendLabel = nullptr;
    QPushButton *hexButton = nullptr;
    QPushButton *asciiButton = nullptr;
    QLabel *filterLabel = nullptr;
    QLineEdit *filterEdit = nullptr;
    QPushButton *pauseButton = nullptr;
    QPushButton *saveButton = nullptr;
    QCheckBox *captureBox = nullptr;

public slots:
    void SLT_SETUP_UI_DEBUG();
    void SLT_CLEAR_RECV_DATA();
    void SLT_CLEAR_SEND_DATA();
    void SLT_SELECT_HEX_FORMAT();
    void SLT_SELECT_ASCII_FORMAT();
    // A line was received or written: the panes show it from the traffic log, with its time (in a batch,
    // and only while the console is shown).
    void SLT_Sync_Show_Recv(QString Text);
    void SLT_Sync_Show_Send(QString Text);
    void SLT_SEND_DATA();
    void SLT_SAVE_TRAFFIC();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void scheduleBatch();
    void buildLayout();
    void setFormat(bool hexFormat);
    // Adds what was recorded since the panes were last filled.
    void showNewRecords();
    // Fill a pane anew from the log (after a change of format or filter).
    void refillReceivePane();
    void refillSendPane();
    // Shows the line sent `stepsBack` lines before the newest in the input (0: the line being typed).
    void recall(int stepsBack);
    QString receiveLine(const TrafficRecord &record) const;
    QString sendLine(const TrafficRecord &record) const;
    bool passesFilter(const QString &line) const;
    void setCapture(bool on);

    LinkSession &session;
    TrafficCapture *capture = nullptr;
    QTimer batch;
    bool hex = false;
    // The sequence number in the log of the next record each pane has not looked at yet, and where the
    // receive pane's content begins (moved by Clear).
    quint64 recvNext = 0;
    quint64 sendNext = 0;
    quint64 recvFrom = 0;
    quint64 sendFrom = 0;
    // The bytes of the lines sent from the input (without the CR added to a line), oldest first; where the
    // recall stands (history.size(): the line being typed) and that line, kept while older ones are shown.
    QList<QByteArray> history;
    int historyAt = 0;
    QString typing;

    QGridLayout *recvLayout = nullptr;
    QGridLayout *sendLayout = nullptr;
    QHBoxLayout *formatLayout = nullptr;
    QGridLayout *mainLayout = nullptr;
};
