#include "E2eFixture.h"

#include "config/AppState.h"
#include "pages/Ui_Multiview.h"

#include <QJsonArray>
#include <QPushButton>
#include <QTest>

void E2eFixture::openSession()
{
    ui = std::make_unique<MainWindowDriver>();
    sim = std::make_unique<SimDevice>();
}

void E2eFixture::closeSession()
{
    // The window first: it closes its link while the device still listens.
    ui.reset();
    sim.reset();
}

bool E2eFixture::connectTo(const QString &model, const QJsonObject &seed, const QStringList &extra)
{
    if (!seed.isEmpty())
        sim->seedState(seed);
    return sim->start(QStringList{"--model", model} + extra) && ui->connectTcp(sim->port()) &&
           ui->waitForSyncOver(1, SyncTimeoutMs);
}

bool E2eFixture::received(int from, const QStringList &expected, int timeoutMs)
{
    const bool arrived =
        QTest::qWaitFor([&] { return sim->requests().size() >= from + expected.size(); }, timeoutMs);
    const QStringList actual = sim->requests().mid(from);
    if (!arrived || actual != expected) {
        qWarning() << "device received" << actual << "expected" << expected;
        qWarning().noquote() << sim->log().right(3000);
    }
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

int E2eFixture::statusCount(const QString &label) const
{
    return ui->statusText().count(statusLine(label));
}

QString statusLine(const QString &label)
{
    const LanguageTexts &t = State().text;
    return QStringLiteral("%1 %2 %3.").arg(t.S_Sync, label, t.S_Message);
}

int flatOf(const QPushButton *first, const QPushButton *second)
{
    if (first->isFlat() == second->isFlat())
        return -1;
    return first->isFlat() ? 0 : 1;
}

int flatSource(const Ui_Multiview *page, int window)
{
    int flat = -1;
    for (int source = 0; source < MultiviewSourceGrid::SourceCount; ++source) {
        if (page->sources->sourceButtons.at(window * MultiviewSourceGrid::SourceCount + source)->isFlat())
            flat = flat < 0 ? source : -2;
    }
    return flat;
}
