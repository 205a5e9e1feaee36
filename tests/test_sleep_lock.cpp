// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeSleepInhibitor.h"
#include "InvokeSlot.h"
#include "WindowFixture.h"
#include "app/LogindSleepInhibitor.h"
#include "core/SleepGuard.h"

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QProcess>
#include <QTest>
#include <QThread>

#include <poll.h>
#include <unistd.h>

namespace {

const QString Locked = QStringLiteral(" +++ Ruhezustand des Rechners gesperrt");

// A login manager on a private bus: grants Inhibit with one end of a pipe and keeps the other, so a test can
// see whether the lock is still held (the write end open somewhere) or given back.
class FakeLogind : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    ~FakeLogind() override
    {
        if (readEnd >= 0)
            ::close(readEnd);
    }

    // Whether every copy of the last lock handed out has been closed; waits for it up to `msecs`.
    bool released(int msecs) const
    {
        pollfd p{readEnd, POLLIN, 0};
        return ::poll(&p, 1, msecs) == 1 && (p.revents & (POLLHUP | POLLIN));
    }

    QStringList request; // what, who, why, mode of the last Inhibit
    int calls = 0;
    int readEnd = -1;

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
                                    const QString& mode)
    {
        request = {what, who, why, mode};
        ++calls;
        int ends[2];
        if (::pipe(ends) != 0)
            return {};
        if (readEnd >= 0)
            ::close(readEnd);
        readEnd = ends[0];
        const QDBusUnixFileDescriptor lock(ends[1]); // a copy goes out with the reply
        ::close(ends[1]);
        return lock;
    }
};

struct Rig
{
    Rig() : log(wall, form.texts.Text1) {}
    FormModel form;
    FakeWallClock wall;
    MessageLog log;
    FakeSleepInhibitor inhibitor;
    SleepGuard guard{inhibitor, form, log};
};

} // namespace

class TestSleepLock : public QObject
{
    Q_OBJECT
private slots:
    // A script of states, one per handler: "-" nothing runs, "in" / "out" a port open, "T1", "T2", "T3" a
    // periodic timer on, joined with "+". After each step the lock is held or not as `held` says.
    void guardFollowsPortsAndClocks_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("refuse");
        QTest::addColumn<QString>("held");
        QTest::addColumn<int>("requests");
        QTest::addColumn<int>("logLines");

        QTest::newRow("input port") << "- in in -" << false << "0110" << 1 << 1;
        QTest::newRow("output port, then both, then one") << "out in+out in -" << false << "1110" << 1 << 1;
        QTest::newRow("stopwatch runs") << "T1+T3 T1 -" << false << "110" << 1 << 1;
        QTest::newRow("time of day, then a port") << "T2 T2+out out -" << false << "1110" << 1 << 1;
        QTest::newRow("each new hold is logged") << "in - T1 -" << false << "1010" << 2 << 2;
        QTest::newRow("no login manager: asked once per hold")
            << "in in+out - T2" << true << "0000" << 2 << 0;
    }
    void guardFollowsPortsAndClocks()
    {
        QFETCH(QString, script);
        QFETCH(bool, refuse);
        QFETCH(QString, held);
        QFETCH(int, requests);
        QFETCH(int, logLines);

        Rig rig;
        rig.inhibitor.refuse = refuse;
        const QStringList steps = script.split(u' ');
        for (int i = 0; i < steps.size(); ++i) {
            const QStringList on = steps[i].split(u'+');
            rig.form.InPortOpen = on.contains("in");
            rig.form.OutPortOpen = on.contains("out");
            rig.form.timers = {on.contains("T1"), on.contains("T2"), on.contains("T3")};
            rig.guard.update();
            const bool expected = held[i] == u'1';
            QCOMPARE(rig.guard.held(), expected);
            QCOMPARE(rig.inhibitor.locks, expected ? 1 : 0);
        }
        QCOMPARE(rig.inhibitor.requests, requests);
        QCOMPARE(rig.inhibitor.strayReleases, 0);
        QCOMPARE(rig.form.texts.Text1, QString(rig.log.timeText() + Locked + "\r\n").repeated(logLines));
    }

    void windowHoldsTheLockWhileAPortIsOpenOrTheStopwatchRuns()
    {
        FakeSleepInhibitor inhibitor;
        WindowFixture f({1}, inhibitor);
        const QString time = f.window->engine().log.timeText();

        QCOMPARE(inhibitor.requests, 0);
        invokeSlot(&*f.window, "OpenInput_Click");
        QCOMPARE(inhibitor.locks, 1);
        QCOMPARE(f.logLines().mid(0, 2),
                 QStringList({time + Locked, time + " +++ COM-Port 1 wurde geöffnet"}));
        invokeSlot(&*f.window, "OpenInput_Click");
        QCOMPARE(inhibitor.locks, 0);

        invokeSlot(&*f.window, "Stopen_Click");
        invokeSlot(&*f.window, "Start_Click");
        QCOMPARE(inhibitor.locks, 1);
        invokeSlot(&*f.window, "Stop1_Click");
        QCOMPARE(inhibitor.locks, 0);

        invokeSlot(&*f.window, "Start_Click");
        f.window.reset();
        QCOMPARE(inhibitor.locks, 0);
        QCOMPARE(inhibitor.requests, 3);
        QCOMPARE(inhibitor.strayReleases, 0);
    }

    // The login manager's lock, on a private bus standing in for the system bus.
    void logindLockOnTheSystemBus()
    {
        QProcess daemon;
        daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                     QStringLiteral("--print-address=1")});
        QVERIFY2(daemon.waitForStarted(), "dbus-daemon is needed (scripts/install-deps.sh)");
        QVERIFY(daemon.waitForReadyRead(30000));
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address.toUtf8());

        LogindSleepInhibitor inhibitor;
        QVERIFY2(!inhibitor.acquire(), "no login manager on the bus: refused");

        QThread thread;
        FakeLogind logind;
        logind.moveToThread(&thread);
        thread.start();
        QDBusConnection server = QDBusConnection::connectToBus(address, QStringLiteral("fake-logind"));
        QVERIFY(server.registerObject(QStringLiteral("/org/freedesktop/login1"), &logind,
                                      QDBusConnection::ExportAllSlots));
        QVERIFY(server.registerService(QStringLiteral("org.freedesktop.login1")));

        QVERIFY(inhibitor.acquire());
        QCOMPARE(logind.request.value(0), QStringLiteral("sleep:idle"));
        QCOMPARE(logind.request.value(1), QStringLiteral("Brelox"));
        QCOMPARE(logind.request.value(3), QStringLiteral("block"));
        QVERIFY2(!logind.released(0), "the lock is held");
        QVERIFY(inhibitor.acquire()); // already held: no second lock
        QCOMPARE(logind.calls, 1);
        inhibitor.release();
        QVERIFY2(logind.released(30000), "the lock was given back");

        QDBusConnection::disconnectFromBus(QStringLiteral("fake-logind"));
        thread.quit();
        thread.wait();
        daemon.kill();
        daemon.waitForFinished();
    }
};

QTEST_MAIN(TestSleepLock)
#include "test_sleep_lock.moc"
