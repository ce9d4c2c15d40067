#include "E2eFixture.h"

#include "config/AppState.h"
#include "session/LinkSession.h"
#include "shell/Ui_Main.h"

#include <QJsonArray>
#include <QTest>

bool E2eFixture::connectTo(const QString &model, const QJsonObject &seed, const QStringList &extra,
                           bool serial, bool synchronised)
{
    closeSession();
    ui = std::make_unique<MainWindowDriver>();
    sim = std::make_unique<SimDevice>();
    if (!seed.isEmpty())
        sim->seedState(seed);
    const QStringList tcp = serial ? QStringList{"--no-tcp"} : QStringList{};
    const bool connected = sim->start(QStringList{"--model", model} + tcp + extra, serial) &&
                           (serial ? ui->connectSerial(sim->ptyLink()) : ui->connectTcp(sim->port()));
    return connected && (!synchronised || (ui->waitForSyncOver(1, SyncTimeoutMs) && settled()));
}

bool E2eFixture::settled()
{
    // No request waits to be written or for its answer (one already written may not have reached the device
    // yet), every request the device got was answered, and the window has every answer (a flooding device
    // sends more lines than that).
    return QTest::qWaitFor(
        [this] {
            const int answered = sim->logLines(QStringLiteral(" -> "));
            return ui->window()->session->isIdle() && sim->requests().size() == answered &&
                   ui->repliesReceived() >= answered;
        },
        ReplyTimeoutMs);
}

void E2eFixture::closeSession()
{
    // The window first: it closes its link while the device still listens.
    ui.reset();
    sim.reset();
}

bool E2eFixture::received(int from, const QStringList &expected, int timeoutMs)
{
    const bool arrived =
        QTest::qWaitFor([&] { return sim->requests().size() >= from + expected.size(); }, timeoutMs);
    const QStringList actual = sim->requests().mid(from);
    if (!arrived || actual != expected)
        qWarning().noquote() << "device received" << actual << "expected" << expected
                             << sim->log().right(3000);
    return actual == expected;
}

QJsonValue E2eFixture::device(const QString &path) const
{
    QJsonValue value = sim->state();
    for (const QString &key : path.split(QLatin1Char('/'))) {
        bool isIndex = false;
        const int index = key.toInt(&isIndex);
        value = isIndex ? value.toArray().at(index) : value.toObject().value(key);
    }
    return value;
}
