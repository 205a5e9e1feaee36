// SPDX-License-Identifier: GPL-3.0-or-later
// The QSerialPort service over pseudo-terminal pairs, linked as COM ports in a temporary ports folder:
// settings on the line, bytes both ways, a slow board, a close that discards, input waiting behind a box.

#include "FakeClocks.h"
#include "PtyPair.h"
#include "RecordingPresenter.h"
#include "engine/Engine.h"
#include "ports/QtSerialPortService.h"

#include <QtTest>

#include <termios.h>

// The engine on the real port service for both sides, with the input port's event wired as the window wires
// it.
struct PtyEngine
{
    explicit PtyEngine(const QString& folder) : in{ComPortMap(folder)}, out{ComPortMap(folder)}
    {
        QObject::connect(&in, &SerialPortService::onComm, &in, [this] { engine.receive.MSComm1_OnComm(); });
    }
    QtSerialPortService in;
    QtSerialPortService out;
    FakeWallClock wall;
    FakeMonotonicClock mono;
    RecordingPresenter boxes;
    Engine engine{in, out, wall, mono, boxes};
};

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
        PtyEngine rig(m_dir.path());
        QSignalSpy lost(&rig.out, &SerialPortService::connectionLost);
        rig.engine.outputToggle.toggle(PortChoice{"COM 2", "2400", 2, "8", "1"});
        QCOMPARE(far.speed(), unsigned(B2400));
        rig.engine.outputSend.send(QStringLiteral("Zü 5 €"));
        QCOMPARE(far.collect(7), QByteArray("Z\xFC 5 ?\r"));
        rig.engine.modes.in_out_Click();
        const QString overloaded =
            QStringLiteral("14:03:07 +++ COM-Port Ausgang überlastet, ältere Zeilen verworfen");

        for (int burst = 1; burst <= 2; ++burst) {
            // Far more than the pseudo-terminal and the queue hold, while the far end does not read and the
            // event loop does not run: the device takes part of a line, then nothing.
            QHash<QByteArray, int> position;
            for (int i = 0; i < 10000; ++i) {
                const QByteArray line = QByteArray::number(burst * 100000 + i) + " 00:01:23.45";
                rig.engine.lines.checkAndOut(QString::fromLatin1(line + '\r'));
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
            QCOMPARE(rig.engine.form().texts.Text1.split(QStringLiteral("\r\n")).count(overloaded), burst);
        }
        QCOMPARE(lost.count(), 0);

        QByteArray sent;
        for (int i = 0; i < 200; ++i) {
            sent += QByteArray::number(i).leftJustified(23, '.') + '\r';
            QVERIFY(rig.out.output(QString::fromLatin1(sent.last(24))));
        }
        QCOMPARE(rig.out.findChild<QSerialPort*>()->bytesToWrite(), 0); // the pty took all 4800 bytes
        rig.engine.Ende_Click();
        const QByteArray got = far.drainFar(200);
        QVERIFY2(got.size() < 4096 && sent.startsWith(got), qPrintable(QString::number(got.size())));
    }

    // Behind a box the port holds at most ReadLimit received bytes; the rest waits before it. A pty holds
    // its writer up then, so nothing is lost, and once the box is closed the line keeps its newest 10000
    // characters, logged once. (A UART's kernel would drop what does not fit and count it: "Datenverlust!".)
    void inputWaitingBehindABoxIsBounded()
    {
        PtyPair inFar(m_dir.path(), 1);
        PtyPair outFar(m_dir.path(), 2);
        PtyEngine rig(m_dir.path());
        rig.engine.inputToggle.toggle(PortChoice{"COM 1", "9600", 2, "8", "1"});
        rig.engine.outputToggle.toggle(PortChoice{"COM 2", "9600", 2, "8", "1"});
        const qint64 limit = QtSerialPortService::ReadLimit;
        QByteArray flood; // numbered, without a line end
        for (int i = 0; flood.size() < limit + 256 * 1024; ++i)
            flood += QByteArray::number(i).rightJustified(7, '0') + ' ';
        qint64 sent = 0, waiting = 0;
        rig.boxes.whileShown = [&] {
            sent = inFar.feedFar(flood, [&] { return rig.in.bytesWaiting() >= limit; });
            waiting = rig.in.bytesWaiting();
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
        QCOMPARE(rig.boxes.shown.size(), 1); // "Format hh:mm:ss.ss kontrollieren"
        QCOMPARE(rig.engine.form().texts.Text1.count(" +++ Eingangspuffer übergelaufen, Zeichen verworfen"),
                 1);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestSerialPty)
#include "test_serial_pty.moc"
