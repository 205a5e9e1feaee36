// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeSleepInhibitor.h"
#include "InvokeSlot.h"
#include "PtyPair.h"
#include "WindowFixture.h"
#include "app/LogindSleepInhibitor.h"
#include "app/ViewRefresher.h"
#include "core/SleepGuard.h"
#include "ports/QtSerialPortService.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtDBus>

#include <poll.h>
#include <unistd.h>

namespace {

const QString Locked = QStringLiteral(" +++ Ruhezustand des Rechners gesperrt");

// A login manager on a private bus standing in for the system bus: holds each Inhibit call until the test
// answers, then grants one end of a pipe and keeps the other, so a test sees whether the lock is still held.
class FakeLogind : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    FakeLogind()
    {
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        QVERIFY2(daemon.waitForStarted() && daemon.waitForReadyRead(30000),
                 "dbus-daemon is needed (install-deps)");
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address.toUtf8());
        QDBusConnection bus = QDBusConnection::connectToBus(address, "fake-logind");
        QVERIFY(bus.registerObject("/org/freedesktop/login1", this, QDBusConnection::ExportAllSlots) &&
                bus.registerService("org.freedesktop.login1"));
    }
    ~FakeLogind() override
    {
        QDBusConnection::disconnectFromBus("fake-logind");
        daemon.close();
        ::close(readEnd);
    }
    // Whether every copy of the last lock handed out has been closed; waits for it up to `msecs`.
    bool released(int msecs) const
    {
        pollfd p{readEnd, POLLIN, 0};
        return ::poll(&p, 1, msecs) == 1 && (p.revents & (POLLHUP | POLLIN));
    }
    void answer()
    {
        int ends[2];
        QVERIFY(::pipe(ends) == 0);
        ::close(std::exchange(readEnd, ends[0]));
        QDBusConnection("fake-logind")
            .send(calls.last().createReply(QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]))));
        ::close(ends[1]);
    }

    QProcess daemon;
    QList<QDBusMessage> calls; // the Inhibit calls (what, who, why, mode)
    int readEnd = -1;

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString&, const QString&, const QString&, const QString&)
    {
        setDelayedReply(true);
        calls << message();
        return {};
    }
};

} // namespace

class TestSleepLock : public QObject
{
    Q_OBJECT
private slots:
    // Steps: "!" the login manager grants, "x" it refuses; else what runs after a handler: "-" nothing, "in"
    // "out" a port, "T1" "T2" "T3" a timer, joined by "+"; "/1" when the lock is held after it. Then the
    // program ends. Each new hold is logged.
    void guardFollowsPortsAndClocks_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("requests");
        QTest::newRow("input port") << "in/0 !/1 in/1 -/0" << 1;
        QTest::newRow("output, both, one") << "out/0 !/1 in+out/1 in/1 -/0" << 1;
        QTest::newRow("stopwatch runs to the end") << "T1+T3/0 !/1 T1/1" << 1;
        QTest::newRow("time of day, then a port") << "T2/0 !/1 T2+out/1 out/1 -/0" << 1;
        QTest::newRow("each new hold is logged") << "in/0 !/1 -/0 T1/0 !/1 -/0" << 2;
        QTest::newRow("closed before the answer") << "in/0 -/0 !/0 in/0 !/1 -/0" << 2;
        QTest::newRow("the end before the answer") << "in/0" << 1;
        QTest::newRow("no login manager: asked once per hold") << "in/0 x/0 in+out/0 -/0 T2/0 x/0" << 2;
    }
    void guardFollowsPortsAndClocks()
    {
        QFETCH(QString, script);
        QFETCH(int, requests);
        FormModel form;
        FakeWallClock wall;
        MessageLog log(wall, form.texts.Text1);
        FakeSleepInhibitor inhibitor;
        auto guard = std::make_unique<SleepGuard>(inhibitor, form, log);
        QString held = QStringLiteral("0");
        for (const QString& step : script.split(u' ')) {
            const QStringList on = step.section(u'/', 0, 0).split(u'+');
            form.InPortOpen = on.contains("in");
            form.OutPortOpen = on.contains("out");
            form.timers = {on.contains("T1"), on.contains("T2"), on.contains("T3")};
            on[0] == "!" || on[0] == "x" ? inhibitor.answer(on[0] == "!") : guard->update();
            held += step.back();
            QCOMPARE(guard->held(), held.back() == u'1');
            QCOMPARE(inhibitor.locks, held.back() == u'1' ? 1 : 0);
        }
        guard.reset();
        QCOMPARE(inhibitor.asked, false); // withdrawn or given back at the end
        QCOMPARE(std::pair(inhibitor.requests, inhibitor.faults), std::pair(requests, 0));
        QCOMPARE(form.texts.Text1,
                 QString(log.timeText() + Locked + "\r\n").repeated(held.count(QStringLiteral("01"))));
    }

    // A bus that takes the connection and never answers holds up neither the request nor the end.
    void hungBusHoldsUpNothing()
    {
        QTemporaryDir dir;
        QLocalServer bus;
        QVERIFY(bus.listen(dir.filePath("bus")));
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + QFile::encodeName(bus.fullServerName()));
        const QByteArray hello =
            QByteArray("\0AUTH EXTERNAL ", 15) + QByteArray::number(::getuid()).toHex() + "\r\n";
        QLocalSocket* client = nullptr;
        {
            LogindSleepInhibitor inhibitor;
            inhibitor.request([] { QFAIL("granted by a bus that never answers"); });
            QVERIFY(bus.waitForNewConnection(30000) && (client = bus.nextPendingConnection()));
            QTRY_VERIFY_WITH_TIMEOUT(client->bytesAvailable() >= hello.size(), 30000);
        } // the worker waits for the bus's answer now, and ends with the inhibitor
        QCOMPARE(client->readAll(), hello);
        QVERIFY2(client->waitForDisconnected(30000), "the worker's connection is closed");
    }

    // The real lock, asked for by the window on real ports: while the login manager is slow to answer, clicks
    // and board lines go on, and the grant shows when it comes. Closing the ports gives the lock back; a lock
    // that comes after they closed is given back at once and not logged.
    void windowGoesOnWhileTheLoginManagerIsSlow()
    {
        FakeLogind logind;
        QTemporaryDir dir;
        PtyPair in(dir.path(), 1), out(dir.path(), 2);
        QtSerialPortService input{ComPortMap(dir.path())}, output{ComPortMap(dir.path())};
        LogindSleepInhibitor sleep;
        WindowFixture f(input, output, sleep);
        invokeSlot(&*f.window, "OpenOutput_Click");
        invokeSlot(&*f.window, "OpenInput_Click");
        QTRY_COMPARE_WITH_TIMEOUT(logind.calls.size(), 1, 30000);
        const QString why = QStringLiteral("Zeitmessung: COM-Port geöffnet oder Uhr läuft");
        QCOMPARE(logind.calls[0].arguments(), QVariantList({"sleep:idle", "Brelox", why, "block"}));
        QVERIFY(in.writeFar("..L0\t 042\t00:01:23.45\r"));
        QByteArray got;
        QTRY_VERIFY_WITH_TIMEOUT((got += out.drainFar(0)).size() >= 23, 30000);
        QCOMPARE(got, "042.    00:01:23.45   \r");
        f.monotonicClock.advance(ViewRefresher::IntervalMsecs); // the views may be brought up to date at once
        logind.answer();
        for (QDeadlineTimer end(30000); !f.form().texts.Text1.contains(Locked) && !end.hasExpired();)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall); // the answer, no timers
        const QString shown = f.widget<QPlainTextEdit>("Text1")->toPlainText().section(u'\n', 0, 0);
        QCOMPARE(shown, f.window->engine().log.timeText() + Locked);
        QVERIFY2(!logind.released(0), "the lock is held");
        invokeSlot(&*f.window, "OpenInput_Click");
        invokeSlot(&*f.window, "OpenOutput_Click");
        QVERIFY2(logind.released(30000), "closing both ports gave the lock back");

        invokeSlot(&*f.window, "OpenInput_Click");
        QTRY_COMPARE_WITH_TIMEOUT(logind.calls.size(), 2, 30000);
        invokeSlot(&*f.window, "OpenInput_Click");
        logind.answer();
        QVERIFY2(logind.released(30000), "the late lock was given back");
        QCoreApplication::processEvents();
        QCOMPARE(f.form().texts.Text1.count(Locked), 1);
    }
};

QTEST_MAIN(TestSleepLock)
#include "test_sleep_lock.moc"
