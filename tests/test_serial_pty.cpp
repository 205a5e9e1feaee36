// The QSerialPort service end to end over pseudo-terminal pairs, mapped as COM ports through a temporary
// ports folder: settings on the line, bytes both ways, a device that goes away and comes back.

#include "FakeClocks.h"
#include "PtyPair.h"
#include "RecordingPresenter.h"
#include "app/Core.h"
#include "ports/QtSerialPortService.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <ctime>
#include <unistd.h>

namespace {

constexpr int RetryMsecs = 50;
constexpr int IoTimeout = 3000;

QStringList logLines(const Core& core)
{
    QStringList lines = core.form.texts.Text1.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    std::reverse(lines.begin(), lines.end());
    return lines;
}

double cpuSeconds()
{
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Whether this process still has the device open (a vanished device shows as "<path> (deleted)").
bool holdsOpen(const QString& devicePath)
{
    const QByteArray wanted = QFile::encodeName(devicePath);
    const QStringList fds = QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System);
    for (const QString& fd : fds) {
        char target[512];
        const ssize_t n = ::readlink(QFile::encodeName(QStringLiteral("/proc/self/fd/") + fd).constData(),
                                     target, sizeof target);
        if (n <= 0)
            continue;
        const QByteArray link(target, static_cast<int>(n));
        if (link == wanted || link.startsWith(wanted + ' '))
            return true;
    }
    return false;
}

// What one port's onComm delivered: the kind of every event and the text read on receive events.
struct Received
{
    QList<int> events;
    QString text;
};

void collect(QtSerialPortService& port, Received& into)
{
    QObject::connect(&port, &SerialPortService::onComm, &port, [&port, &into] {
        into.events << port.commEvent();
        if (port.commEvent() == SerialPortService::comEvReceive)
            into.text += port.input();
    });
}

} // namespace

class TestSerialPty : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void openPutsTheSettingsOnTheLine_data();
    void openPutsTheSettingsOnTheLine();
    void unusableSettingsAreRefused_data();
    void unusableSettingsAreRefused();
    void numberAndSettingsOnlyWhileClosed();
    void unknownPortFailsToOpen_data();
    void unknownPortFailsToOpen();
    void manualSendGivesTheTypedBytesAndCr_data();
    void manualSendGivesTheTypedBytesAndCr();
    void bytesFromTheFarEndRaiseTheReceiveEvent();
    void noReceiveEventWithoutThreshold();
    void fullOutputBufferIsNoLostDevice();
    void lostDeviceIsClosedAndReopened();
    void closeWhileLostStopsRetrying();
    void toggleLogsLossAndReturn();
    void discoveryListsTheLinkedPorts();

private:
    QString folder() const { return m_dir->path(); }
    std::unique_ptr<QtSerialPortService> makePort();

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSerialPty::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestSerialPty::cleanup()
{
    m_dir.reset();
}

std::unique_ptr<QtSerialPortService> TestSerialPty::makePort()
{
    auto port = std::make_unique<QtSerialPortService>(ComPortMap(folder()));
    port->setRetryInterval(RetryMsecs);
    return port;
}

void TestSerialPty::openPutsTheSettingsOnTheLine_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<uint>("speed");
    QTest::addColumn<bool>("twoStopBits");

    QTest::newRow("9600,N,8,1") << "9600,N,8,1" << uint(B9600) << false;
    QTest::newRow("2400,N,8,1") << "2400,N,8,1" << uint(B2400) << false;
    QTest::newRow("19200,M,7,2") << "19200,M,7,2" << uint(B19200) << true;
    QTest::newRow("4800,E,7,1") << "4800,E,7,1" << uint(B4800) << false;
    QTest::newRow("115200,O,8,2") << "115200,O,8,2" << uint(B115200) << true;
    QTest::newRow("57600,S,6,1") << "57600,S,6,1" << uint(B57600) << false;
}

void TestSerialPty::openPutsTheSettingsOnTheLine()
{
    QFETCH(QString, settings);
    QFETCH(uint, speed);
    QFETCH(bool, twoStopBits);

    PtyPair far(folder(), 4);
    QVERIFY(far.isValid());
    auto port = makePort();
    QVERIFY(port->setCommPort(4));
    QVERIFY(port->setSettings(settings));
    QCOMPARE(port->settings(), settings);
    QVERIFY(port->open());
    QVERIFY(port->isOpen());

    // A pseudo-terminal carries speed and stop bits; it has no line for character size and parity.
    termios tio{};
    QVERIFY(far.slaveSettings(tio));
    QCOMPARE(uint(::cfgetospeed(&tio)), speed);
    QCOMPARE(uint(::cfgetispeed(&tio)), speed);
    QCOMPARE((tio.c_cflag & CSTOPB) != 0, twoStopBits);
    QVERIFY((tio.c_cflag & CREAD) != 0);
    QVERIFY((tio.c_lflag & (ICANON | ECHO)) == 0);

    QVERIFY(port->close());
    QVERIFY(!port->isOpen());
}

void TestSerialPty::unusableSettingsAreRefused_data()
{
    QTest::addColumn<QString>("settings");
    QTest::newRow("4 data bits") << "9600,N,4,1";
    QTest::newRow("1.5 stop bits") << "9600,N,8,1.5";
    QTest::newRow("baud abc") << "abc,N,8,1";
    QTest::newRow("three fields") << "9600,8,1";
}

void TestSerialPty::unusableSettingsAreRefused()
{
    QFETCH(QString, settings);
    PtyPair far(folder(), 1);
    auto port = makePort();
    QVERIFY(port->setCommPort(1));
    QVERIFY(port->setSettings(QStringLiteral("2400,E,7,2")));
    QVERIFY(!port->setSettings(settings));
    QCOMPARE(port->settings(), QStringLiteral("2400,E,7,2"));

    // The open that follows uses the settings last accepted.
    QVERIFY(port->open());
    termios tio{};
    QVERIFY(far.slaveSettings(tio));
    QCOMPARE(uint(::cfgetospeed(&tio)), uint(B2400));
    QVERIFY((tio.c_cflag & CSTOPB) != 0);
}

void TestSerialPty::numberAndSettingsOnlyWhileClosed()
{
    PtyPair far(folder(), 2);
    auto port = makePort();
    QVERIFY(!port->setCommPort(0));
    QVERIFY(!port->setCommPort(256));
    QVERIFY(!port->setCommPort(-1));
    QVERIFY(port->setCommPort(255));
    QCOMPARE(port->commPort(), 255);
    QVERIFY(port->setCommPort(2));
    QVERIFY(port->open());
    QVERIFY(!port->open());
    QVERIFY(!port->setCommPort(3));
    QVERIFY(!port->setSettings(QStringLiteral("19200,N,8,1")));
    QCOMPARE(port->commPort(), 2);
    QCOMPARE(port->settings(), QStringLiteral("9600,N,8,1"));
    QVERIFY(port->close());
    // Closing a port that is not open fails.
    QVERIFY(!port->close());
    QVERIFY(port->setCommPort(3));
}

void TestSerialPty::unknownPortFailsToOpen_data()
{
    QTest::addColumn<int>("number");
    QTest::newRow("no link") << 7;
    QTest::newRow("link to a vanished device") << 5;
    QTest::newRow("beyond the mapped range") << 17;
}

void TestSerialPty::unknownPortFailsToOpen()
{
    QFETCH(int, number);
    PtyPair present(folder(), 1);
    PtyPair beyond(folder(), 17);
    QVERIFY(QFile::link(folder() + "/gone", folder() + "/com5"));

    auto port = makePort();
    QVERIFY(port->setCommPort(number));
    QVERIFY(!port->open());
    QVERIFY(!port->isOpen());
    QVERIFY(!port->output(QStringLiteral("X")));
    QCOMPARE(port->input(), QString());
    QVERIFY(!port->close());
}

void TestSerialPty::manualSendGivesTheTypedBytesAndCr_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ABC") << "ABC" << QByteArray("ABC\r");
    QTest::newRow("blanks kept") << "  1.   12:34.56 " << QByteArray("  1.   12:34.56 \r");
    QTest::newRow("Latin-1") << QStringLiteral("Zürich") << QByteArray("Z\xFCrich\r");
    QTest::newRow("outside Latin-1") << QStringLiteral("5 € – ok") << QByteArray("5 ? ? ok\r");
}

void TestSerialPty::manualSendGivesTheTypedBytesAndCr()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);

    PtyPair inFar(folder(), 1);
    PtyPair outFar(folder(), 2);
    auto in = makePort();
    auto out = makePort();
    FakeWallClock wall;
    FakeMonotonicClock mono;
    RecordingPresenter boxes;
    Core core(*in, *out, wall, mono, boxes);
    core.form.texts.Text1.clear();

    core.outputToggle.toggle(PortChoice{"COM 2", "2400", 2, "8", "1"});
    QVERIFY(core.form.OutPortOpen);
    core.outputSend.send(text);

    QCOMPARE(outFar.readFar(bytes.size(), IoTimeout), bytes);
    QCOMPARE(outFar.drainFar(100), QByteArray());
    QCOMPARE(inFar.drainFar(50), QByteArray());
    QVERIFY(boxes.shown.isEmpty());
    QCOMPARE(logLines(core), (QStringList{"14:03:07 +++ Versuch den COM-Port 2 zu öffnen",
                                          "14:03:07 +++ COM-Port 2 wurde geöffnet",
                                          "14:03:07 +++ Versuch den Text " + text + " zu senden",
                                          "14:03:07 +++ \"" + text + "\" wurde gesendet"}));

    core.outputToggle.toggle(PortChoice{"COM 2", "2400", 2, "8", "1"});
    QVERIFY(!out->isOpen());
}

void TestSerialPty::bytesFromTheFarEndRaiseTheReceiveEvent()
{
    PtyPair far(folder(), 3);
    auto port = makePort();
    Received received;
    collect(*port, received);
    QVERIFY(port->setCommPort(3));
    QVERIFY(port->open());
    port->setRThreshold(1);
    port->setSThreshold(1);
    port->setInputLen(0);

    QVERIFY(far.writeFar(QByteArray("\x02L0\t123\t00:01:23.45\r")));
    QTRY_COMPARE_WITH_TIMEOUT(received.text, QStringLiteral("\x02L0\t123\t00:01:23.45\r"), IoTimeout);
    QVERIFY(far.writeFar(QByteArray("Z\xFC")));
    QTRY_COMPARE_WITH_TIMEOUT(received.text, QStringLiteral("\x02L0\t123\t00:01:23.45\rZü"), IoTimeout);

    // Only receive events: a pseudo-terminal counts no overruns.
    QVERIFY(!received.events.isEmpty());
    QCOMPARE(received.events, QList<int>(received.events.size(), SerialPortService::comEvReceive));
    QCOMPARE(port->input(), QString());

    // And the other way on the same port.
    QVERIFY(port->output(QStringLiteral("OK\r")));
    QCOMPARE(far.readFar(3, IoTimeout), QByteArray("OK\r"));
}

void TestSerialPty::noReceiveEventWithoutThreshold()
{
    PtyPair far(folder(), 3);
    auto port = makePort();
    QSignalSpy events(port.get(), &SerialPortService::onComm);
    QVERIFY(port->setCommPort(3));
    QVERIFY(port->open());
    QVERIFY(far.writeFar("abc"));
    QTest::qWait(200);
    QCOMPARE(events.count(), 0);
    QCOMPARE(port->input(), QStringLiteral("abc"));
}

void TestSerialPty::fullOutputBufferIsNoLostDevice()
{
    PtyPair outFar(folder(), 2);
    auto out = makePort();
    QSignalSpy lost(out.get(), &SerialPortService::connectionLost);
    QVERIFY(out->setCommPort(2));
    QVERIFY(out->open());

    // Far more than the pseudo-terminal buffers while its far end does not read.
    QByteArray expected;
    for (int i = 0; i < 20000; ++i) {
        const QString line = QStringLiteral("%1.    00:01:23.45   \r").arg(i % 1000, 3, 10, QLatin1Char('0'));
        QVERIFY2(out->output(line), qPrintable(QString::number(i)));
        expected += line.toLatin1();
    }
    QByteArray got;
    QDeadlineTimer deadline(10000);
    while (got.size() < expected.size() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        got += outFar.drainFar(1);
    }
    QCOMPARE(got.size(), expected.size());
    QVERIFY(got == expected);
    QCOMPARE(lost.count(), 0);
}

void TestSerialPty::lostDeviceIsClosedAndReopened()
{
    PtyPair far(folder(), 1);
    auto port = makePort();
    Received received;
    collect(*port, received);
    QSignalSpy lost(port.get(), &SerialPortService::connectionLost);
    QSignalSpy back(port.get(), &SerialPortService::reconnected);
    QVERIFY(port->setCommPort(1));
    QVERIFY(port->setSettings(QStringLiteral("19200,N,8,2")));
    QVERIFY(port->open());
    port->setRThreshold(1);
    const QString firstDevice = far.slavePath();
    QVERIFY(holdsOpen(firstDevice));

    far.closeFar();
    QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, IoTimeout);

    // The device is closed: nothing spins while the service waits for it, and it is reported only once.
    QVERIFY(!holdsOpen(firstDevice));
    const double cpuBefore = cpuSeconds();
    QTest::qWait(500);
    const double cpuUsed = cpuSeconds() - cpuBefore;
    QVERIFY2(cpuUsed < 0.25, qPrintable(QStringLiteral("CPU seconds while lost: %1").arg(cpuUsed)));
    QCOMPARE(lost.count(), 1);
    QCOMPARE(back.count(), 0);
    QVERIFY(port->isOpen());
    QVERIFY(!port->output(QStringLiteral("X")));
    QVERIFY(received.events.isEmpty());

    // A new device under the same name: reopened with the same settings, data flows both ways again.
    QVERIFY(far.relink());
    QTRY_COMPARE_WITH_TIMEOUT(back.count(), 1, IoTimeout);
    QCOMPARE(lost.count(), 1);
    QVERIFY(port->isOpen());
    QCOMPARE(port->settings(), QStringLiteral("19200,N,8,2"));
    termios tio{};
    QVERIFY(far.slaveSettings(tio));
    QCOMPARE(uint(::cfgetospeed(&tio)), uint(B19200));
    QVERIFY((tio.c_cflag & CSTOPB) != 0);

    QVERIFY(port->output(QStringLiteral("again")));
    QCOMPARE(far.readFar(5, IoTimeout), QByteArray("again"));
    QVERIFY(far.writeFar("back\r"));
    QTRY_COMPARE_WITH_TIMEOUT(received.text, QStringLiteral("back\r"), IoTimeout);

    // It can be lost a second time.
    far.closeFar();
    QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 2, IoTimeout);
    QVERIFY(port->close());
    QVERIFY(!port->isOpen());
}

void TestSerialPty::closeWhileLostStopsRetrying()
{
    PtyPair far(folder(), 2);
    auto port = makePort();
    QSignalSpy lost(port.get(), &SerialPortService::connectionLost);
    QSignalSpy back(port.get(), &SerialPortService::reconnected);
    QVERIFY(port->setCommPort(2));
    QVERIFY(port->open());
    far.closeFar();
    QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, IoTimeout);

    QVERIFY(port->close());
    QVERIFY(!port->isOpen());
    QVERIFY(far.relink());
    QTest::qWait(6 * RetryMsecs);
    QCOMPARE(back.count(), 0);
    QVERIFY(!port->isOpen());
    QVERIFY(!port->output(QStringLiteral("X")));
    QCOMPARE(far.drainFar(50), QByteArray());

    // Opened again by the operator, it works on the new device.
    QVERIFY(port->open());
    QVERIFY(port->output(QStringLiteral("Y")));
    QCOMPARE(far.readFar(1, IoTimeout), QByteArray("Y"));
}

void TestSerialPty::toggleLogsLossAndReturn()
{
    PtyPair inFar(folder(), 1);
    auto in = makePort();
    auto out = makePort();
    FakeWallClock wall;
    FakeMonotonicClock mono;
    RecordingPresenter boxes;
    Core core(*in, *out, wall, mono, boxes);
    QObject::connect(in.get(), &SerialPortService::connectionLost, in.get(),
                     [&core] { core.inputToggle.reportConnectionLost(); });
    QObject::connect(in.get(), &SerialPortService::reconnected, in.get(),
                     [&core] { core.inputToggle.reportReconnected(); });
    core.form.texts.Text1.clear();

    const PortChoice chosen{"COM 1", "9600", 2, "8", "1"};
    core.inputToggle.toggle(chosen);
    QVERIFY(core.form.InPortOpen);
    inFar.closeFar();
    QTRY_VERIFY_WITH_TIMEOUT(core.form.texts.Text1.contains(QStringLiteral("Verbindung unterbrochen")),
                             IoTimeout);
    QVERIFY(core.form.InPortOpen);
    QVERIFY(inFar.relink());
    QTRY_VERIFY_WITH_TIMEOUT(core.form.texts.Text1.contains(QStringLiteral("wieder verbunden")), IoTimeout);
    core.inputToggle.toggle(chosen);

    QCOMPARE(logLines(core), (QStringList{
                                 "14:03:07 +++ Versuch den COM-Port 1 zu öffnen",
                                 "14:03:07 +++ COM-Port 1 wurde geöffnet",
                                 "14:03:07 +++ COM-Port 1 Verbindung unterbrochen",
                                 "14:03:07 +++ COM-Port 1 wieder verbunden",
                                 "14:03:07 +++ Versuch den COM-Port 1 zu schließen",
                                 "14:03:07 +++ COM-Port 1 geschlossen",
                             }));
    QVERIFY(boxes.shown.isEmpty());
    QVERIFY(!core.form.InPortOpen);
    QVERIFY(!in->isOpen());
}

void TestSerialPty::discoveryListsTheLinkedPorts()
{
    PtyPair com1(folder(), 1);
    PtyPair com3(folder(), 3);
    PtyPair com17(folder(), 17);
    QVERIFY(QFile::link(folder() + "/gone", folder() + "/com5"));

    auto in = makePort();
    auto out = makePort();
    FakeWallClock wall;
    FakeMonotonicClock mono;
    RecordingPresenter boxes;
    Core core(*in, *out, wall, mono, boxes);

    const PortLists lists = core.discovery.discover();
    QCOMPARE(lists.entries, (QStringList{"COM 1", "COM 3"}));
    QCOMPARE(lists.inputSelection, 0);
    QCOMPARE(lists.outputSelection, 1);
    QVERIFY(!in->isOpen());
    QVERIFY(!out->isOpen());

    // The probed devices are free again.
    QVERIFY(in->setCommPort(3));
    QVERIFY(in->open());
    QVERIFY(in->output(QStringLiteral("ok")));
    QCOMPARE(com3.readFar(2, IoTimeout), QByteArray("ok"));
}

QTEST_GUILESS_MAIN(TestSerialPty)
#include "test_serial_pty.moc"
