// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeSleepInhibitor.h"
#include "InvokeSlot.h"
#include "PtyPair.h"
#include "WindowFixture.h"
#include "app/LogindSleepInhibitor.h"
#include "core/SleepGuard.h"
#include "ports/QtSerialPortService.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QString Locked = QStringLiteral(" +++ Ruhezustand des Rechners gesperrt");

// A login manager that holds each Inhibit call until the test answers it, then grants with one end of a pipe
// and keeps the other, so a test can see whether the lock is still held (the write end open somewhere).
class FakeLogind : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    ~FakeLogind() override { ::close(readEnd); }
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
        QDBusConnection(QStringLiteral("fake-logind"))
            .send(call.createReply(QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]))));
        ::close(ends[1]);
    }

    QStringList request; // what, who, why, mode of the last Inhibit
    QDBusMessage call;
    int calls = 0;
    int readEnd = -1;

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
                                    const QString& mode)
    {
        request = {what, who, why, mode};
        ++calls;
        setDelayedReply(true);
        call = message();
        return {};
    }
};

// A private bus standing in for the system bus, with the login manager on it.
struct Bus
{
    Bus()
    {
        daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                     QStringLiteral("--print-address=1")});
        if (!daemon.waitForStarted() || !daemon.waitForReadyRead(30000))
            return;
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address.toUtf8());
        QDBusConnection server = QDBusConnection::connectToBus(address, QStringLiteral("fake-logind"));
        up = server.registerObject(QStringLiteral("/org/freedesktop/login1"), &logind,
                                   QDBusConnection::ExportAllSlots) &&
             server.registerService(QStringLiteral("org.freedesktop.login1"));
    }
    ~Bus()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-logind"));
        daemon.kill();
        daemon.waitForFinished();
    }
    QProcess daemon;
    FakeLogind logind;
    bool up = false;
};

} // namespace

class TestSleepLock : public QObject
{
    Q_OBJECT
private slots:
    // A script of steps: "!" the login manager answers; else the state after a handler: "-" nothing runs,
    // "in" / "out" a port open, "T1", "T2", "T3" a periodic timer on, joined with "+". After each step the
    // lock is held or not as `held` says.
    void guardFollowsPortsAndClocks_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("refuse");
        QTest::addColumn<QString>("held");
        QTest::addColumn<int>("requests");
        QTest::addColumn<int>("logLines");

        QTest::newRow("input port") << "in ! in -" << false << "0110" << 1 << 1;
        QTest::newRow("output port, then both, then one")
            << "out ! in+out in -" << false << "01110" << 1 << 1;
        QTest::newRow("stopwatch runs") << "T1+T3 ! T1 -" << false << "0110" << 1 << 1;
        QTest::newRow("time of day, then a port") << "T2 ! T2+out out -" << false << "01110" << 1 << 1;
        QTest::newRow("each new hold is logged") << "in ! - T1 ! -" << false << "010010" << 2 << 2;
        QTest::newRow("closed before the answer: no lock, no line")
            << "in - ! in ! -" << false << "000010" << 2 << 1;
        QTest::newRow("no login manager: asked once per hold")
            << "in ! in+out - T2 !" << true << "000000" << 2 << 0;
    }
    void guardFollowsPortsAndClocks()
    {
        QFETCH(QString, script);
        QFETCH(bool, refuse);
        QFETCH(QString, held);
        QFETCH(int, requests);
        QFETCH(int, logLines);

        FormModel form;
        FakeWallClock wall;
        MessageLog log(wall, form.texts.Text1);
        FakeSleepInhibitor inhibitor;
        inhibitor.refuse = refuse;
        SleepGuard guard(inhibitor, form, log);
        const QStringList steps = script.split(u' ');
        for (int i = 0; i < steps.size(); ++i) {
            const QStringList on = steps[i].split(u'+');
            if (steps[i] == "!") {
                inhibitor.answer();
            } else {
                form.InPortOpen = on.contains("in");
                form.OutPortOpen = on.contains("out");
                form.timers = {on.contains("T1"), on.contains("T2"), on.contains("T3")};
                guard.update();
            }
            QCOMPARE(guard.held(), held[i] == u'1');
            QCOMPARE(inhibitor.locks, held[i] == u'1' ? 1 : 0);
        }
        QCOMPARE(inhibitor.requests, requests);
        QCOMPARE(inhibitor.faults, 0);
        QCOMPARE(form.texts.Text1, QString(log.timeText() + Locked + "\r\n").repeated(logLines));
    }

    void windowHoldsTheLockWhileAPortIsOpenOrTheStopwatchRuns()
    {
        FakeSleepInhibitor inhibitor;
        WindowFixture f({1}, inhibitor);
        const QString time = f.window->engine().log.timeText();

        invokeSlot(&*f.window, "OpenInput_Click");
        inhibitor.answer();
        QCOMPARE(f.logLines().mid(0, 2),
                 QStringList({time + Locked, time + " +++ COM-Port 1 wurde geöffnet"}));
        invokeSlot(&*f.window, "OpenInput_Click");
        QVERIFY(!inhibitor.asked);

        invokeSlot(&*f.window, "Stopen_Click");
        invokeSlot(&*f.window, "Start_Click");
        QVERIFY(inhibitor.asked);
        invokeSlot(&*f.window, "Stop1_Click");
        QVERIFY(!inhibitor.asked);

        invokeSlot(&*f.window, "Start_Click");
        f.window.reset();
        QCOMPARE(QString::number(inhibitor.requests) + (inhibitor.asked ? " asked" : ""),
                 QStringLiteral("3"));
        QCOMPARE(inhibitor.faults, 0);
    }

    // The real lock from a login manager on the bus: asked for with its reasons, held, given back; when given
    // back before the answer, the lock that comes anyway is closed and no one hears of it.
    void logindLockOnTheSystemBus()
    {
        Bus bus;
        QVERIFY2(bus.up, "dbus-daemon is needed (scripts/install-deps.sh)");
        LogindSleepInhibitor inhibitor;
        int granted = 0;
        inhibitor.request([&] { ++granted; });
        QTRY_COMPARE_WITH_TIMEOUT(bus.logind.calls, 1, 30000);
        QCOMPARE(bus.logind.request, QStringList({"sleep:idle", "Brelox",
                                                  "Zeitmessung: COM-Port geöffnet oder Uhr läuft", "block"}));
        bus.logind.answer();
        QTRY_COMPARE_WITH_TIMEOUT(granted, 1, 30000);
        QVERIFY2(!bus.logind.released(0), "the lock is held");
        inhibitor.release();
        QVERIFY2(bus.logind.released(0), "the lock was given back");

        inhibitor.request([&] { ++granted; });
        QTRY_COMPARE_WITH_TIMEOUT(bus.logind.calls, 2, 30000);
        inhibitor.release();
        bus.logind.answer();
        QVERIFY2(bus.logind.released(30000), "the late lock was given back");
        QCoreApplication::processEvents();
        QCOMPARE(granted, 1);
    }

    // A bus that takes the connection and never says a word holds up neither the request nor the end.
    void hungBusHoldsUpNothing()
    {
        const QByteArray path =
            QFile::encodeName(QDir::temp().filePath("brelox-hung-bus-" + QString::number(::getpid())));
        const int bus = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un where{AF_UNIX, {}};
        qstrncpy(where.sun_path, path.constData(), sizeof where.sun_path);
        QVERIFY(::bind(bus, reinterpret_cast<sockaddr*>(&where), sizeof where) == 0 && ::listen(bus, 4) == 0);
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + path);
        int client = -1;
        const QByteArray greeting = QByteArray("\0AUTH EXTERNAL ", 15) + QByteArray::number(::getuid()).toHex() + "\r\n";
        QByteArray said(greeting.size(), '\0');
        {
            LogindSleepInhibitor inhibitor;
            inhibitor.request([] { QFAIL("granted by a bus that never answers"); });
            pollfd p{bus, POLLIN, 0};
            QVERIFY(::poll(&p, 1, 30000) == 1 && (client = ::accept(bus, nullptr, nullptr)) >= 0);
            said.resize(::recv(client, said.data(), said.size(), MSG_WAITALL));
        } // the worker waiting for the bus ends with the inhibitor and closes its connection
        QCOMPARE(said, greeting);
        char rest[64];
        QCOMPARE(::read(client, rest, sizeof rest), 0);
        ::close(client);
        ::close(bus);
        QFile::remove(path);
    }

    // With the login manager slow to answer, the clicks and the board lines go on; the grant is shown when it
    // comes.
    void clicksAndBoardLinesNeverWaitForTheLoginManager()
    {
        Bus bus;
        QVERIFY2(bus.up, "dbus-daemon is needed (scripts/install-deps.sh)");
        QTemporaryDir dir;
        PtyPair in(dir.path(), 1), out(dir.path(), 2);
        QtSerialPortService input{ComPortMap(dir.path())}, output{ComPortMap(dir.path())};
        FakeWallClock wall;
        FakeMonotonicClock mono;
        RecordingPresenter boxes;
        LogindSleepInhibitor inhibitor;
        MainForm window(input, output, wall, mono, boxes, inhibitor);
        invokeSlot(&window, "OpenOutput_Click");
        invokeSlot(&window, "OpenInput_Click");
        QTRY_COMPARE_WITH_TIMEOUT(bus.logind.calls, 1, 30000);

        QVERIFY(in.writeFar("..L0\t 042\t00:01:23.45\r"));
        const QByteArray line = QByteArray("042.    00:01:23.45").leftJustified(22, ' ') + '\r';
        QByteArray got;
        for (QDeadlineTimer deadline(30000); got.size() < line.size() && !deadline.hasExpired();) {
            QCoreApplication::processEvents();
            got += out.drainFar(1);
        }
        QCOMPARE(got, line);
        QVERIFY(!window.engine().form().texts.Text1.contains(Locked));
        bus.logind.answer();
        const QString shown = window.engine().log.timeText() + Locked + "\n";
        QTRY_VERIFY_WITH_TIMEOUT(window.findChild<QPlainTextEdit*>("Text1")->toPlainText().startsWith(shown),
                                 30000);
        invokeSlot(&window, "OpenInput_Click");
        invokeSlot(&window, "OpenOutput_Click");
        QVERIFY2(bus.logind.released(0), "closing both ports gives the lock back");
    }
};

QTEST_MAIN(TestSleepLock)
#include "test_sleep_lock.moc"
