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

#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Start number n with the time 00:00:<n mod 60>.00, as the device sends it and as the board gets it.
QByteArray l0(int n)
{
    return BoardText::l0(QByteArray::number(n), "00:00:" + QByteArray::number(n % 60) + ".00");
}
QByteArray l0Line(int n)
{
    return BoardText::l0Line(QByteArray::number(n), "00:00:" + QByteArray::number(n % 60) + ".00");
}

} // namespace

class TestWindowSerial : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    std::unique_ptr<PtyPair> m_in;
    std::unique_ptr<PtyPair> m_out;
    std::unique_ptr<QtSerialPortService> m_input;
    std::unique_ptr<QtSerialPortService> m_output;
    FakeWallClock m_wall;
    FakeMonotonicClock m_mono;
    BlockingPresenter m_boxes;
    std::unique_ptr<MainForm> m_window;

    template <typename W = QWidget> W* widget(const char* name) { return m_window->findChild<W*>(name); }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_in = std::make_unique<PtyPair>(m_dir.path(), 1);
        m_out = std::make_unique<PtyPair>(m_dir.path(), 2);
        QVERIFY(m_in->isValid() && m_out->isValid());
        m_input = std::make_unique<QtSerialPortService>(ComPortMap(m_dir.path()));
        m_output = std::make_unique<QtSerialPortService>(ComPortMap(m_dir.path()));
        m_window = std::make_unique<MainForm>(*m_input, *m_output, m_wall, m_mono, m_boxes);
        invokeSlot(&*m_window, "OpenInput_Click");
        invokeSlot(&*m_window, "OpenOutput_Click");
        QVERIFY(m_window->engine().form().InPortOpen && m_window->engine().form().OutPortOpen);
        QVERIFY(m_boxes.shown.isEmpty());
    }

    void cleanup()
    {
        m_window.reset();
        m_input.reset();
        m_output.reset();
        m_in.reset();
        m_out.reset();
        m_boxes = BlockingPresenter();
    }

    void recordsArrivingWhileABoxIsOpenReachTheBoard()
    {
        // The box of an unreadable time stays open until the port holds every record sent after it.
        QByteArray later;
        for (int n = 142; n <= 145; ++n)
            later += l0(n);
        m_boxes.whileShown = [&] {
            for (int n = 142; n <= 145; ++n)
                QVERIFY(m_in->writeFar(l0(n)));
        };
        m_boxes.releaseWhen = [&] { return m_input->bytesWaiting() == later.size(); };
        QVERIFY(m_in->writeFar(l0(141) + "..R...00043...00:xx:23.45\r"));

        QByteArray expected = l0Line(141) + BoardText::line(" 0043   :  : 0.005");
        for (int n = 142; n <= 145; ++n)
            expected += l0Line(n);
        const QByteArray got = m_out->collect(expected.size());
        QCOMPARE(m_boxes.shown.size(), 1);
        QCOMPARE(m_boxes.givenUp, 0);
        QCOMPARE(got, expected);
    }

    void inputHangingUpWhileABoxIsOpenIsReportedOnce()
    {
        m_input->setRetryInterval(20);
        QSignalSpy lost(m_input.get(), &SerialPortService::connectionLost);
        QSignalSpy back(m_input.get(), &SerialPortService::reconnected);
        m_boxes.whileShown = [&] { QVERIFY(m_in->vanish()); };
        m_boxes.releaseWhen = [&] { return lost.count() == 1; };
        QVERIFY(m_in->writeFar(l0(141) + "..R...00043...00:xx:23.45\r"));
        const QByteArray before = l0Line(141) + BoardText::line(" 0043   :  : 0.005");
        QCOMPARE(m_out->collect(before.size()), before);
        QCOMPARE(m_boxes.givenUp, 0);

        // The device comes back; what it sends then reaches the board once.
        QVERIFY(m_in->relink());
        QTRY_COMPARE_WITH_TIMEOUT(back.count(), 1, 5000);
        QVERIFY(m_in->writeFar(l0(142)));
        const QByteArray after = l0Line(142);
        QCOMPARE(m_out->collect(after.size()), after);
        const QStringList log = m_window->engine().form().texts.Text1.split(QStringLiteral("\r\n"));
        QCOMPARE(log.count(QStringLiteral("14:03:07 +++ COM-Port 1 Verbindung unterbrochen")), 1);
        QCOMPARE(log.count(QStringLiteral("14:03:07 +++ COM-Port 1 wieder verbunden")), 1);
        QCOMPARE(lost.count(), 1);
    }

    // Bytes pass the real ports as they are, a line only once its end arrived.
    void linesPassThroughInOneToOneMode()
    {
        QTest::mouseClick(widget("in_out"), Qt::LeftButton);
        QVERIFY(m_in->writeFar("AB"));
        QCOMPARE(m_out->collect(1, 200), QByteArray()); // no line end yet
        QVERIFY(m_in->writeFar("C\r\xe4\r"));
        const QByteArray expected = BoardText::line("ABC") + BoardText::line("\xe4");
        QCOMPARE(m_out->collect(expected.size()), expected);
    }
};

QTEST_MAIN(TestWindowSerial)
#include "test_window_serial.moc"
