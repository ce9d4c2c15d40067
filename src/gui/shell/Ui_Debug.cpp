#include "shell/Ui_Debug.h"

#include "config/AppPaths.h"
#include "config/AppState.h"
#include "protocol/ByteHelpers.h"
#include "session/LinkSession.h"
#include "session/TrafficCapture.h"
#include "session/TrafficFormat.h"
#include "shell/SendPaneCodec.h"
#include "widgets/FileChooser.h"
#include "widgets/MessageBox.h"
#include "widgets/Pictures.h"
#include "widgets/ScreenGeometry.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextCursor>
#include <QTextEdit>

#include <algorithm>

namespace {
const QString AsciiFormat = QStringLiteral("ASCII FORMAT");
const QString HexFormat = QStringLiteral("HEX FORMAT");
// How long new records wait to be shown together.
constexpr int BatchMs = 100;
// How long watching rests after the operator sent a line.
constexpr int ConsoleRestMs = 5000;

void appendAtEnd(QTextEdit *edit, const QString &text)
{
    QTextCursor cursor = edit->textCursor();
    cursor.movePosition(QTextCursor::End);
    edit->setTextCursor(cursor);
    edit->insertPlainText(text);
}

// A line's bytes as one line of text: without the CR and LF around it, other control bytes escaped.
QString lineText(QByteArray bytes)
{
    while (bytes.endsWith('\r') || bytes.endsWith('\n'))
        bytes.chop(1);
    while (bytes.startsWith('\n') || bytes.startsWith('\r'))
        bytes.remove(0, 1);
    return TrafficFormat::escaped(bytes);
}

QString millisecondsText(qint64 us)
{
    return QString::number(double(us) / 1000.0, 'f', 1) + QStringLiteral(" ms");
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
    inputEdit = new QLineEdit(this);
    sendClearButton = new QPushButton(this);
    sendButton = new QPushButton(this);
    sendLayout = new QGridLayout;
    hexButton = new QPushButton(this);
    asciiButton = new QPushButton(this);
    filterLabel = new QLabel(this);
    filterEdit = new QLineEdit(this);
    pauseButton = new QPushButton(this);
    saveButton = new QPushButton(this);
    captureBox = new QCheckBox(this);
    formatLayout = new QHBoxLayout;
    mainLayout = new QGridLayout(this);
    capture = new TrafficCapture(session, this);

    const QSize screen = cappedPrimaryScreenSize();
    resize(screen.width() / 3, screen.height() / 2);
    move((screen.width() - width()) / 2, (screen.height() - height()) / 2);

    setWindowTitle(QStringLiteral("Debug"));
    const QString icon = AppPaths::file(QStringLiteral("/APP/Image/mainui_logo.png"));
    NormalizePng(icon);
    setWindowIcon(QIcon(icon));
    recvClearButton->setText(QStringLiteral("Clear"));
    sendClearButton->setText(QStringLiteral("Clear"));
    sendButton->setText(QStringLiteral("Send"));
    hexButton->setText(HexFormat);
    asciiButton->setText(AsciiFormat);
    pauseButton->setCheckable(true);
    filterEdit->setClearButtonEnabled(true);
    inputEdit->setPlaceholderText(QStringLiteral("Type a command; Enter sends it, Up/Down recall"));
    inputEdit->installEventFilter(this);
    setFormat(false);
    ReloadUIText();

    recvText->setLineWrapMode(QTextEdit::NoWrap);
    recvText->setReadOnly(true);
    sendText->setLineWrapMode(QTextEdit::NoWrap);
    sendText->setReadOnly(true);
    recvText->document()->setMaximumBlockCount(MaxBlocks);
    sendText->document()->setMaximumBlockCount(MaxBlocks);
    buildLayout();

    connect(recvClearButton, &QPushButton::clicked, this, &Ui_Debug::SLT_CLEAR_RECV_DATA);
    connect(sendClearButton, &QPushButton::clicked, this, &Ui_Debug::SLT_CLEAR_SEND_DATA);
    connect(sendButton, &QPushButton::clicked, this, &Ui_Debug::SLT_SEND_DATA);
    connect(inputEdit, &QLineEdit::returnPressed, this, &Ui_Debug::SLT_SEND_DATA);
    connect(asciiButton, &QPushButton::clicked, this, &Ui_Debug::SLT_SELECT_ASCII_FORMAT);
    connect(hexButton, &QPushButton::clicked, this, &Ui_Debug::SLT_SELECT_HEX_FORMAT);
    connect(saveButton, &QPushButton::clicked, this, &Ui_Debug::SLT_SAVE_TRAFFIC);
    connect(captureBox, &QCheckBox::toggled, this, &Ui_Debug::setCapture);
    connect(filterEdit, &QLineEdit::textChanged, this, &Ui_Debug::refillReceivePane);
    connect(pauseButton, &QPushButton::toggled, this, [this](bool paused) {
        ReloadUIText();
        if (!paused)
            showNewRecords();
    });
    batch.setSingleShot(true);
    batch.setInterval(BatchMs);
    connect(&batch, &QTimer::timeout, this, &Ui_Debug::showNewRecords);
    // Time-outs reach the log without a line of their own.
    connect(&session, &LinkSession::SGL_TrafficRecorded, this, &Ui_Debug::scheduleBatch);
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
}

Ui_Debug::~Ui_Debug() = default;

void Ui_Debug::scheduleBatch()
{
    // Nothing is done for a record while the console is hidden or paused: it is shown from the log later.
    if (isVisible() && !pauseButton->isChecked() && !batch.isActive())
        batch.start();
}

void Ui_Debug::SLT_Sync_Show_Recv(QString)
{
    scheduleBatch();
}

void Ui_Debug::SLT_Sync_Show_Send(QString)
{
    scheduleBatch();
}

void Ui_Debug::buildLayout()
{
    recvLayout->addWidget(recvLabel, 0, 0);
    recvLayout->addWidget(recvText, 1, 0, 6, 8);
    recvLayout->addWidget(recvClearButton, 1, 9);
    sendLayout->addWidget(sendLabel, 0, 0);
    sendLayout->addWidget(sendText, 1, 0, 6, 8);
    sendLayout->addWidget(sendClearButton, 1, 9);
    sendLayout->addWidget(inputEdit, 7, 0, 1, 8);
    sendLayout->addWidget(sendButton, 7, 9);
    formatLayout->addWidget(hexButton);
    formatLayout->addWidget(asciiButton);
    formatLayout->addWidget(filterLabel);
    formatLayout->addWidget(filterEdit, 1);
    formatLayout->addWidget(pauseButton);
    formatLayout->addWidget(saveButton);
    formatLayout->addWidget(captureBox);
    mainLayout->addLayout(formatLayout, 0, 0);
    mainLayout->addLayout(recvLayout, 1, 0);
    mainLayout->addLayout(sendLayout, 2, 0);
}

void Ui_Debug::ReloadUIText()
{
    const LanguageTexts &t = State().text;
    filterLabel->setText(t.Slabel_TrafficFilter);
    pauseButton->setText(pauseButton->isChecked() ? t.SpushButton_TrafficResume : t.SpushButton_TrafficPause);
    saveButton->setText(t.SpushButton_TrafficSave);
    captureBox->setText(t.ScheckBox_TrafficCapture);
    captureBox->setToolTip(QDir::toNativeSeparators(TrafficCapture::filePath()));
}

void Ui_Debug::setFormat(bool hexFormat)
{
    const QString name = hexFormat ? HexFormat : AsciiFormat;
    recvLabel->setText(QStringLiteral("Recv:") + name);
    sendLabel->setText(QStringLiteral("Send:") + name);
    hexButton->setEnabled(!hexFormat);
    asciiButton->setEnabled(hexFormat);
    if (hexFormat == hex)
        return;
    // The input keeps standing for the same bytes (hexadecimal text that is not bytes, or bytes that would
    // make more than one line of text, stay as they are).
    QString badWord;
    SendPaneCodec::bytesOf(inputEdit->text(), hex, &badWord);
    const QString converted = SendPaneCodec::converted(inputEdit->text(), hexFormat);
    if (badWord.isEmpty() && !converted.contains(QLatin1Char('\n')))
        inputEdit->setText(converted);
    hex = hexFormat;
    refillReceivePane();
    refillSendPane();
}

void Ui_Debug::SLT_SETUP_UI_DEBUG()
{
    show();
}

// Clearing a pane also drops what it has not shown yet.
void Ui_Debug::SLT_CLEAR_RECV_DATA()
{
    recvText->clear();
    recvFrom = recvNext = session.traffic().endSequence();
}

void Ui_Debug::SLT_CLEAR_SEND_DATA()
{
    sendText->clear();
    sendFrom = sendNext = session.traffic().endSequence();
}

void Ui_Debug::SLT_SELECT_HEX_FORMAT()
{
    setFormat(true);
}
void Ui_Debug::SLT_SELECT_ASCII_FORMAT()
{
    setFormat(false);
}

void Ui_Debug::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    showNewRecords();
}

QString Ui_Debug::receiveLine(const TrafficRecord &record) const
{
    const QString time = TrafficFormat::timeOfDay(record.wallMs);
    if (record.kind == TrafficRecord::TimedOut)
        return QStringLiteral("%1  (%2 %3, %4)")
            .arg(time, State().text.S_TrafficNoReply, lineText(record.bytes),
                 millisecondsText(record.roundTripUs));
    if (record.kind == TrafficRecord::Note)
        return QStringLiteral("%1  [%2]").arg(time, QString::fromUtf8(record.bytes));
    QString line =
        time + QStringLiteral("  ") + (hex ? TrafficFormat::hex(record.bytes) : lineText(record.bytes));
    if (record.answersCommand())
        line += QStringLiteral("   \u2190 %1  %2")
                    .arg(lineText(record.command), millisecondsText(record.roundTripUs));
    return line;
}

QString Ui_Debug::sendLine(const TrafficRecord &record) const
{
    if (hex)
        return TrafficFormat::hex(record.bytes) + QLatin1Char('\n');
    return Latin1Text(record.bytes.constData(), quint32(record.bytes.size()));
}

bool Ui_Debug::passesFilter(const QString &line) const
{
    const QString filter = filterEdit->text().trimmed();
    return filter.isEmpty() || line.contains(filter, Qt::CaseInsensitive);
}

void Ui_Debug::showNewRecords()
{
    if (!isVisible() || pauseButton->isChecked())
        return;
    const TrafficRing &ring = session.traffic();
    const quint64 end = ring.endSequence();
    // Only the newest lines can stay in a pane: older ones are not even formatted.
    QStringList received;
    for (quint64 sequence = end; sequence > ring.keptFrom(recvNext) && received.size() < MaxBlocks;
         --sequence) {
        const TrafficRecord &record = ring.at(sequence - 1);
        if (record.kind == TrafficRecord::Written)
            continue;
        const QString line = receiveLine(record);
        if (passesFilter(line))
            received << line;
    }
    std::reverse(received.begin(), received.end());
    if (received.size() >= MaxBlocks - 1)
        recvText->setPlainText(received.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    else if (!received.isEmpty())
        appendAtEnd(recvText, received.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    recvText->moveCursor(QTextCursor::End);
    recvNext = end;

    QString written;
    int lines = 0;
    for (quint64 sequence = end; sequence > ring.keptFrom(sendNext) && lines < MaxBlocks; --sequence) {
        const TrafficRecord &record = ring.at(sequence - 1);
        if (record.kind == TrafficRecord::Written) {
            written.prepend(sendLine(record));
            ++lines;
        }
    }
    if (!written.isEmpty())
        appendAtEnd(sendText, written);
    sendNext = end;
}

void Ui_Debug::refillReceivePane()
{
    recvText->clear();
    recvNext = recvFrom;
    showNewRecords();
}

void Ui_Debug::refillSendPane()
{
    sendText->clear();
    sendNext = sendFrom;
    showNewRecords();
}

bool Ui_Debug::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == inputEdit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            recall(history.size() - historyAt + (key == Qt::Key_Up ? 1 : -1));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Ui_Debug::recall(int stepsBack)
{
    if (stepsBack < 0 || stepsBack > history.size())
        return;
    if (historyAt == history.size())
        typing = inputEdit->text();
    historyAt = history.size() - stepsBack;
    // A recalled line sends the same bytes again, pasted line breaks included.
    inputEdit->setText(stepsBack == 0 ? typing : SendPaneCodec::textOf(history.at(historyAt), hex));
}

void Ui_Debug::SLT_SEND_DATA()
{
    const QString typed = inputEdit->text();
    QString badWord;
    QByteArray bytes = SendPaneCodec::bytesOf(typed, hex, &badWord);
    if (!badWord.isEmpty()) {
        ShowMessage(State().text.SMSG_InvalidHexText + badWord, this);
        return;
    }
    if (bytes.isEmpty())
        return;
    if (history.isEmpty() || history.last() != bytes)
        history << bytes;
    // A typed line ends with a CR as every request does; in HEX the operator gives every byte.
    if (!hex)
        bytes += '\r';
    // Queued without a reply rule: written in turn with the page commands, no reply awaited. The echo pane
    // shows it once it is written.
    session.send(Request{bytes, ReplyRule()});
    // The operator reads what comes back: watching keeps out of the way for a while.
    session.watch().restFor(ConsoleRestMs);
    while (history.size() > MaxHistory)
        history.removeFirst();
    historyAt = history.size();
    typing.clear();
    inputEdit->clear();
}

void Ui_Debug::SLT_SAVE_TRAFFIC()
{
    const QString proposed = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                             QStringLiteral("/lumaplex-traffic-%1.txt")
                                 .arg(QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss"));
    const QString path = ChooseSaveFile(this, saveButton->text(), proposed, QStringLiteral("*.txt"));
    if (path.isEmpty())
        return;
    const TrafficRing &ring = session.traffic();
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly);
    written = written && file.write((TrafficFormat::fileHeader() + QLatin1Char('\n')).toUtf8()) >= 0;
    for (quint64 sequence = ring.firstSequence(); written && sequence < ring.endSequence(); ++sequence)
        written = file.write((TrafficFormat::fileLine(ring.at(sequence)) + QLatin1Char('\n')).toUtf8()) >= 0;
    if (!written || !file.commit())
        ShowMessage(State().text.SMSG_TrafficSaveFail + file.errorString(), this);
}

void Ui_Debug::setCapture(bool on)
{
    if (!on) {
        capture->stop();
        return;
    }
    if (capture->start())
        return;
    ShowMessage(State().text.SMSG_TrafficCaptureFail + capture->errorString(), this);
    const QSignalBlocker blocker(captureBox);
    captureBox->setChecked(false);
}
