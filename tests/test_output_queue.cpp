// SPDX-License-Identifier: GPL-3.0-or-later
// The output queue on a board that stalls and goes away: which lines it drops, and when it says so.

#include "FakeBoard.h"
#include "ports/OutputQueue.h"

#include <QtTest>

class TestOutputQueue : public QObject
{
    Q_OBJECT
private slots:
    // The board stalls in the first line. The lines handed to the writer go out whole, then the newest that
    // fit into the queue: the oldest waiting lines are dropped, reported once for each overload. A board that
    // goes away takes nothing of what waited, and refuses lines; back, it gets new lines straight away.
    void stallingAndVanishingBoard()
    {
        FakeBoard board;
        OutputQueue queue(board);
        QSignalSpy overloaded(&queue, &OutputQueue::overloaded);
        const auto line = [](int i) { return QByteArray::number(i).leftJustified(31, '.') + '\r'; };
        const int held = OutputQueue::HandOverBelow / 32 + 1;
        QByteArray expected;
        board.room = 10;
        for (int i = 0; i < held + OutputQueue::Limit / 32 + 5; ++i) {
            QCOMPARE(queue.send(line(i)), OutputQueue::Sent::Taken);
            expected += i < held || i >= held + 5 ? line(i) : QByteArray();
        }
        QCOMPARE(overloaded.count(), 1);
        while (board.turn(1000) > 0)
            queue.handOver();
        QCOMPARE(board.taken, expected);

        for (int overload = 2; overload <= 3; ++overload) {
            board.room = 0;
            for (int i = 0; i < 3000; ++i)
                queue.send(line(i));
            QCOMPARE(overloaded.count(), overload);
            board.gone = true;
            QCOMPARE(board.turn(1000), -1); // the port finds it gone and closes
            queue.clear();
            board.discard();
            QCOMPARE(queue.send("refused\r"), OutputQueue::Sent::DeviceGone);
            board.gone = false;
            QCOMPARE(queue.send("new\r"), OutputQueue::Sent::Taken);
            QCOMPARE(board.taken, expected += "new\r");
        }
    }
};

QTEST_GUILESS_MAIN(TestOutputQueue)
#include "test_output_queue.moc"
