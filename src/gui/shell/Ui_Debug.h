#pragma once

#include <QWidget>

class LinkSession;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QTextEdit;

// The debug console: shows every reply line received and every command written on the active link, and
// queues the text typed into the send pane on that link without a reply rule.
class Ui_Debug : public QWidget
{
    Q_OBJECT
public:
    explicit Ui_Debug(LinkSession &session, QWidget *parent = nullptr);

    QTextEdit *recvText = nullptr;
    QTextEdit *sendText = nullptr;
    QPushButton *recvClearButton = nullptr;
    QPushButton *sendClearButton = nullptr;
    QPushButton *sendButton = nullptr;
    QLabel *recvLabel = nullptr;
    QLabel *sendLabel = nullptr;

signals:
    void SGL_UpdateEmit();

public slots:
    void SLT_SETUP_UI_DEBUG();
    void SLT_CLOSE_UI_DEBUG();
    void SLT_CLEAR_RECV_DATA();
    void SLT_CLEAR_SEND_DATA();
    void SLT_SELECT_HEX_FORMAT();
    void SLT_SELECT_ASCII_FORMAT();
    void SLT_Sync_Show_Recv(QString Text);
    void SLT_Sync_Show_Send(QString Text);
    void SLT_SEND_DATA();

private:
    void setFormatName(const QString &name);

    LinkSession &session;

    QGridLayout *recvLayout = nullptr;
    QGridLayout *sendLayout = nullptr;
    QPushButton *hexButton = nullptr;
    QPushButton *asciiButton = nullptr;
    QHBoxLayout *formatLayout = nullptr;
    QGridLayout *mainLayout = nullptr;
};
