// A device that vanishes without closing its connection (no FIN, no RST: switched off, a cable pulled
// further on) is noticed by the idle link within 5 s, with no traffic of the tool's own. The test plays it
// by taking the loopback interface down, which it only ever does inside a network namespace of its own
// (tests/support/own-netns.sh runs it there; where none can be made, CTest reports the test as skipped).

#include "gui/E2eFixture.h"

#include <QApplication>
#include <QByteArray>
#include <QNetworkInterface>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTest>

#include <unistd.h>

namespace {
QByteArray networkNamespace()
{
    char name[64] = {};
    const ssize_t length = readlink("/proc/self/ns/net", name, sizeof name - 1);
    return length > 0 ? QByteArray(name, int(length)) : QByteArray();
}

// Only inside the namespace that the wrapper made for this test (a fresh one holds nothing but its loopback
// interface), never in the host's.
bool inOwnNetworkNamespace()
{
    const QByteArray own = networkNamespace();
    return !own.isEmpty() && own == qgetenv("LUMAPLEX_OWN_NETNS") &&
           !qgetenv("LUMAPLEX_HOST_NETNS").isEmpty() && own != qgetenv("LUMAPLEX_HOST_NETNS") &&
           QNetworkInterface::allInterfaces().size() == 1;
}

int loopback(const char *state)
{
    return QProcess::execute(QStringLiteral("ip"), {"link", "set", "lo", state});
}
} // namespace

class TestSilentDeath : public QObject, public E2eFixture
{
    Q_OBJECT

private slots:
    void silentDeviceIsNoticed()
    {
        // Never in the host's namespace: run by ctest through tests/support/own-netns.sh.
        if (!inOwnNetworkNamespace())
            QFAIL("not in a network namespace of its own");
        QVERIFY(connectTo("RKA204QE"));
        const int requests = mark();
        QCOMPARE(loopback("down"), 0);
        QTRY_COMPARE_WITH_TIMEOUT(State().LinkType, quint32(LinkNone), 5000);
        QCOMPARE(loopback("up"), 0);
        QCOMPARE(MainWindowDriver::messages(),
                 QStringList{"Network connect error,please reconnect network!!! (Connection timed out)"});
        QCOMPARE(mark(), requests);
        closeSession();
    }
};

QTEST_MAIN(TestSilentDeath)
#include "tst_silentdeath.moc"
