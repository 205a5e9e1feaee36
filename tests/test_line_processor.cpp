// SPDX-License-Identifier: GPL-3.0-or-later
// convert/: time texts, display lines, board lines and the receive path that feeds them; modes/: the modes
// on the engine, and the system clock that the stopwatch and the countdown measure with.

#include "EngineRig.h"
#include "core/Clock.h"

#include <QHash>
#include <QLocale>
#include <QProcess>
#include <QTest>

#include <ctime>
#include <functional>

namespace {

const QByteArray L0 = BoardText::l0("042", "00:01:23.45");
const QByteArray L0Out = BoardText::l0Line("042", "00:01:23.45");
const QByteArray L1 = "..L1\t  12\r";
const QByteArray R = "..R...00042...00:01:23.45\r";
const QByteArray ROut = " 0042   : 1:23.455    \r";
const QByteArray Letters = "ABCDEFGHIJKLMNOPQRSTU";
const QString Overflow = QStringLiteral("14:03:07 +++ Eingangspuffer übergelaufen, Zeichen verworfen");

const auto line = &BoardText::line;

const QString Stoppen = QStringLiteral(" +++ Modus Stoppen");

// Selects Stopen, then plays a script of steps separated by blanks: Timer and AktTime select the mode;
// Start, Stop, Reset, Lap and Zentel (tenths on) press the button; Timer2 is a time-of-day event; "=text"
// types the countdown preset; "+N" moves the clock N ms without an event (Timer2 moves the wall clock a
// second after its event); "Nms" is one Timer1 event N ms after the last and "Nx" N events 100 ms apart.
void play(EngineRig& rig, const QString& script)
{
    Stopwatch& w = rig.engine.watch;
    const QHash<QString, std::function<void()>> buttons{
        {"Timer", [&] { rig.engine.modes.select(OperatingMode::Timer); }},
        {"AktTime", [&] { rig.engine.modes.select(OperatingMode::AktTime); }},
        {"Start", [&] { w.Start_Click(); }},
        {"Stop", [&] { w.Stop1_Click(); }},
        {"Reset", [&] { w.Reset_Click(); }},
        {"Lap", [&] { w.Lap_Click(); }},
        {"Zentel", [&] { w.DispZentel_Click(true); }},
        {"Timer2", [&] {
             rig.engine.timeOfDay.Timer2_Timer();
             rig.wall.advanceMsecs(1000);
         }}};
    rig.engine.modes.select(OperatingMode::Stopen);
    for (const QString& step : script.split(u' ')) {
        if (buttons.contains(step))
            buttons[step]();
        else if (step.startsWith(u'='))
            w.TimerText_Change(step.mid(1));
        else if (step.startsWith(u'+'))
            rig.mono.advance(step.toInt());
        else if (step.endsWith(QLatin1String("ms")))
            rig.tick(step.chopped(2).toInt());
        else if (step.endsWith(u'x'))
            for (int i = step.chopped(1).toInt(); i > 0; --i)
                rig.tick();
        else
            QFAIL(qPrintable(step));
    }
}

// Set in the copy of this test that runs in a time namespace whose boot time is a day ahead.
const char* const DayAsleep = "BRELOX_TEST_DAY_ASLEEP";

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

    // The stopwatch's clock reads the boot-time clock, which counts time asleep (the monotonic one stands
    // still then): the test runs itself again in a time namespace whose boot time is a day ahead (root only).
    void countsTimeSpentAsleep()
    {
        const qint64 day = 86400 * 1000;
        if (qEnvironmentVariableIsSet(DayAsleep)) {
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            const qint64 monotonic = qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
            QVERIFY(SystemMonotonicClock::sinceBoot() - monotonic >= day - 1000);
            return;
        }
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(DayAsleep, "1");
        child.setProcessEnvironment(env);
        child.start("unshare", {"--time", "--boottime", "86400", QCoreApplication::applicationFilePath(),
                                "countsTimeSpentAsleep"});
        if (!child.waitForFinished(60000) || child.exitStatus() != QProcess::NormalExit)
            QSKIP("unshare is not available");
        const QByteArray output = child.readAllStandardOutput() + child.readAllStandardError();
        if (output.contains("unshare failed"))
            QSKIP("time namespaces are refused here");
        QVERIFY2(child.exitCode() == 0, output.constData());
    }

    // Each row's tag is its script (see play()).
    void stopwatch_data()
    {
        QTest::addColumn<bool>("timer1");
        QTest::addColumn<QString>("timeOut");
        QTest::addColumn<QByteArray>("lastLines"); // the last bytes sent
        // The stopwatch: late and merged events lose no time; running lines once a second, or each tenth
        // with Zentel; Stop shows and sends the time to the hundredth; Start resumes; Reset starts again.
        QTest::newRow("Start 36000x") << true << " 1:00:00.00" << line("...C    00: 1:00.000");
        QTest::newRow("Start 350ms 100ms 1600ms") << true << "  :  : 2.05" << line("....      :  : 2.");
        QTest::newRow("Start 15x") << true << "  :  : 1.50"
                                   << line("....      :  : 0.") + line("....      :  : 1.");
        QTest::newRow("Zentel Start 11x")
            << true << "  :  : 1.10" << line("...C      :  : 1.0") + line("...C      :  : 1.1");
        QTest::newRow("Start 123x +45 Stop") << false << "  :  :12.34" << line("...C      :  :12.34");
        QTest::newRow("Start 9x Stop +99 Start 9x Stop")
            << false << "  :  : 1.80" << line("...C      :  : 1.80");
        QTest::newRow("Start 25x Reset +99 Start 1x")
            << true << "  :  : 0.10" << line("...C      :  : 0.") + line("....      :  : 0.");
        // The countdown from its preset of one minute, to zero and the preset line; a new preset stops it.
        QTest::newRow("Timer Start 1x") << true << "  :  :59.90" << line("....      :  :59.");
        QTest::newRow("Timer Start 600x")
            << false << "  :  : 0.00"
            << line("....      :  : 0.") + line("...C      : 1:00.") + line("...C      :  : 0.00");
        QTest::newRow("Timer Start 50x =00:02:00") << false << "  : 2:00.  " << line("...C      : 2:00.");
        // Counted in whole hundredths: 1.15 s is 114.99... hundredths as a double.
        QTest::newRow("Timer =00:00:01.15 Start 1x") << true << "  :  : 1.05" << line("....      :  : 1.");
        // A lap sends one line and holds the board until the next lap, Start, Stop, Reset or another mode.
        const QByteArray lap = line("...C      :  : 0.10");
        QTest::newRow("Start Lap 21x") << true << "  :  : 2.10" << lap;
        QTest::newRow("Start Lap 21x Lap 11x") << true << "  :  : 3.20" << lap + line("...C      :  : 2.20");
        QTest::newRow("Start Lap 21x Start 1x") << true << "  :  : 2.20" << lap + line("....      :  : 2.");
        QTest::newRow("Start Lap 21x Stop") << false << "  :  : 2.10" << lap + line("...C      :  : 2.10");
        QTest::newRow("Start Lap 21x Reset") << false << "  :  : 0.  " << lap + line("...C      :  : 0.");
        QTest::newRow("Start Lap 21x AktTime Timer2 Timer2")
            << false << "14:03:08" << lap + line("...C    00:14:03.070") + line("...C    00:14:03.080");
    }

    void stopwatch()
    {
        QFETCH(QByteArray, lastLines);
        EngineRig rig;
        play(rig, QString::fromLatin1(QTest::currentDataTag()));
        QTEST(rig.form.timers.Timer1, "timer1");
        QTEST(rig.form.TimeOut, "timeOut");
        QCOMPARE(rig.out.written.right(lastLines.size()), lastLines);
    }

    // What each mode shows and runs, the emptied buffers and the log line.
    void selection_data()
    {
        QTest::addColumn<QString>("log");
        QTest::addColumn<OperatingMode>("mode");
        QTest::addColumn<QString>("on"); // visible controls and running timers
        QTest::newRow("in_out") << " +++ Modus Input gleich Output" << OperatingMode::in_out << "";
        QTest::newRow("TagAlge") << " +++ Modus Tag Heuer --> ALGE" << OperatingMode::TagAlge
                                 << "TimeOut DispZentel";
        QTest::newRow("AktTime") << " +++ Modus Aktuelle Zeit" << OperatingMode::AktTime << "TimeOut Timer2";
        QTest::newRow("Stopen") << Stoppen << OperatingMode::Stopen
                                << "TimeOut Start Reset Stop1 DispZentel Lap";
        QTest::newRow("Timer") << " +++ Modus Timer" << OperatingMode::Timer
                               << "TimerText TimeOut Start Reset Stop1 DispZentel Lap";
    }

    void selection()
    {
        QFETCH(QString, log);
        QFETCH(OperatingMode, mode);
        // From a running stopwatch (Timer1, Timer3, every stopwatch control), from the time of day (Timer2)
        // and from the countdown (TimerText), each with both buffers filled.
        for (const OperatingMode before :
             {OperatingMode::Stopen, OperatingMode::AktTime, OperatingMode::Timer}) {
            EngineRig rig(before);
            rig.engine.watch.Start_Click();
            rig.tick();
            rig.engine.lines.checkAndOut(QStringLiteral("old line\r"));
            rig.deliver("..L0\t 04");
            QVERIFY(!rig.form.texts.Text3.isEmpty() && !rig.form.texts.Text5.isEmpty());
            rig.settle();

            rig.engine.modes.select(mode);

            const ModeLayout& l = rig.form.layout;
            const TimerSwitches& t = rig.form.timers;
            const bool flags[] = {l.TimerText,  l.TimeOut, l.Start,  l.Reset,  l.Stop1,
                                  l.DispZentel, l.Lap,     t.Timer1, t.Timer2, t.Timer3};
            const char* const names[] = {"TimerText",  "TimeOut", "Start",  "Reset",  "Stop1",
                                         "DispZentel", "Lap",     "Timer1", "Timer2", "Timer3"};
            QStringList shown;
            for (int i = 0; i < 10; ++i)
                if (flags[i])
                    shown << names[i];
            QTEST(shown.join(u' '), "on");
            QCOMPARE(rig.form.texts.Text3, QString()); // in Stopen and Timer the reset's line may start Text5
            if (mode != OperatingMode::Stopen && mode != OperatingMode::Timer)
                QCOMPARE(rig.form.texts.Text5, QString());
            QCOMPARE(rig.logLines(), QStringList{"14:03:07" + log});
        }
    }

    // The end of the countdown goes to the log; an unreadable preset brings the format box and counts as
    // zero.
    void countdownMessages()
    {
        EngineRig rig;
        play(rig, QStringLiteral("Timer Start 600x"));
        QCOMPARE(rig.logLines().first(), QStringLiteral("14:03:07 +++ Timerzeit ist abgelaufen"));
        rig.engine.watch.TimerText_Change(QStringLiteral("ab:cd"));
        QCOMPARE(rig.form.TimeOut, QStringLiteral("  :  : 0.  "));
        QVERIFY(rig.boxes.shown.size() == 1 && rig.boxes.shown[0].title == "Format kontrollieren");
    }

    // The reset's line finds the output port closed: the warning comes first, so it is logged below.
    void closedOutputWarnsBeforeTheModeMessage()
    {
        EngineRig rig(OperatingMode::TagAlge, false);
        rig.engine.modes.select(OperatingMode::Stopen);
        QCOMPARE(rig.logLines(),
                 QStringList({"14:03:07" + Stoppen, "14:03:07 +++ COM-Port Ausgang ist nicht geöffnet"}));
    }

    // Events four times a second across midnight, under a German default locale: the board gets one line a
    // second, always HH:MM:SS on the 24-hour clock.
    void timeOfDay()
    {
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        EngineRig rig;
        rig.engine.modes.select(OperatingMode::AktTime);
        rig.wall.now = QTime(23, 59, 59, 500);
        for (int i = 0; i < 8; ++i, rig.wall.advanceMsecs(250)) // four events in each second
            rig.engine.timeOfDay.Timer2_Timer();
        QLocale::setDefault(before);
        QCOMPARE(rig.form.TimeOut, QStringLiteral("00:00:01"));
        QCOMPARE(rig.out.written,
                 line("...C    00:23:59.590") + line("...C    00:00:00.000") + line("...C    00:00:00.010"));
    }

    // The next tick comes 5 ms after the next second turns.
    void msecsToNextTick()
    {
        QCOMPARE(TimeOfDay::msecsToNextTick(QTime(14, 3, 7, 0)), 1005);
        QCOMPARE(TimeOfDay::msecsToNextTick(QTime(14, 3, 7, 40)), 965);
        QCOMPARE(TimeOfDay::msecsToNextTick(QTime(23, 59, 59, 998)), 7);
    }
};

QTEST_GUILESS_MAIN(TestLineProcessor)
#include "test_line_processor.moc"
