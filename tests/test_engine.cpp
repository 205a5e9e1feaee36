// Start-up, exit and port discovery of the engine alone, without a window.
#include "FakeClocks.h"
#include "FakeSerialPort.h"
#include "RecordingPresenter.h"
#include "engine/Engine.h"

#include <QtTest>

namespace {

struct Headless
{
    explicit Headless(QSet<int> existing = {})
    {
        input.existing = existing;
        output.existing = existing;
        engine.Form_Load();
    }
    QStringList log() const { return engine.form().texts.Text1.split(QStringLiteral("\r\n")); }
    static PortChoice choice(const QString& port) { return {port, "9600", 2, "8", "1"}; }

    FakeSerialPort input;
    FakeSerialPort output;
    FakeWallClock wall;
    FakeMonotonicClock mono;
    RecordingPresenter boxes;
    Engine engine{input, output, wall, mono, boxes};
};

} // namespace

class TestEngine : public QObject
{
    Q_OBJECT
private slots:
    void startUp()
    {
        Headless h({5, 2});
        const FormModel& form = h.engine.form();

        // The mode's own line is overwritten by the start line; discovery writes above it.
        QCOMPARE(h.log(), (QStringList{"14:03:07 +++ 2 Comport(s) verfügbar",
                                       "14:03:07 +++ Vorhandene COM-Ports abfragen",
                                       "14:03:07 +++ Programmstart. ", "", ""}));
        QCOMPARE(form.mode, OperatingMode::TagAlge);
        QVERIFY(!form.InPortOpen && !form.OutPortOpen && form.WarnPortClosed);
        QVERIFY(!form.LapFlag && !form.OutputHold && !form.timers.anyEnabled());
        QVERIFY(form.layout.DispZentel && !form.layout.Lap && !form.layout.TimerText && !form.DispZentel);
        QCOMPARE(form.TimeOut, QStringLiteral("00:00:00.00"));
        QCOMPARE(form.TimerText, QStringLiteral("00:01:00"));
        QVERIFY(form.texts.MessIn.isEmpty() && form.texts.MessOut.isEmpty());
        QVERIFY(!h.input.isOpen() && !h.output.isOpen());
        QVERIFY(h.boxes.shown.isEmpty());

        const QStringList bauds = {"2400", "4800", "9600", "19200", "38400", "57600", "115200"};
        const QStringList bits = {"4", "5", "6", "7", "8"}, stops = {"1", "1.5", "2"};
        const QStringList parities = {"Gerade", "Ungerade", "Keine", "Markierung", "Leerzeichen"};
        const PortSettings::Lists& in = h.engine.inputLists();
        const PortSettings::Lists& out = h.engine.outputLists();
        const QList<std::tuple<const char*, PortSettings::List, PortSettings::List>> rows = {
            {"port in", in.port, {{"COM 2", "COM 5"}, 0}},
            {"port out", out.port, {{"COM 2", "COM 5"}, 1}},
            {"baud in", in.baud, {bauds, 2}},
            {"baud out", out.baud, {bauds, 0}},
            {"bits in", in.dataBits, {bits, 4}},
            {"bits out", out.dataBits, {bits, 4}},
            {"parity in", in.parity, {parities, 2}},
            {"parity out", out.parity, {parities, 2}},
            {"stop in", in.stopBits, {stops, 0}},
            {"stop out", out.stopBits, {stops, 0}}};
        for (const auto& [name, actual, expected] : rows) {
            QVERIFY2(actual.entries == expected.entries, name);
            QVERIFY2(actual.selected == expected.selected, name);
        }
    }

    void exitClosesEachOpenPortThroughItsButton_data()
    {
        QTest::addColumn<bool>("inputOpen");
        QTest::addColumn<bool>("outputOpen");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("none open") << false << false << QStringList{};
        QTest::newRow("both, input first") << true << true
                                           << QStringList{"14:03:07 +++ COM-Port 2 geschlossen",
                                                          "14:03:07 +++ Versuch den COM-Port 2 zu schließen",
                                                          "14:03:07 +++ COM-Port 1 geschlossen",
                                                          "14:03:07 +++ Versuch den COM-Port 1 zu schließen"};
    }

    void exitClosesEachOpenPortThroughItsButton()
    {
        QFETCH(bool, inputOpen);
        QFETCH(bool, outputOpen);
        QFETCH(QStringList, lines);
        Headless h({1, 2});
        if (inputOpen)
            h.engine.inputToggle.toggle(Headless::choice("COM 1"));
        if (outputOpen)
            h.engine.outputToggle.toggle(Headless::choice("COM 2"));
        const int before = int(h.log().size());

        h.engine.Ende_Click();

        QCOMPARE(h.log().mid(0, h.log().size() - before), lines);
        QVERIFY(!h.input.isOpen() && !h.output.isOpen());
        QVERIFY(!h.engine.form().InPortOpen && !h.engine.form().OutPortOpen);
    }

    void discoveryClosesOpenPortsFirst()
    {
        Headless h({1, 3});
        h.engine.inputToggle.toggle(Headless::choice("COM 1"));
        h.engine.outputToggle.toggle(Headless::choice("COM 3"));
        h.input.existing = h.output.existing = {5};

        h.engine.check_comPorts_Click();

        QCOMPARE(h.log().mid(0, 6), (QStringList{"14:03:07 +++ 1 Comport(s) verfügbar",
                                                 "14:03:07 +++ Vorhandene COM-Ports abfragen",
                                                 "14:03:07 +++ COM-Port 3 geschlossen",
                                                 "14:03:07 +++ Versuch den COM-Port 3 zu schließen",
                                                 "14:03:07 +++ COM-Port 1 geschlossen",
                                                 "14:03:07 +++ Versuch den COM-Port 1 zu schließen"}));
        QCOMPARE(h.engine.outputLists().port.entries, QStringList{"COM 5"});
        QCOMPARE(h.engine.outputLists().port.selected, 0);
        QVERIFY(!h.engine.form().InPortOpen && !h.engine.form().OutPortOpen);
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "test_engine.moc"
