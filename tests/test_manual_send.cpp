// Sending a typed text with CR on either port: the bytes written, the log lines, the boxes and the monitor.

#include "FakeClocks.h"
#include "FakeSerialPort.h"
#include "RecordingPresenter.h"
#include "app/Core.h"

#include <QtTest>

namespace {

enum SideColumn
{
    In = 0,
    Out = 1
};

QStringList logLines(const Core& core)
{
    QStringList lines = core.form.texts.Text1.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    std::reverse(lines.begin(), lines.end());
    return lines;
}

} // namespace

class TestManualSend : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void send_data();
    void send();
    void failedWriteLeavesThePortOpen();
    void longLogIsTrimmedAfterASend();

private:
    FakeSerialPort& port(int side) { return side == In ? m_in : m_out; }
    ManualSend& sender(int side) { return side == In ? m_core->inputSend : m_core->outputSend; }
    void openPort(int side);

    FakeSerialPort m_in;
    FakeSerialPort m_out;
    FakeWallClock m_wall;
    FakeMonotonicClock m_mono;
    RecordingPresenter m_boxes;
    std::unique_ptr<Core> m_core;
};

void TestManualSend::init()
{
    for (FakeSerialPort* p : {&m_in, &m_out}) {
        p->existing = {1, 2};
        p->refuseWrite = false;
        p->written.clear();
        p->writes.clear();
    }
    m_boxes.shown.clear();
    m_core = std::make_unique<Core>(m_in, m_out, m_wall, m_mono, m_boxes);
    m_core->form.texts.Text1.clear();
}

void TestManualSend::cleanup()
{
    m_core.reset();
    m_in.close();
    m_out.close();
}

void TestManualSend::openPort(int side)
{
    const QString entry = side == In ? QStringLiteral("COM 1") : QStringLiteral("COM 2");
    PortToggle& toggle = side == In ? m_core->inputToggle : m_core->outputToggle;
    toggle.toggle(PortChoice{entry, QStringLiteral("9600"), 2, QStringLiteral("8"), QStringLiteral("1")});
    QVERIFY(port(side).isOpen());
    m_core->form.texts.Text1.clear();
}

void TestManualSend::send_data()
{
    QTest::addColumn<int>("side");
    QTest::addColumn<bool>("open");
    QTest::addColumn<bool>("refuseWrite");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QString>("monitor");

    const QString closed = QStringLiteral("Bitte vorher einen Port öffnen");
    const QString closedLog = QStringLiteral(" +++ Fehler beim Senden des Textes, Port ist nicht geöffnet");

    for (int side : {In, Out}) {
        const QString s = side == In ? QStringLiteral("input ") : QStringLiteral("output ");
        QTest::newRow(qPrintable(s + "sends ABC"))
            << side << true << false << "ABC" << QByteArray("ABC\r") << QStringList()
            << QStringList{" +++ Versuch den Text ABC zu senden", " +++ \"ABC\" wurde gesendet"} << "ABC\r\n";
        QTest::newRow(qPrintable(s + "port closed"))
            << side << false << false << "ABC" << QByteArray() << QStringList{closed}
            << QStringList{" +++ Versuch den Text ABC zu senden", closedLog} << "";
        QTest::newRow(qPrintable(s + "port closed, empty text"))
            << side << false << false << "" << QByteArray() << QStringList{closed}
            << QStringList{" +++ Versuch den Text  zu senden", closedLog} << "";
        QTest::newRow(qPrintable(s + "empty text"))
            << side << true << false << "" << QByteArray() << QStringList{"Und was ist mit dem Text"}
            << QStringList{" +++ Versuch den Text  zu senden", " +++ Text fehlt"} << "";
        QTest::newRow(qPrintable(s + "write refused"))
            << side << true << true << "ABC" << QByteArray() << QStringList{"Text nicht fehlerfrei gesendet!"}
            << QStringList{" +++ Versuch den Text ABC zu senden", " +++ Text nicht fehlerfrei gesendet"}
            << "";
    }
    QTest::newRow("blanks only are sent unchanged")
        << int(Out) << true << false << "   " << QByteArray("   \r") << QStringList()
        << QStringList{" +++ Versuch den Text     zu senden", " +++ \"   \" wurde gesendet"} << "   \r\n";
    QTest::newRow("blanks around the text are kept")
        << int(Out) << true << false << " 12:00 " << QByteArray(" 12:00 \r") << QStringList()
        << QStringList{" +++ Versuch den Text  12:00  zu senden", " +++ \" 12:00 \" wurde gesendet"}
        << " 12:00 \r\n";
    QTest::newRow("tab goes out, the monitor drops it")
        << int(In) << true << false << "A\tB" << QByteArray("A\tB\r") << QStringList()
        << QStringList{" +++ Versuch den Text A\tB zu senden", " +++ \"A\tB\" wurde gesendet"} << "AB\r\n";
    QTest::newRow("umlaut as one Latin-1 byte")
        << int(Out) << true << false << QStringLiteral("Zürich") << QByteArray("Z\xFCrich\r") << QStringList()
        << QStringList{QStringLiteral(" +++ Versuch den Text Zürich zu senden"),
                       QStringLiteral(" +++ \"Zürich\" wurde gesendet")}
        << QStringLiteral("Zürich\r\n");
    QTest::newRow("outside Latin-1 goes out as ?")
        << int(Out) << true << false << QStringLiteral("5 €") << QByteArray("5 ?\r") << QStringList()
        << QStringList{QStringLiteral(" +++ Versuch den Text 5 € zu senden"),
                       QStringLiteral(" +++ \"5 €\" wurde gesendet")}
        << QStringLiteral("5 €\r\n");
}

void TestManualSend::send()
{
    QFETCH(int, side);
    QFETCH(bool, open);
    QFETCH(bool, refuseWrite);
    QFETCH(QString, text);
    QFETCH(QByteArray, written);
    QFETCH(QStringList, boxes);
    QFETCH(QStringList, log);
    QFETCH(QString, monitor);

    if (open)
        openPort(side);
    port(side).refuseWrite = refuseWrite;

    sender(side).send(text);

    QCOMPARE(port(side).written, written);
    QCOMPARE(port(1 - side).written, QByteArray());
    QCOMPARE(m_boxes.texts(), boxes);
    for (const ModalMessage& box : std::as_const(m_boxes.shown)) {
        QCOMPARE(box.title, QString());
        QCOMPARE(box.icon, ModalMessage::Icon::None);
    }
    QStringList expectedLog;
    for (const QString& m : log)
        expectedLog << QStringLiteral("14:03:07") + m;
    QCOMPARE(logLines(*m_core), expectedLog);
    QCOMPARE(side == In ? m_core->form.texts.MessIn : m_core->form.texts.MessOut, monitor);
    QCOMPARE(side == In ? m_core->form.texts.MessOut : m_core->form.texts.MessIn, QString());
    // Sending never changes the port state.
    QCOMPARE(port(side).isOpen(), open);
    QCOMPARE(side == In ? m_core->form.InPortOpen : m_core->form.OutPortOpen, open);
}

void TestManualSend::failedWriteLeavesThePortOpen()
{
    openPort(In);
    m_in.refuseWrite = true;
    m_core->inputSend.send(QStringLiteral("X"));
    m_in.refuseWrite = false;
    m_core->inputSend.send(QStringLiteral("Y"));
    QCOMPARE(m_in.written, QByteArray("Y\r"));
    QCOMPARE(m_core->form.texts.MessIn, QStringLiteral("Y\r\n"));
    QVERIFY(m_core->form.InPortOpen);
}

void TestManualSend::longLogIsTrimmedAfterASend()
{
    openPort(Out);
    m_core->form.texts.Text1 = QString(10001, QLatin1Char('x'));
    m_core->outputSend.send(QStringLiteral("ABC"));
    // The send's own lines stand on top, then the monitor routine cuts the log to its newest 1000 characters.
    QCOMPARE(m_core->form.texts.Text1.size(), 1000);
    QVERIFY(m_core->form.texts.Text1.startsWith(QStringLiteral("14:03:07 +++ \"ABC\" wurde gesendet\r\n")));
}

QTEST_GUILESS_MAIN(TestManualSend)
#include "test_manual_send.moc"
