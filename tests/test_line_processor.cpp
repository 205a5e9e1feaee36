// SPDX-License-Identifier: GPL-3.0-or-later
// convert/: time texts, display lines, board lines and the receive path that feeds them.

#include "EngineRig.h"

#include <QLocale>
#include <QTest>

namespace {

const QByteArray L0 = BoardText::l0("042", "00:01:23.45");
const QByteArray L0Out = BoardText::l0Line("042", "00:01:23.45");
const QByteArray L1 = "..L1\t  12\r";
const QByteArray R = "..R...00042...00:01:23.45\r";
const QByteArray ROut = " 0042   : 1:23.455    \r";
const QByteArray Letters = "ABCDEFGHIJKLMNOPQRSTU";
const QString Overflow = QStringLiteral("14:03:07 +++ Eingangspuffer übergelaufen, Zeichen verworfen");

const auto line = &BoardText::line;

} // namespace

class TestLineProcessor : public QObject
{
    Q_OBJECT

private slots:
    // Everything here runs under a decimal-comma locale: time texts use the point whatever the locale.
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    // Times with every field read whole; the display form (blanked fields) is refused with the format box.
    void getSec()
    {
        EngineRig rig;
        QCOMPARE(rig.engine.time.Get_Sec(QStringLiteral("12:34:56.78")), 45296.78);
        QCOMPARE(rig.engine.time.Get_Sec(QStringLiteral("00:01:00")), 60.0);
        QVERIFY(rig.boxes.shown.isEmpty());
        QCOMPARE(rig.engine.time.Get_Sec(QStringLiteral("  : 1:23.45")), 0.0);
        QCOMPARE(rig.boxes.texts(), QStringList{"Fehler 13 beim beim Zeiten berechnen:\r\n\r\nTypen "
                                                "unverträglich\r\n\r\nFormat hh:mm:ss.ss kontrollieren"});
        QVERIFY(rig.boxes.shown[0].title == "Format kontrollieren" &&
                rig.boxes.shown[0].icon == ModalMessage::Icon::Stop);
        QCOMPARE(rig.logLines(), QStringList());
    }

    void setTimeFormat_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("tie to even, down") << 0.125 << "  :  : 0.12";
        QTest::newRow("one digit seconds") << 9.0 << "  :  : 9.00";
        QTest::newRow("hundredths carried into the minute") << 59.996 << "  : 1:00.00";
        QTest::newRow("one hour") << 3600.0 << " 1:00:00.00";
        QTest::newRow("every field") << 45296.78 << "12:34:56.78";
        QTest::newRow("hundred hours") << 360000.0 << "100:00:00.00";
    }

    void setTimeFormat()
    {
        QFETCH(double, seconds);
        QTEST(TimeValues::SetTimeFormat(seconds), "text");
    }

    void boardLines_data()
    {
        QTest::addColumn<OperatingMode>("mode");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QString>("rest"); // left in the input buffer
        const auto row = [](const char* name, OperatingMode mode, const QByteArray& input,
                            const QByteArray& written, const QString& rest = {}) {
            QTest::newRow(name) << mode << input << written << rest;
        };
        const auto twice = [](int length) { return (Letters.left(length) + '\r').repeated(2); };
        const auto tag = OperatingMode::TagAlge;
        const auto in_out = OperatingMode::in_out;

        row("L0", tag, L0, L0Out);
        row("L1 after L0", tag, L0 + L1, L0Out + "042C    00:01:23.45 12\r");
        row("blank L1 rejected", tag, L0 + "..L1\t    \r", L0Out + line(""));
        row("L1 before any L0", tag, L1, line("C     12"));
        row("R", tag, R, ROut);
        row("L1 after R, not padded", tag, R + L1, ROut + "00042C      : 1:23.455 12\r");
        row("R with five digits", tag, "..R...12345...00:01:23.45\r", " 2345   : 1:23.455    \r");
        row("number that is none", tag, "..L0\t 1a \t00:00:01.00\r", "1a .    00:00:01.00   \r");
        row("unfinished line kept", in_out, "A\rB\rC", line("A") + line("B"), "C");
        row("LF starts the next line", in_out, "A\r\nB\r", line("A") + line("\nB"));
        row("first empty line dropped", in_out, "\rX\r\r", line("X") + line(""));
        row("20 characters repeated", in_out, twice(20), line(Letters.left(20)));
        row("19 characters repeated", in_out, twice(19), line(Letters.left(19)).repeated(2));
        row("21 characters repeated", in_out, twice(21), line(Letters.left(21)).repeated(2));
        row("collected in Stopen", OperatingMode::Stopen, "A\rB", "", "A\rB");
    }

    void boardLines()
    {
        QFETCH(OperatingMode, mode);
        QFETCH(QByteArray, input);
        EngineRig whole(mode);
        QTEST(whole.deliver(input), "written");
        QTEST(whole.form.texts.Text3, "rest");
    }

    // A line the output port does not take is kept in the output text but not shown as sent; a closed port
    // is logged once, a refused write not at all (the port reports its own outage).
    void unsentLines()
    {
        for (bool open : {false, true}) {
            EngineRig rig(OperatingMode::in_out, open);
            rig.engine.outputToggle.rearmClosedPortWarning();
            rig.out.refuseWrite = true;

            rig.engine.lines.checkAndOut(QStringLiteral("A\rB\r"));

            QCOMPARE(rig.out.written, QByteArray());
            QCOMPARE(rig.form.texts.MessOut, QString());
            QCOMPARE(rig.logLines(),
                     open ? QStringList() : QStringList{"14:03:07 +++ COM-Port Ausgang ist nicht geöffnet"});
            QCOMPARE(rig.form.texts.Text5, QString::fromLatin1(line("B") + "\r\n" + line("A") + "\r\n"));
        }
    }

    // An overrun or a receive-buffer overflow shows its box and nothing else.
    void dataLossShowsBoxOnly()
    {
        for (int code : {SerialPortService::comEventOverrun, SerialPortService::comEventRxOver}) {
            EngineRig rig(OperatingMode::in_out);
            rig.deliver("AB");
            rig.in.blockSignals(true); // arrives without a receive event
            rig.in.deliver("C\r");
            rig.in.blockSignals(false);

            // A second loss while the box is open shows no second box.
            rig.boxes.whileShown = [&] {
                if (rig.boxes.shown.size() == 1)
                    rig.in.raise(code);
            };
            rig.in.raise(code);

            QCOMPARE(rig.boxes.texts(), QStringList{"Datenverlust!"});
            QCOMPARE(rig.form.texts.Text3, QStringLiteral("AB"));
            QCOMPARE(rig.out.written, QByteArray());
            // What waits in the port comes with the next receive event.
            rig.in.raise(SerialPortService::comEvReceive);
            QCOMPARE(rig.out.written, line("ABC"));
        }
    }

    void overlongInput_data()
    {
        QTest::addColumn<OperatingMode>("mode");
        QTest::addColumn<QByteArrayList>("events"); // what each receive event brings
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QString>("rest");
        QTest::addColumn<int>("logged"); // overflow log lines
        const QByteArray a(10000, 'a');
        const auto in_out = OperatingMode::in_out;
        const auto row = [](const char* name, OperatingMode mode, const QByteArrayList& events,
                            const QByteArray& written, const QByteArray& rest, int logged) {
            QTest::newRow(name) << mode << events << written << QString::fromLatin1(rest) << logged;
        };

        row("10000 characters pass whole", in_out, {a + "\r"}, a + "\r", "", 0);
        row("10001 lose the first", in_out, {"b" + a + "\rc"}, a + "\r", "c", 1);
        row("one report while the tail grows", in_out, {"b" + a, "xy", "z"}, "", a.sliced(3) + "xyz", 1);
        row("several in one event", OperatingMode::TagAlge, {"b" + a + "\rX\rd" + a + "\r"},
            a + "\r" + line("X") + a + "\r", "", 2);
        row("collected: 10000 kept", OperatingMode::Stopen, {QByteArray(6000, 'x'), a.first(4000)}, "",
            QByteArray(6000, 'x') + a.first(4000), 0);
        row("collected: newest kept", OperatingMode::Stopen,
            {QByteArray(6000, 'x'), QByteArray(6000, 'y'), "\r"}, "",
            QByteArray(3999, 'x') + QByteArray(6000, 'y') + "\r", 1);
    }

    void overlongInput()
    {
        QFETCH(OperatingMode, mode);
        QFETCH(QByteArrayList, events);
        QFETCH(int, logged);
        EngineRig rig(mode);
        for (const QByteArray& event : events)
            rig.deliver(event);
        QTEST(rig.out.written, "written");
        QTEST(rig.form.texts.Text3, "rest");
        QCOMPARE(rig.logLines(), QStringList(logged, Overflow));
    }

    void overflowReportedAgainAfterModeSelection()
    {
        for (const auto& [mode, log] : {std::pair{OperatingMode::Stopen, " +++ Modus Stoppen"},
                                        std::pair{OperatingMode::TagAlge, " +++ Modus Tag Heuer --> ALGE"}}) {
            EngineRig rig(mode);
            rig.deliver(QByteArray(10001, 'x'));
            rig.engine.modes.select(mode); // empties the buffer
            rig.deliver(QByteArray(10001, 'y'));
            QCOMPARE(rig.logLines(), (QStringList{Overflow, QStringLiteral("14:03:07") + log, Overflow}));
        }
    }

    void inputWhileBoxOpenIsTakenOnce()
    {
        // Pieces arrive while boxes are open, as in a modal box's event loop: the first inside the box of an
        // unreadable time, the second inside a manual-send box opened from within that one. The port raises
        // no event for them until the handler returns; then they are taken, once and in order.
        EngineRig rig;
        QList<QByteArray> arriving{"t\r..R...00007...bad\rB", "\rne"};
        QByteArrayList writtenWhileOpen;
        rig.boxes.whileShown = [&] {
            if (arriving.isEmpty())
                return;
            writtenWhileOpen << rig.deliver(arriving.takeFirst());
            if (!arriving.isEmpty())
                rig.engine.outputSend.send(QString());
        };

        const QByteArray written = rig.deliver("..R...00042...xx:01:23.45\rpar");

        QCOMPARE(written, " 0042   :  : 0.005    \r" + line("part") + line(" 0007   :  : 0.00") + line("B"));
        QCOMPARE(rig.form.texts.Text3, QStringLiteral("ne"));
        QCOMPARE(writtenWhileOpen, (QByteArrayList{"", ""}));
        QCOMPARE(rig.boxes.texts().mid(1),
                 (QStringList{"Und was ist mit dem Text", rig.boxes.texts().first()}));
    }
};

QTEST_GUILESS_MAIN(TestLineProcessor)
#include "test_line_processor.moc"
