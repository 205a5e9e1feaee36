#include "ConvertRig.h"

#include <QSignalBlocker>
#include <QTest>

namespace {

const QString OverflowLog = QStringLiteral(" +++ Eingangspuffer übergelaufen, Zeichen verworfen\r\n");

// Puts bytes into the port's receive buffer without raising an event.
void arriveQuietly(FakeSerialPort& port, const QByteArray& bytes)
{
    const QSignalBlocker quiet(port);
    port.deliver(bytes);
}

// The stream delivered in chunks of `size` bytes; every box opened while processing lets the next chunk
// arrive, as the event loop of a modal box would.
QByteArray deliverWithNestedEvents(ConvertRig& rig, const QByteArray& stream, int size)
{
    qsizetype next = 0;
    auto deliverNext = [&] {
        if (next < stream.size()) {
            const QByteArray chunk = stream.mid(next, size);
            next += chunk.size();
            rig.in.deliver(chunk);
        }
    };
    rig.boxes.whileShown = deliverNext;
    while (next < stream.size())
        deliverNext();
    return rig.out.written;
}

} // namespace

class TestReceivePath : public QObject
{
    Q_OBJECT

private slots:
    void lineInPieces();
    void dataLossShowsBoxOnly_data();
    void dataLossShowsBoxOnly();
    void otherEventsIgnored_data();
    void otherEventsIgnored();
    void oneLossBoxAtATime();
    void receiveWhileLossBoxOpen();
    void emptyReadChangesNothing();
    void collectingModes_data();
    void collectingModes();
    void bufferLimitWithoutLineEnd();
    void largeChunkOfLinesIsNotCut();
    void bufferLimitWhileCollecting();
    void splitStreamGivesSameOutput();
    void nestedDeliveryLosesNothing_data();
    void nestedDeliveryLosesNothing();
    void nestedDeliveryCompletesTheTail();
};

void TestReceivePath::lineInPieces()
{
    ConvertRig rig(OperatingMode::in_out);

    rig.in.deliver("12");
    QCOMPARE(rig.form().texts.Text3, QStringLiteral("12"));
    QCOMPARE(rig.out.written, QByteArray());

    rig.in.deliver("3\r45");
    QCOMPARE(rig.out.written, boardLine("123"));
    QCOMPARE(rig.form().texts.Text3, QStringLiteral("45"));
    QCOMPARE(rig.form().texts.MessIn, QStringLiteral("123\r\n"));
}

void TestReceivePath::dataLossShowsBoxOnly_data()
{
    QTest::addColumn<int>("code");
    QTest::newRow("overrun") << int(SerialPortService::comEventOverrun);
    QTest::newRow("receive buffer overflow") << int(SerialPortService::comEventRxOver);
}

void TestReceivePath::dataLossShowsBoxOnly()
{
    QFETCH(int, code);
    ConvertRig rig(OperatingMode::TagAlge);
    rig.in.deliver("..L0\t 04");
    arriveQuietly(rig.in, "2\t00:01:23.45\r");
    const QString log = rig.form().texts.Text1;

    rig.in.raise(code);

    QCOMPARE(rig.boxes.shown.size(), 1);
    const ModalMessage& box = rig.boxes.shown.first();
    QCOMPARE(box.text, QStringLiteral("Datenverlust!"));
    QCOMPARE(box.title, QString());
    QCOMPARE(box.icon, ModalMessage::Icon::None);
    QCOMPARE(rig.form().texts.Text3, QStringLiteral("..L0\t 04"));
    QCOMPARE(rig.form().texts.Text1, log);
    QCOMPARE(rig.out.written, QByteArray());

    // The characters left in the port come with the next receive event; the partial line is completed.
    rig.in.raise(SerialPortService::comEvReceive);
    QCOMPARE(rig.out.written, QByteArray("042.    00:01:23.45   \r"));
    QCOMPARE(rig.form().texts.Text3, QString());
}

void TestReceivePath::otherEventsIgnored_data()
{
    QTest::addColumn<int>("code");
    QTest::newRow("send") << 1;
    QTest::newRow("CTS") << 3;
    QTest::newRow("ring") << 6;
    QTest::newRow("break") << 1001;
    QTest::newRow("framing") << 1004;
    QTest::newRow("parity") << 1009;
}

void TestReceivePath::otherEventsIgnored()
{
    QFETCH(int, code);
    ConvertRig rig(OperatingMode::in_out);
    rig.in.deliver("ab");
    arriveQuietly(rig.in, "c\r");

    rig.in.raise(code);

    QVERIFY(rig.boxes.shown.isEmpty());
    QCOMPARE(rig.form().texts.Text3, QStringLiteral("ab"));
    QCOMPARE(rig.out.written, QByteArray());
    rig.in.raise(SerialPortService::comEvReceive);
    QCOMPARE(rig.out.written, boardLine("abc"));
}

void TestReceivePath::oneLossBoxAtATime()
{
    ConvertRig rig(OperatingMode::in_out);
    int nested = 0;
    rig.boxes.whileShown = [&] {
        ++nested;
        rig.in.raise(SerialPortService::comEventRxOver);
        rig.in.raise(SerialPortService::comEventOverrun);
    };

    rig.in.raise(SerialPortService::comEventOverrun);
    QCOMPARE(rig.boxes.shown.size(), 1);
    QCOMPARE(nested, 1);

    rig.boxes.whileShown = nullptr;
    rig.in.raise(SerialPortService::comEventRxOver);
    QCOMPARE(rig.boxes.texts(), QStringList({"Datenverlust!", "Datenverlust!"}));
}

void TestReceivePath::receiveWhileLossBoxOpen()
{
    ConvertRig rig(OperatingMode::in_out);
    rig.boxes.whileShown = [&] { rig.in.deliver("A\rB"); };

    rig.in.raise(SerialPortService::comEventOverrun);

    QCOMPARE(rig.out.written, boardLine("A"));
    QCOMPARE(rig.form().texts.Text3, QStringLiteral("B"));
}

void TestReceivePath::emptyReadChangesNothing()
{
    ConvertRig rig(OperatingMode::TagAlge);
    rig.in.deliver("..L0");

    rig.in.deliver("");

    QCOMPARE(rig.form().texts.Text3, QStringLiteral("..L0"));
    QCOMPARE(rig.out.written, QByteArray());
    QCOMPARE(rig.form().texts.MessIn, QString());
}

void TestReceivePath::collectingModes_data()
{
    QTest::addColumn<OperatingMode>("mode");
    QTest::newRow("Stopen") << OperatingMode::Stopen;
    QTest::newRow("Timer") << OperatingMode::Timer;
    QTest::newRow("AktTime") << OperatingMode::AktTime;
}

void TestReceivePath::collectingModes()
{
    QFETCH(OperatingMode, mode);
    ConvertRig rig(mode);

    rig.in.deliver("A\rB");
    rig.in.deliver("\rC");

    QCOMPARE(rig.form().texts.Text3, QStringLiteral("A\rB\rC"));
    QCOMPARE(rig.out.written, QByteArray());
    QCOMPARE(rig.form().texts.MessIn, QString());

    // A mode selection empties the buffer: what was collected is never processed.
    rig.form().texts.Text3.clear();
    rig.form().mode = OperatingMode::TagAlge;
    rig.in.deliver("X\r");
    QCOMPARE(rig.out.written, boardLine("X"));
}

void TestReceivePath::bufferLimitWithoutLineEnd()
{
    ConvertRig rig(OperatingMode::TagAlge);
    const QString& buffer = rig.form().texts.Text3;
    const QString& log = rig.form().texts.Text1;

    rig.in.deliver(QByteArray(6000, 'x'));
    QCOMPARE(buffer.size(), 6000);
    QCOMPARE(log, QString());

    rig.in.deliver(QByteArray(6000, 'y'));
    QCOMPARE(buffer.size(), ReceivePath::BufferLimit);
    QCOMPARE(buffer, QString(4000, u'x') + QString(6000, u'y'));
    QCOMPARE(log, QStringLiteral("14:03:07") + OverflowLog);

    rig.in.deliver(QByteArray(500, 'z'));
    QCOMPARE(buffer, QString(3500, u'x') + QString(6000, u'y') + QString(500, u'z'));
    QCOMPARE(log, QStringLiteral("14:03:07") + OverflowLog);

    // The line end completes what is left of the line and ends the overflow episode.
    rig.in.deliver("\r");
    QCOMPARE(rig.out.written, QByteArray(3500, 'x') + QByteArray(6000, 'y') + QByteArray(500, 'z') + '\r');
    QCOMPARE(buffer, QString());

    rig.wallClock.advanceMsecs(1000);
    rig.in.deliver(QByteArray(ReceivePath::BufferLimit + 1, 'w'));
    QCOMPARE(buffer, QString(ReceivePath::BufferLimit, u'w'));
    QCOMPARE(log, QStringLiteral("14:03:08") + OverflowLog + QStringLiteral("14:03:07") + OverflowLog);
}

void TestReceivePath::largeChunkOfLinesIsNotCut()
{
    ConvertRig rig(OperatingMode::in_out);
    QByteArray chunk;
    QByteArray expected;
    for (int i = 0; i < 1500; ++i) {
        const QByteArray line = "line " + QByteArray::number(i);
        chunk += line + '\r';
        expected += boardLine(line);
    }
    QVERIFY(chunk.size() > ReceivePath::BufferLimit);

    rig.in.deliver(chunk + "tail");

    QCOMPARE(rig.out.written, expected);
    QCOMPARE(rig.form().texts.Text3, QStringLiteral("tail"));
    QCOMPARE(rig.form().texts.Text1, QString());
}

void TestReceivePath::bufferLimitWhileCollecting()
{
    ConvertRig rig(OperatingMode::Stopen);
    QByteArray all;
    for (int i = 0; i < 1300; ++i)
        all += "line " + QByteArray::number(i).rightJustified(4, '0') + '\r';
    const QString& buffer = rig.form().texts.Text3;

    rig.in.deliver(all.first(7000));
    rig.in.deliver(all.sliced(7000));
    QCOMPARE(buffer, QString::fromLatin1(all.right(ReceivePath::BufferLimit)));
    QCOMPARE(rig.form().texts.Text1, QStringLiteral("14:03:07") + OverflowLog);

    // Complete lines are not taken out in this mode, so the episode goes on until the buffer is emptied.
    rig.in.deliver("more\r");
    QCOMPARE(buffer, QString::fromLatin1((all + "more\r").right(ReceivePath::BufferLimit)));
    QCOMPARE(rig.form().texts.Text1, QStringLiteral("14:03:07") + OverflowLog);
    QCOMPARE(rig.out.written, QByteArray());

    rig.form().texts.Text3.clear();
    rig.in.deliver(all);
    QCOMPARE(rig.form().texts.Text1,
             QStringLiteral("14:03:07") + OverflowLog + QStringLiteral("14:03:07") + OverflowLog);
}

void TestReceivePath::splitStreamGivesSameOutput()
{
    const QByteArray stream = tagHeuerStream() + "..L0\t 9";
    ConvertRig whole(OperatingMode::TagAlge);
    whole.in.deliver(stream);
    QVERIFY(whole.out.written.size() > 60 * 22);
    QCOMPARE(whole.form().texts.Text3, QStringLiteral("..L0\t 9"));

    for (qsizetype split = 0; split <= stream.size(); ++split) {
        ConvertRig rig(OperatingMode::TagAlge);
        rig.in.deliver(stream.first(split));
        rig.in.deliver(stream.sliced(split));
        if (rig.out.written != whole.out.written || rig.form().texts.Text3 != whole.form().texts.Text3)
            QFAIL(qPrintable(QStringLiteral("differs when split at %1").arg(split)));
    }

    ConvertRig bytewise(OperatingMode::TagAlge);
    for (char c : stream)
        bytewise.in.deliver(QByteArray(1, c));
    QCOMPARE(bytewise.out.written, whole.out.written);
    QCOMPARE(bytewise.form().texts.Text3, whole.form().texts.Text3);
    QCOMPARE(bytewise.form().texts.MessIn, whole.form().texts.MessIn);
}

void TestReceivePath::nestedDeliveryLosesNothing_data()
{
    QTest::addColumn<int>("chunk");
    for (int size : {1, 2, 7, 25, 80, 400})
        QTest::addRow("chunks of %d", size) << size;
}

void TestReceivePath::nestedDeliveryLosesNothing()
{
    QFETCH(int, chunk);
    const QByteArray stream = tagHeuerStream(20, 3) + "free";
    ConvertRig reference(OperatingMode::TagAlge);
    reference.in.deliver(stream);
    QCOMPARE(reference.boxes.shown.size(), 7);

    ConvertRig rig(OperatingMode::TagAlge);
    const QByteArray written = deliverWithNestedEvents(rig, stream, chunk);

    QCOMPARE(written, reference.out.written);
    QCOMPARE(rig.form().texts.Text3, QStringLiteral("free"));
    QCOMPARE(rig.boxes.shown.size(), 7);
    QCOMPARE(rig.form().texts.MessIn, reference.form().texts.MessIn);
}

void TestReceivePath::nestedDeliveryCompletesTheTail()
{
    ConvertRig rig(OperatingMode::TagAlge);
    rig.boxes.whileShown = [&] { rig.in.deliver("t\rB\rne"); };

    rig.in.deliver("..R...00042...xx:01:23.45\rpar");

    QCOMPARE(rig.out.written, QByteArray(" 0042   :  : 0.005    \r") + boardLine("part") + boardLine("B"));
    QCOMPARE(rig.form().texts.Text3, QStringLiteral("ne"));
    QCOMPARE(rig.boxes.shown.size(), 1);

    rig.boxes.whileShown = nullptr;
    rig.in.deliver("xt\r");
    QVERIFY(rig.out.written.endsWith(boardLine("next")));
    QCOMPARE(rig.form().texts.Text3, QString());
}

QTEST_GUILESS_MAIN(TestReceivePath)
#include "test_receive_path.moc"
