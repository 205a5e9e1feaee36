// SPDX-License-Identifier: GPL-3.0-or-later
// The whole window on real serial ports: pseudo-terminal pairs linked as COM 1 (input) and COM 2 (output)
// through a temporary ports folder, driven from their far ends.

#include "BlockingPresenter.h"
#include "BoardText.h"
#include "FakeClocks.h"
#include "InvokeSlot.h"
#include "PtyPair.h"
#include "app/MainForm.h"
#include "ports/QtSerialPortService.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using BoardText::l0;
using BoardText::l0Line;

// The window on pseudo-terminals linked as COM 1 (input) and COM 2 (output), both ports opened.
struct PtyWindow
{
    PtyWindow()
    {
        invokeSlot(&window, "OpenInput_Click");
        invokeSlot(&window, "OpenOutput_Click");
    }
    QTemporaryDir dir;
    PtyPair in{dir.path(), 1}, out{dir.path(), 2};
    QtSerialPortService input{ComPortMap(dir.path())}, output{ComPortMap(dir.path())};
    FakeWallClock wall;
    FakeMonotonicClock mono;
    BlockingPresenter boxes;
    MainForm window{input, output, wall, mono, boxes};
};

class TestWindowSerial : public QObject
{
    Q_OBJECT
private slots:
    void recordsArrivingWhileABoxIsOpenReachTheBoard()
    {
        PtyWindow w;
        QVERIFY(w.window.engine().form().InPortOpen && w.window.engine().form().OutPortOpen);
        // The box of an unreadable time stays open until the port holds every record sent after it.
        QByteArray later;
        for (int n = 142; n <= 145; ++n)
            later += l0(n);
        w.boxes.whileShown = [&] {
            for (int n = 142; n <= 145; ++n)
                QVERIFY(w.in.writeFar(l0(n)));
        };
        w.boxes.releaseWhen = [&] { return w.input.bytesWaiting() == later.size(); };
        QVERIFY(w.in.writeFar(l0(141) + "..R...00043...00:xx:23.45\r"));

        QByteArray expected = l0Line(141) + BoardText::line(" 0043   :  : 0.005");
        for (int n = 142; n <= 145; ++n)
            expected += l0Line(n);
        const QByteArray got = w.out.collect(expected.size());
        QCOMPARE(w.boxes.shown.size(), 1);
        QCOMPARE(w.boxes.givenUp, 0);
        QCOMPARE(got, expected);
    }

    void inputHangingUpWhileABoxIsOpenIsReportedOnce()
    {
        PtyWindow w;
        w.input.setRetryInterval(20);
        QSignalSpy lost(&w.input, &SerialPortService::connectionLost);
        QSignalSpy back(&w.input, &SerialPortService::reconnected);
        w.boxes.whileShown = [&] { QVERIFY(w.in.vanish()); };
        w.boxes.releaseWhen = [&] { return lost.count() == 1; };
        QVERIFY(w.in.writeFar(l0(141) + "..R...00043...00:xx:23.45\r"));
        const QByteArray before = l0Line(141) + BoardText::line(" 0043   :  : 0.005");
        QCOMPARE(w.out.collect(before.size()), before);
        QCOMPARE(w.boxes.givenUp, 0);

        // The device comes back; what it sends then reaches the board once.
        QVERIFY(w.in.relink());
        QTRY_COMPARE_WITH_TIMEOUT(back.count(), 1, 5000);
        QVERIFY(w.in.writeFar(l0(142)));
        const QByteArray after = l0Line(142);
        QCOMPARE(w.out.collect(after.size()), after);
        const QStringList log = w.window.engine().form().texts.Text1.split(QStringLiteral("\r\n"));
        QCOMPARE(log.count(QStringLiteral("14:03:07 +++ COM-Port 1 Verbindung unterbrochen")), 1);
        QCOMPARE(log.count(QStringLiteral("14:03:07 +++ COM-Port 1 wieder verbunden")), 1);
        QCOMPARE(lost.count(), 1);
    }
};

QTEST_MAIN(TestWindowSerial)
#include "test_window_serial.moc"
