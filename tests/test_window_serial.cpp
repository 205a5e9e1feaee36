// The whole window on real serial ports: pseudo-terminal pairs linked as COM 1 (input) and COM 2 (output)
// through a temporary ports folder, driven from their far ends.

#include "FakeClocks.h"
#include "PtyPair.h"
#include "RecordingPresenter.h"
#include "app/MainForm.h"
#include "ports/QtSerialPortService.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Runs the event loop until `count` bytes arrived at the far end of `pty` or the time is up.
QByteArray collect(PtyPair& pty, int count, int timeoutMs = 5000)
{
    QByteArray got;
    QDeadlineTimer deadline(timeoutMs);
    while (got.size() < count && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        got += pty.drainFar(1);
    }
    return got;
}

QByteArray padded(const QByteArray& line)
{
    return line.leftJustified(22, ' ') + '\r';
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
    RecordingPresenter m_boxes;
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
        QCOMPARE(widget<QComboBox>("Combo1")->currentText(), QStringLiteral("COM 1"));
        QCOMPARE(widget<QComboBox>("Combo6")->currentText(), QStringLiteral("COM 2"));
        m_window->OpenInput_Click();
        m_window->OpenOutput_Click();
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
    }

    void tagHeuerRecordsArriveConvertedOnTheBoard()
    {
        QVERIFY(m_in->writeFar("..L0\t 042\t00:01:23.45\r..L1\t  12\r..R...00042...00:01:23.45\r"));
        const QByteArray expected =
            padded("042.    00:01:23.45") + padded("042C    00:01:23.45 12") + padded(" 0042   : 1:23.455");
        QCOMPARE(collect(*m_out, expected.size()), expected);
        m_window->refreshViews();
        QCOMPARE(m_window->engine().form().texts.MessIn.left(29),
                 QStringLiteral("..R...00042...00:01:23.45\r\n.."));
    }

    void linesPassThroughInOneToOneMode()
    {
        QTest::mouseClick(widget("in_out"), Qt::LeftButton);
        QVERIFY(m_in->writeFar("AB"));
        QCOMPARE(collect(*m_out, 1, 200), QByteArray()); // no line end yet
        QVERIFY(m_in->writeFar("C\r\xe4\r"));
        const QByteArray expected = padded("ABC") + padded("\xe4");
        QCOMPARE(collect(*m_out, expected.size()), expected);
    }
};

QTEST_MAIN(TestWindowSerial)
#include "test_window_serial.moc"
