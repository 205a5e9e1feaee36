// Finding the port numbers 1 to 16 that open, the entries and selections of both port lists, and the log.

#include "FakeClocks.h"
#include "FakeSerialPort.h"
#include "RecordingPresenter.h"
#include "app/Core.h"

#include <QtTest>

namespace {

QStringList logLines(const Core& core)
{
    QStringList lines = core.form.texts.Text1.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    std::reverse(lines.begin(), lines.end());
    return lines;
}

} // namespace

class TestPortDiscovery : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void discover_data();
    void discover();
    void portTest_data();
    void portTest();

private:
    FakeSerialPort m_in;
    FakeSerialPort m_out;
    FakeWallClock m_wall;
    FakeMonotonicClock m_mono;
    RecordingPresenter m_boxes;
    std::unique_ptr<Core> m_core;
};

void TestPortDiscovery::init()
{
    m_in.existing.clear();
    m_out.existing.clear();
    m_in.refuseOpen = m_in.refuseClose = false;
    m_in.openedPorts.clear();
    m_in.openAttempts = m_in.closeCalls = 0;
    m_out.openAttempts = m_out.closeCalls = 0;
    m_boxes.shown.clear();
    m_core = std::make_unique<Core>(m_in, m_out, m_wall, m_mono, m_boxes);
    m_core->form.texts.Text1.clear();
}

void TestPortDiscovery::cleanup()
{
    m_core.reset();
    m_in.close();
    m_out.close();
}

void TestPortDiscovery::discover_data()
{
    QTest::addColumn<QList<int>>("existing");
    QTest::addColumn<bool>("refuseOpen");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("inputSelection");
    QTest::addColumn<int>("outputSelection");
    QTest::addColumn<QString>("outcome");

    const QString none = QStringLiteral("Kein Comport verfügbar");
    QTest::newRow("no port") << QList<int>() << false << QStringList{none} << 0 << 0
                             << " +++ Kein Comport verfügbar";
    QTest::newRow("ports 1 and 3") << QList<int>{3, 1} << false << QStringList{"COM 1", "COM 3"} << 0 << 1
                                   << " +++ 2 Comport(s) verfügbar";
    QTest::newRow("only port 5") << QList<int>{5} << false << QStringList{"COM 5"} << 0 << 0
                                 << " +++ 1 Comport(s) verfügbar";
    QTest::newRow("ports 17 and above never") << QList<int>{17, 18, 100, 255} << false << QStringList{none}
                                              << 0 << 0 << " +++ Kein Comport verfügbar";
    QTest::newRow("16 listed, 17 not")
        << QList<int>{16, 17} << false << QStringList{"COM 16"} << 0 << 0 << " +++ 1 Comport(s) verfügbar";
    QTest::newRow("three ports, ascending")
        << QList<int>{12, 2, 7} << false << QStringList{"COM 2", "COM 7", "COM 12"} << 0 << 1
        << " +++ 3 Comport(s) verfügbar";
    QTest::newRow("existing ports whose open is refused")
        << QList<int>{1, 2} << true << QStringList{none} << 0 << 0 << " +++ Kein Comport verfügbar";

    QList<int> all;
    QStringList allEntries;
    for (int n = 1; n <= 16; ++n) {
        all << n;
        allEntries << QStringLiteral("COM %1").arg(n);
    }
    QTest::newRow("all sixteen") << all << false << allEntries << 0 << 1 << " +++ 16 Comport(s) verfügbar";
}

void TestPortDiscovery::discover()
{
    QFETCH(QList<int>, existing);
    QFETCH(bool, refuseOpen);
    QFETCH(QStringList, entries);
    QFETCH(int, inputSelection);
    QFETCH(int, outputSelection);
    QFETCH(QString, outcome);

    m_in.existing = QSet<int>(existing.begin(), existing.end());
    m_in.refuseOpen = refuseOpen;

    const PortLists lists = m_core->discovery.discover();

    QCOMPARE(lists.entries, entries);
    QCOMPARE(lists.inputSelection, inputSelection);
    QCOMPARE(lists.outputSelection, outputSelection);
    QCOMPARE(logLines(*m_core), (QStringList{"14:03:07 +++ Vorhandene COM-Ports abfragen",
                                             QStringLiteral("14:03:07") + outcome}));
    QVERIFY(m_boxes.shown.isEmpty());

    // Every candidate was tried once, in ascending order, with the input port, and closed again.
    QCOMPARE(m_in.openAttempts, 16);
    QCOMPARE(m_in.closeCalls, 16);
    QVERIFY(!m_in.isOpen());
    QList<int> opened;
    if (!refuseOpen) {
        for (int n = 1; n <= 16; ++n) {
            if (m_in.existing.contains(n))
                opened << n;
        }
    }
    QCOMPARE(m_in.openedPorts, opened);
    QCOMPARE(m_out.openAttempts, 0);
    QCOMPARE(m_out.closeCalls, 0);
    QVERIFY(!m_core->form.InPortOpen);
    QVERIFY(!m_core->form.OutPortOpen);
}

void TestPortDiscovery::portTest_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<bool>("refuseClose");
    QTest::addColumn<bool>("result");
    QTest::newRow("present") << 4 << false << true;
    QTest::newRow("present, close fails") << 4 << true << true;
    QTest::newRow("absent") << 5 << false << false;
    QTest::newRow("absent, close fails") << 5 << true << false;
}

void TestPortDiscovery::portTest()
{
    QFETCH(int, number);
    QFETCH(bool, refuseClose);
    QFETCH(bool, result);

    m_in.existing = {4};
    m_in.refuseClose = refuseClose;
    QCOMPARE(m_core->discovery.PortTest(number), result);
    QCOMPARE(m_in.commPort(), number);
    QCOMPARE(m_in.openAttempts, 1);
    QCOMPARE(m_in.closeCalls, 1);
    QVERIFY(!m_in.isOpen());
    QVERIFY(m_core->form.texts.Text1.isEmpty());
    QVERIFY(m_boxes.shown.isEmpty());
}

QTEST_GUILESS_MAIN(TestPortDiscovery)
#include "test_port_discovery.moc"
