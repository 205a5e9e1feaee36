// SPDX-License-Identifier: GPL-3.0-or-later
// The QSerialPort service over pseudo-terminal pairs, linked as COM ports in a temporary ports folder:
// settings on the line, bytes both ways, a slow board, a close that discards, input waiting behind a box;
// faults at the port boundary: a board that takes no more for a while, a ports folder whose devices go away
// and come back, a timing device that hangs up while a box is open.

#include "BoardText.h"
#include "InvokeSlot.h"
#include "PtyPair.h"
#include "WindowFixture.h"
#include "ports/QtSerialPortService.h"

#include <QSocketNotifier>
#include <QtTest>

#include <termios.h>

constexpr int IoTimeout = 5000;
using BoardText::l0;
using BoardText::l0Line;

class TestSerialPty : public QObject
{
    Q_OBJECT
private slots:
    void settingsThatDoNotTakeEffectLeaveThePortClosed()
    {
        // A pseudo-terminal master keeps 8 data bits without parity whatever it is asked for.
        QVERIFY(QFile::link(QStringLiteral("/dev/ptmx"), m_dir.filePath(QStringLiteral("com9"))));
        const auto before = PtyPair::openDevices().count(QStringLiteral("/dev/ptmx"));
        QtSerialPortService port{ComPortMap(m_dir.path())};
        QVERIFY(port.setCommPort(9) && port.setSettings(QStringLiteral("9600,E,7,1")));
        QVERIFY(!port.open() && !port.isOpen());
        QCOMPARE(PtyPair::openDevices().count(QStringLiteral("/dev/ptmx")), before);
        // Settings it can keep open it, and only then is the device held.
        QVERIFY(port.setSettings(QStringLiteral("9600,N,8,1")) && port.open());
        QCOMPARE(PtyPair::openDevices().count(QStringLiteral("/dev/ptmx")), before + 1);
    }

    // A slow board: typed bytes go out as they are; when it falls behind it gets the newest lines whole;
    // closing the port discards what it has not taken. (A serial device's close() waits in the kernel until
    // its output is sent, up to its closing_wait of 30 s. A pty's does not wait, but shows the discard: its
    // far end then reads only what its own line discipline held, < 4096 bytes, not the rest in the pty's
    // transfer buffer.)
    void slowBoard()
    {
        PtyPair far(m_dir.path(), 2);
        QtSerialPortService in{ComPortMap(m_dir.path())}, out{ComPortMap(m_dir.path())};
        WindowFixture f(in, out);
        Engine& engine = f.window->engine();
        QSignalSpy lost(&out, &SerialPortService::connectionLost);
        engine.outputToggle.toggle(PortChoice{"COM 2", "2400", 2, "8", "1"});
        QCOMPARE(far.speed(), unsigned(B2400));
        engine.outputSend.send(QStringLiteral("Zü 5 €"));
        QCOMPARE(far.collect(7), QByteArray("Z\xFC 5 ?\r"));
        engine.modes.in_out_Click();
        const QString overloaded =
            QStringLiteral("14:03:07 +++ COM-Port Ausgang überlastet, ältere Zeilen verworfen");

        for (int burst = 1; burst <= 2; ++burst) {
            // Far more than the pseudo-terminal and the queue hold, while the far end does not read and the
            // event loop does not run: the device takes part of a line, then nothing.
            QHash<QByteArray, int> position;
            for (int i = 0; i < 10000; ++i) {
                const QByteArray line = QByteArray::number(burst * 100000 + i) + " 00:01:23.45";
                engine.lines.checkAndOut(QString::fromLatin1(line + '\r'));
                position.insert(line.leftJustified(22, ' '), i);
            }
            const QByteArray last = position.key(9999) + '\r';
            const QByteArray got =
                far.collect([&](const QByteArray& got) { return got.endsWith(last); }, 10000);

            // Whole lines in order, none twice, the newest last; the oldest waiting lines were dropped.
            QByteArrayList lines = got.split('\r');
            QVERIFY(lines.takeLast().isEmpty() && lines.size() < 10000);
            for (qsizetype i = 0; i < lines.size(); ++i)
                QVERIFY2(position.value(lines[i], -1) > (i ? position[lines[i - 1]] : -1),
                         lines[i].constData());
            // Logged once for each overload.
            QCOMPARE(engine.form().texts.Text1.split(QStringLiteral("\r\n")).count(overloaded), burst);
        }
        QCOMPARE(lost.count(), 0);

        QByteArray sent;
        for (int i = 0; i < 200; ++i) {
            sent += QByteArray::number(i).leftJustified(23, '.') + '\r';
            QVERIFY(out.output(QString::fromLatin1(sent.last(24))));
        }
        QCOMPARE(out.findChild<QSerialPort*>()->bytesToWrite(), 0); // the pty took all 4800 bytes
        engine.Ende_Click();
        const QByteArray got = far.drainFar(200);
        QVERIFY2(got.size() < 4096 && sent.startsWith(got), qPrintable(QString::number(got.size())));
    }

    // Behind a box the port holds at most ReadLimit received bytes; the rest waits before it. A pty holds
    // its writer up then, so nothing is lost, and once the box is closed the line keeps its newest 10000
    // characters, logged once. (A UART's kernel would drop what does not fit and count it: "Datenverlust!".)
    void inputWaitingBehindABoxIsBounded()
    {
        PtyPair inFar(m_dir.path(), 1), outFar(m_dir.path(), 2);
        QtSerialPortService in{ComPortMap(m_dir.path())}, out{ComPortMap(m_dir.path())};
        WindowFixture f(in, out);
        invokeSlot(&*f.window, "OpenInput_Click");
        invokeSlot(&*f.window, "OpenOutput_Click");
        const qint64 limit = QtSerialPortService::ReadLimit;
        QByteArray flood; // numbered, without a line end
        for (int i = 0; flood.size() < limit + 256 * 1024; ++i)
            flood += QByteArray::number(i).rightJustified(7, '0') + ' ';
        qint64 sent = 0, waiting = 0;
        f.boxes.whileShown = [&] {
            sent = inFar.feedFar(flood, [&] { return in.bytesWaiting() >= limit; });
            waiting = in.bytesWaiting();
        };
        QVERIFY(inFar.writeFar("..L0\t 041\t00:00:41.00\r..R...00043...00:xx:23.45\r"));
        QByteArray expected = "041.    00:00:41.00   \r 0043   :  : 0.005    \r";
        QCOMPARE(outFar.collect(expected.size()), expected);
        QCOMPARE(waiting, limit);
        QVERIFY(sent < flood.size());

        QCOMPARE(inFar.feedFar("\r..L0\t 045\t00:00:45.00\r"), 23);
        expected = flood.mid(sent - ReceivePath::BufferLimit, ReceivePath::BufferLimit) +
                   "\r045.    00:00:45.00   \r";
        QCOMPARE(outFar.collect(expected.size()), expected);
        QCOMPARE(f.boxes.shown.size(), 1); // "Format hh:mm:ss.ss kontrollieren"
        QCOMPARE(f.form().texts.Text1.count(" +++ Eingangspuffer übergelaufen, Zeichen verworfen"), 1);
    }

    void writeErrors_data()
    {
        QTest::addColumn<bool>("hungUp");
        QTest::newRow("board busy: the device takes no more for now") << false;
        QTest::newRow("board gone: the far end hung up") << true;
    }

    // The write notifier of QSerialPort may fire on a readiness that is gone by the time it writes (other
    // handlers ran in between): its write fails. Only a device that went away is a lost connection.
    void writeErrors()
    {
        QFETCH(bool, hungUp);
        PtyPair far(m_dir.path(), 2);
        QtSerialPortService out{ComPortMap(m_dir.path())};
        QSignalSpy lost(&out, &SerialPortService::connectionLost);
        QVERIFY(out.setCommPort(2) && out.open());
        auto* port = out.findChild<QSerialPort*>();
        QVERIFY(port);
        QSignalSpy errors(port, &QSerialPort::errorOccurred);

        // The far end does not read: the device fills up, then QSerialPort holds the next line and its
        // notifier acts. (The kernel may still make room meanwhile: then the write goes through, and the
        // next line is tried.)
        QByteArray sent;
        QEvent ready(QEvent::SockAct);
        for (int i = 0, tries = 0; errors.isEmpty() && tries < 100; ++tries) {
            for (; i < 20000 && port->bytesToWrite() == 0; ++i) {
                const QByteArray line = QByteArray::number(i).leftJustified(22, '.') + '\r';
                QVERIFY(out.output(QString::fromLatin1(line)));
                sent += line;
            }
            if (hungUp)
                far.closeFar();
            const auto notifiers = port->findChildren<QSocketNotifier*>();
            const auto writing = std::find_if(notifiers.begin(), notifiers.end(), [](QSocketNotifier* n) {
                return n->type() == QSocketNotifier::Write && n->isEnabled();
            });
            QVERIFY(writing != notifiers.end());
            QCoreApplication::sendEvent(*writing, &ready);
        }
        QVERIFY(!errors.isEmpty());

        QCOMPARE(lost.count(), hungUp ? 1 : 0);
        QCOMPARE(out.isOpen(), true); // the program keeps the port: a lost device is tried again
        if (hungUp)
            return;
        // Every line once, in order, as soon as the board reads again.
        QCOMPARE(far.collect(sent.size()), sent);
        QCOMPARE(port->error(), QSerialPort::NoError);
        QCOMPARE(lost.count(), 0);
    }

    // The simulator ends: the links and the ports folder go, then both devices, with lines waiting for the
    // board. Until the folder and the links are back the program holds and opens nothing (the fixed table is
    // not asked) and refuses board lines; the half record is dropped, and only new records reach the board.
    void portsFolderGoingAndComingBack()
    {
        const QStringList devices = PtyPair::openDevices();
        const QString folder = m_dir.filePath(QStringLiteral("ports"));
        QVERIFY(QDir().mkpath(folder));
        PtyPair timer(folder, 1), board(folder, 2);
        QtSerialPortService in{ComPortMap(folder)}, out{ComPortMap(folder)};
        WindowFixture f(in, out);
        invokeSlot(&*f.window, "OpenInput_Click");
        invokeSlot(&*f.window, "OpenOutput_Click");
        const FormModel& form = f.form();
        QVERIFY(form.InPortOpen && form.OutPortOpen);
        in.setRetryInterval(20);
        out.setRetryInterval(20);
        // The service's one timer, which retries a lost device.
        QSignalSpy retriesIn(in.findChild<QTimer*>(), &QTimer::timeout),
            retriesOut(out.findChild<QTimer*>(), &QTimer::timeout);
        const auto logged = [&](const char* text) { return form.texts.Text1.count(QString::fromUtf8(text)); };

        QVERIFY(timer.writeFar(l0(141) + "..L0\t 14"));
        QCOMPARE(board.collect(l0Line(141).size()), l0Line(141));
        QTRY_COMPARE_WITH_TIMEOUT(form.texts.Text3, QStringLiteral("..L0\t 14"), IoTimeout);
        for (int i = 0; i < 20000; ++i) // the board reads no more
            QVERIFY(out.output(QString::fromLatin1(l0Line(142))));
        QVERIFY(timer.vanish() && board.vanish() && QDir(folder).removeRecursively());
        QTRY_COMPARE_WITH_TIMEOUT(logged(" Verbindung unterbrochen"), 2, IoTimeout);
        for (QDeadlineTimer deadline(IoTimeout); retriesIn.count() < 5 || retriesOut.count() < 5;) {
            QVERIFY(!deadline.hasExpired());
            QTest::qWait(1);
            QCOMPARE(PtyPair::openDevices().join(' '), devices.join(' '));
        }
        QVERIFY(!out.output(QStringLiteral("refused\r")));
        QCOMPARE(logged(" Verbindung unterbrochen") + logged(" wieder verbunden"), 2);

        QVERIFY(QDir().mkpath(folder) && timer.relink() && board.relink());
        QTRY_COMPARE_WITH_TIMEOUT(logged(" wieder verbunden"), 2, IoTimeout);
        QVERIFY(timer.writeFar(l0(143) + l0(144)));
        QCOMPARE(board.collect(2 * l0Line(143).size()), l0Line(143) + l0Line(144));
        QCOMPARE(f.boxes.shown.size(), 0);
        QStringList log = f.logLines().mid(0, 4);
        std::sort(log.begin(), log.end());
        QCOMPARE(log, (QStringList{"14:03:07 +++ COM-Port 1 Verbindung unterbrochen",
                                   "14:03:07 +++ COM-Port 1 wieder verbunden",
                                   "14:03:07 +++ COM-Port 2 Verbindung unterbrochen",
                                   "14:03:07 +++ COM-Port 2 wieder verbunden"}));
        // Discovery asks the same map.
        QVERIFY(timer.vanish() && board.vanish() && QDir(folder).removeRecursively());
        invokeSlot(&*f.window, "check_comPorts_Click");
        QVERIFY(form.texts.Text1.startsWith(QStringLiteral("14:03:07 +++ Kein Comport verfügbar\r\n")));
    }

    // The timing device hangs up while the box of an unreadable time is open: reported once; once it is
    // back, what it sends reaches the board once.
    void inputHangingUpWhileABoxIsOpenIsReportedOnce()
    {
        PtyPair timer(m_dir.path(), 1), board(m_dir.path(), 2);
        QtSerialPortService in{ComPortMap(m_dir.path())}, out{ComPortMap(m_dir.path())};
        WindowFixture f(in, out);
        invokeSlot(&*f.window, "OpenInput_Click");
        invokeSlot(&*f.window, "OpenOutput_Click");
        in.setRetryInterval(20);
        QSignalSpy lost(&in, &SerialPortService::connectionLost), back(&in, &SerialPortService::reconnected);
        f.boxes.whileShown = [&] {
            QVERIFY(timer.vanish());
            QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, IoTimeout);
        };
        QVERIFY(timer.writeFar(l0(141) + "..R...00043...00:xx:23.45\r"));
        const QByteArray before = l0Line(141) + BoardText::line(" 0043   :  : 0.005");
        QCOMPARE(board.collect(before.size()), before);
        QVERIFY(timer.relink());
        QTRY_COMPARE_WITH_TIMEOUT(back.count(), 1, IoTimeout);
        QVERIFY(timer.writeFar(l0(142)));
        QCOMPARE(board.collect(l0Line(142).size()), l0Line(142));
        QCOMPARE(f.logLines().mid(0, 3), (QStringList{"14:03:07 +++ COM-Port 1 wieder verbunden",
                                                      "14:03:07 +++ COM-Port 1 Verbindung unterbrochen",
                                                      "14:03:07 +++ COM-Port 2 wurde geöffnet"}));
        QVERIFY(lost.count() == 1 && f.boxes.shown.size() == 1);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestSerialPty)
#include "test_serial_pty.moc"
