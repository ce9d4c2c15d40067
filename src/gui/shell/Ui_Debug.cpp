#include "shell/Ui_Debug.h"

#include "widgets/ScreenGeometry.h"
#include "config/AppPaths.h"
#include "session/LinkSession.h"
#include "widgets/Pictures.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QTextCursor>
#include <QTextEdit>

namespace {
const QString AsciiFormat = QStringLiteral("ASCII FORMAT");
const QString HexFormat = QStringLiteral("HEX FORMAT");
constexpr int MaxBlocks = 200;

void appendAtEnd(QTextEdit *edit, const QString &text)
{
    QTextCursor cursor = edit->textCursor();
    cursor.movePosition(QTextCursor::End);
    edit->setTextCursor(cursor);
    edit->insertPlainText(text);
}
} // namespace

Ui_Debug::Ui_Debug(LinkSession &linkSession, QWidget *parent) : QWidget(parent), session(linkSession)
{
    recvLabel = new QLabel(this);
    recvText = new QTextEdit(this);
    recvClearButton = new QPushButton(this);
    recvLayout = new QGridLayout;
    sendLabel = new QLabel(this);
    sendText = new QTextEdit(this);
    sendClearButton = new QPushButton(this);
    sendButton = new QPushButton(this);
    sendLayout = new QGridLayout;
    hexButton = new QPushButton(this);
    asciiButton = new QPushButton(this);
    formatLayout = new QHBoxLayout;
    mainLayout = new QGridLayout(this);

    const QSize screen = cappedPrimaryScreenSize();
    resize(screen.width() / 3, screen.height() / 2);
    move((screen.width() - width()) / 2, (screen.height() - height()) / 2);

    setWindowTitle(QStringLiteral("Debug"));
    const QString icon = AppPaths::file(QStringLiteral("/APP/Image/mainui_logo.png"));
    NormalizePng(icon);
    setWindowIcon(QIcon(icon));
    setFormatName(AsciiFormat);
    recvClearButton->setText(QStringLiteral("Clear"));
    sendClearButton->setText(QStringLiteral("Clear"));
    sendButton->setText(QStringLiteral("Send"));
    hexButton->setText(HexFormat);
    asciiButton->setText(AsciiFormat);
    asciiButton->setEnabled(false);

    recvText->setLineWrapMode(QTextEdit::NoWrap);
    recvText->setReadOnly(true);
    sendText->setLineWrapMode(QTextEdit::NoWrap);
    recvText->document()->setMaximumBlockCount(MaxBlocks);
    sendText->document()->setMaximumBlockCount(MaxBlocks);

    recvLayout->addWidget(recvLabel, 0, 0);
    recvLayout->addWidget(recvText, 1, 0, 6, 8);
    recvLayout->addWidget(recvClearButton, 1, 9);
    sendLayout->addWidget(sendLabel, 0, 0);
    sendLayout->addWidget(sendText, 1, 0, 6, 8);
    sendLayout->addWidget(sendClearButton, 1, 9);
    sendLayout->addWidget(sendButton, 2, 9);
    formatLayout->addWidget(hexButton);
    formatLayout->addWidget(asciiButton);
    mainLayout->addLayout(recvLayout, 0, 0);
    mainLayout->addLayout(sendLayout, 1, 0);
    mainLayout->addLayout(formatLayout, 2, 0);

    connect(recvClearButton, &QPushButton::clicked, this, &Ui_Debug::SLT_CLEAR_RECV_DATA);
    connect(sendClearButton, &QPushButton::clicked, this, &Ui_Debug::SLT_CLEAR_SEND_DATA);
    connect(sendButton, &QPushButton::clicked, this, &Ui_Debug::SLT_SEND_DATA);
    connect(asciiButton, &QPushButton::clicked, this, &Ui_Debug::SLT_SELECT_ASCII_FORMAT);
    connect(hexButton, &QPushButton::clicked, this, &Ui_Debug::SLT_SELECT_HEX_FORMAT);
    hexButton->hide();
    asciiButton->hide();
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
}

void Ui_Debug::setFormatName(const QString &name)
{
    recvLabel->setText(QStringLiteral("Recv:") + name);
    sendLabel->setText(QStringLiteral("Send:") + name);
}

void Ui_Debug::SLT_SETUP_UI_DEBUG() { show(); }
void Ui_Debug::SLT_CLOSE_UI_DEBUG() { close(); }
void Ui_Debug::SLT_CLEAR_RECV_DATA() { recvText->clear(); }
void Ui_Debug::SLT_CLEAR_SEND_DATA() { sendText->clear(); }

void Ui_Debug::SLT_SELECT_HEX_FORMAT()
{
    hexButton->setEnabled(false);
    asciiButton->setEnabled(true);
    setFormatName(HexFormat);
}

void Ui_Debug::SLT_SELECT_ASCII_FORMAT()
{
    asciiButton->setEnabled(false);
    hexButton->setEnabled(true);
    setFormatName(AsciiFormat);
}

void Ui_Debug::SLT_Sync_Show_Recv(QString Text) { appendAtEnd(recvText, Text); }
void Ui_Debug::SLT_Sync_Show_Send(QString Text) { appendAtEnd(sendText, Text); }

void Ui_Debug::SLT_SEND_DATA()
{
    const QByteArray typed = sendText->toPlainText().toUtf8();
    QByteArray bytes;
    bytes.reserve(typed.size() + typed.count('\n'));
    for (const char byte : typed) {
        if (byte == '\n')
            bytes += '\r';
        bytes += byte;
    }
    // Queued without a reply rule: written in turn with the page commands, no reply awaited.
    session.queue(bytes);
    emit SGL_UpdateEmit();
}
