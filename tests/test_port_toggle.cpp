// The open/close buttons of both ports: every outcome with its message box, its log lines in order and the
// port state afterwards.

#include "FakeClocks.h"
#include "FakeSerialPort.h"
#include "RecordingPresenter.h"
#include "app/Core.h"
#include "ports/PortSettings.h"

#include <QtTest>

Q_DECLARE_METATYPE(PortChoice)

namespace {

enum SideColumn
{
    In = 0,
    Out = 1
};

// The log's lines, oldest first.
QStringList logLines(const Core& core)
{
    QStringList lines = core.form.texts.Text1.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    std::reverse(lines.begin(), lines.end());
    return lines;
}

QStringList stamped(const QStringList& messages, const FakeWallClock& clock)
{
    QStringList lines;
    for (const QString& m : messages)
        lines << clock.now.toString(QStringLiteral("HH:mm:ss")) + m;
    return lines;
}

PortChoice choice(const QString& entry, const QString& baud = QStringLiteral("9600"), int parityIndex = 2,
                  const QString& dataBits = QStringLiteral("8"),
                  const QString& stopBits = QStringLiteral("1"))
{
    return PortChoice{entry, baud, parityIndex, dataBits, stopBits};
}

} // namespace

class TestPortToggle : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void openPath_data();
    void openPath();
    void closePath_data();
    void closePath();
    void closeLogsTheNumberReadBackFromThePort();
    void settingsChangeTakesEffectAtNextOpening();
    void connectionLostAndBack_data();
    void connectionLostAndBack();

private:
    PortToggle& toggle(int side) { return side == In ? m_core->inputToggle : m_core->outputToggle; }
    FakeSerialPort& port(int side) { return side == In ? m_in : m_out; }
    bool flag(int side) const { return side == In ? m_core->form.InPortOpen : m_core->form.OutPortOpen; }
    void openFirst(int side, int number);

    FakeSerialPort m_in;
    FakeSerialPort m_out;
    FakeWallClock m_wall;
    FakeMonotonicClock m_mono;
    RecordingPresenter m_boxes;
    std::unique_ptr<Core> m_core;
};

void TestPortToggle::init()
{
    m_core = std::make_unique<Core>(m_in, m_out, m_wall, m_mono, m_boxes);
    m_core->form.texts.Text1.clear();
}

void TestPortToggle::cleanup()
{
    m_core.reset();
    m_in.close();
    m_out.close();
    for (FakeSerialPort* p : {&m_in, &m_out}) {
        p->existing.clear();
        p->refuseOpen = p->refuseClose = p->refuseWrite = p->refuseSettings = false;
        p->openedPorts.clear();
        p->openedSettings.clear();
        p->openAttempts = p->closeCalls = 0;
        p->rThreshold = p->sThreshold = p->inputLen = -1;
        p->setCommPort(1);
        p->setSettings(QStringLiteral("9600,N,8,1"));
    }
    m_boxes.shown.clear();
}

void TestPortToggle::openFirst(int side, int number)
{
    port(side).existing.insert(number);
    toggle(side).toggle(choice(PortSettings::entryForPort(number)));
    QVERIFY(flag(side));
    m_core->form.texts.Text1.clear();
    m_boxes.shown.clear();
}

void TestPortToggle::openPath_data()
{
    QTest::addColumn<int>("side");
    QTest::addColumn<PortChoice>("chosen");
    QTest::addColumn<QList<int>>("existing");
    QTest::addColumn<bool>("refuseOpen");
    QTest::addColumn<bool>("refuseSettings");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<bool>("openAfter");
    QTest::addColumn<QStringList>("openedWith");
    QTest::addColumn<int>("commPortAfter");

    const QString noPorts = QStringLiteral("Fehler! Sind eventuell keine COM-Ports vorhanden?");
    const QString refused =
        QStringLiteral("Fehler! Sind eventuell keine COM-Ports vorhanden oder die Einstellungen falsch?");

    for (int side : {In, Out}) {
        const QString s = side == In ? QStringLiteral("input ") : QStringLiteral("output ");
        QTest::newRow(qPrintable(s + "opens COM 1 with its settings"))
            << side << choice("COM 1") << QList<int>{1} << false << false << QStringList()
            << QStringList{" +++ Versuch den COM-Port 1 zu öffnen", " +++ COM-Port 1 wurde geöffnet"} << true
            << QStringList{"9600,N,8,1"} << 1;
        QTest::newRow(qPrintable(s + "no port available"))
            << side << choice(QStringLiteral("Kein Comport verfügbar")) << QList<int>{1} << false << false
            << QStringList{noPorts}
            << QStringList{" +++ Versuch den COM-Port 0 zu öffnen",
                           " +++ COM-Port 0 kann nicht geöffnet werden "}
            << false << QStringList() << 1;
        QTest::newRow(qPrintable(s + "port missing"))
            << side << choice("COM 2") << QList<int>{1} << false << false << QStringList{refused}
            << QStringList{" +++ Versuch den COM-Port 2 zu öffnen",
                           " +++ COM-Port 2 kann nicht geöffnet werden"}
            << false << QStringList() << 2;
        QTest::newRow(qPrintable(s + "open refused"))
            << side << choice("COM 4") << QList<int>{4} << true << false << QStringList{refused}
            << QStringList{" +++ Versuch den COM-Port 4 zu öffnen",
                           " +++ COM-Port 4 kann nicht geöffnet werden"}
            << false << QStringList() << 4;
        QTest::newRow(qPrintable(s + "settings refused on assignment"))
            << side << choice("COM 1", "9600", 2, "4") << QList<int>{1} << false << true
            << QStringList{refused}
            << QStringList{" +++ Versuch den COM-Port 1 zu öffnen",
                           " +++ COM-Port 1 kann nicht geöffnet werden"}
            << false << QStringList() << 1;
        QTest::newRow(qPrintable(s + "no parity selected"))
            << side << choice("COM 1", "9600", -1) << QList<int>{1} << false << false << QStringList{refused}
            << QStringList{" +++ Versuch den COM-Port 1 zu öffnen",
                           " +++ COM-Port 1 kann nicht geöffnet werden"}
            << false << QStringList() << 1;
        QTest::newRow(qPrintable(s + "typed number beyond 8 bits"))
            << side << choice("COM 300") << QList<int>{1, 300} << false << false << QStringList{refused}
            << QStringList{" +++ Versuch den COM-Port 300 zu öffnen",
                           " +++ COM-Port 300 kann nicht geöffnet werden"}
            << false << QStringList() << 1;
        QTest::newRow(qPrintable(s + "typed negative number"))
            << side << choice("COM -2") << QList<int>{1} << false << false << QStringList{refused}
            << QStringList{" +++ Versuch den COM-Port -2 zu öffnen",
                           " +++ COM-Port -2 kann nicht geöffnet werden"}
            << false << QStringList() << 1;
    }
    QTest::newRow("input typed fraction rounds half to even")
        << int(In) << choice("COM 2.5", "19200", 3, "7", "2") << QList<int>{2} << false << false
        << QStringList()
        << QStringList{" +++ Versuch den COM-Port 2 zu öffnen", " +++ COM-Port 2 wurde geöffnet"} << true
        << QStringList{"19200,M,7,2"} << 2;
    QTest::newRow("output opens COM 12 at the output defaults")
        << int(Out) << choice("COM 12", "2400") << QList<int>{3, 12} << false << false << QStringList()
        << QStringList{" +++ Versuch den COM-Port 12 zu öffnen", " +++ COM-Port 12 wurde geöffnet"} << true
        << QStringList{"2400,N,8,1"} << 12;
    QTest::newRow("output even parity, 1.5 stop bits as chosen")
        << int(Out) << choice("COM 3", "2400", 0, "7", "1.5") << QList<int>{3} << false << false
        << QStringList()
        << QStringList{" +++ Versuch den COM-Port 3 zu öffnen", " +++ COM-Port 3 wurde geöffnet"} << true
        << QStringList{"2400,E,7,1.5"} << 3;
}

void TestPortToggle::openPath()
{
    QFETCH(int, side);
    QFETCH(PortChoice, chosen);
    QFETCH(QList<int>, existing);
    QFETCH(bool, refuseOpen);
    QFETCH(bool, refuseSettings);
    QFETCH(QStringList, boxes);
    QFETCH(QStringList, log);
    QFETCH(bool, openAfter);
    QFETCH(QStringList, openedWith);
    QFETCH(int, commPortAfter);

    FakeSerialPort& p = port(side);
    FakeSerialPort& other = port(1 - side);
    p.existing = QSet<int>(existing.begin(), existing.end());
    p.refuseOpen = refuseOpen;
    p.refuseSettings = refuseSettings;

    toggle(side).toggle(chosen);

    QCOMPARE(m_boxes.texts(), boxes);
    for (const ModalMessage& box : std::as_const(m_boxes.shown)) {
        QCOMPARE(box.title, QString());
        QCOMPARE(box.icon, ModalMessage::Icon::None);
    }
    QCOMPARE(logLines(*m_core), stamped(log, m_wall));
    QCOMPARE(flag(side), openAfter);
    QCOMPARE(toggle(side).isOpen(), openAfter);
    QCOMPARE(p.isOpen(), openAfter);
    QCOMPARE(p.openedSettings, openedWith);
    QCOMPARE(p.commPort(), commPortAfter);
    QCOMPARE(p.rThreshold, openAfter ? 1 : -1);
    QCOMPARE(p.sThreshold, openAfter ? 1 : -1);
    QCOMPARE(p.inputLen, openAfter ? 0 : -1);

    // The other port and its flag are not touched.
    QCOMPARE(flag(1 - side), false);
    QCOMPARE(other.openAttempts, 0);
    QCOMPARE(other.closeCalls, 0);
}

void TestPortToggle::closePath_data()
{
    QTest::addColumn<int>("side");
    QTest::addColumn<bool>("refuseClose");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<bool>("warnAfter");

    QTest::newRow("input closes") << int(In) << false << QStringList()
                                  << QStringList{" +++ Versuch den COM-Port 5 zu schließen",
                                                 " +++ COM-Port 5 geschlossen"}
                                  << false;
    QTest::newRow("output closes") << int(Out) << false << QStringList()
                                   << QStringList{" +++ Versuch den COM-Port 5 zu schließen",
                                                  " +++ COM-Port 5 geschlossen"}
                                   << true;
    QTest::newRow("input close refused")
        << int(In) << true << QStringList{"Fehler beim Schließen des Ports 5"}
        << QStringList{" +++ Versuch den COM-Port 5 zu schließen",
                       " +++ COM-Port 5 kann nicht geschlossen werden"}
        << false;
    QTest::newRow("output close refused")
        << int(Out) << true << QStringList{"Fehler beim Schließen des Ports 5"}
        << QStringList{" +++ Versuch den COM-Port 5 zu schließen",
                       " +++ COM-Port 5 kann nicht geschlossen werden"}
        << true;
}

void TestPortToggle::closePath()
{
    QFETCH(int, side);
    QFETCH(bool, refuseClose);
    QFETCH(QStringList, boxes);
    QFETCH(QStringList, log);
    QFETCH(bool, warnAfter);

    openFirst(side, 5);
    m_core->form.WarnPortClosed = false;
    port(side).refuseClose = refuseClose;

    toggle(side).toggle(choice("COM 5"));

    QCOMPARE(m_boxes.texts(), boxes);
    QCOMPARE(logLines(*m_core), stamped(log, m_wall));
    QCOMPARE(flag(side), false);
    QCOMPARE(toggle(side).isOpen(), false);
    QCOMPARE(port(side).closeCalls, 1);
    QCOMPARE(port(side).isOpen(), false);
    QCOMPARE(m_core->form.WarnPortClosed, warnAfter);
}

void TestPortToggle::closeLogsTheNumberReadBackFromThePort()
{
    openFirst(Out, 3);
    // The operator cannot change the disabled list, but whatever it holds, the port's own number is logged.
    toggle(Out).toggle(choice("COM 7"));
    QCOMPARE(logLines(*m_core),
             stamped({" +++ Versuch den COM-Port 3 zu schließen", " +++ COM-Port 3 geschlossen"}, m_wall));
    QVERIFY(!m_core->form.OutPortOpen);
}

void TestPortToggle::settingsChangeTakesEffectAtNextOpening()
{
    m_in.existing = {1};
    toggle(In).toggle(choice("COM 1", "9600"));
    toggle(In).toggle(choice("COM 1", "19200"));
    toggle(In).toggle(choice("COM 1", "19200", 1, "7", "2"));
    QCOMPARE(m_in.openedSettings, (QStringList{"9600,N,8,1", "19200,O,7,2"}));
    QCOMPARE(m_in.openedPorts, (QList<int>{1, 1}));
    QVERIFY(m_core->form.InPortOpen);
}

void TestPortToggle::connectionLostAndBack_data()
{
    QTest::addColumn<int>("side");
    QTest::newRow("input") << int(In);
    QTest::newRow("output") << int(Out);
}

void TestPortToggle::connectionLostAndBack()
{
    QFETCH(int, side);
    openFirst(side, 9);

    toggle(side).reportConnectionLost();
    QVERIFY(flag(side));
    toggle(side).reportReconnected();
    QVERIFY(flag(side));
    QCOMPARE(
        logLines(*m_core),
        stamped({" +++ COM-Port 9 Verbindung unterbrochen", " +++ COM-Port 9 wieder verbunden"}, m_wall));
    QVERIFY(m_boxes.shown.isEmpty());
}

QTEST_GUILESS_MAIN(TestPortToggle)
#include "test_port_toggle.moc"
