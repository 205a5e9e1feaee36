// SPDX-License-Identifier: GPL-3.0-or-later
// The modes on the engine, and the system clock that the stopwatch and the countdown measure with.
#include "EngineRig.h"
#include "core/Clock.h"

#include <QHash>
#include <QLocale>
#include <QProcess>
#include <QTest>

#include <ctime>
#include <functional>

Q_DECLARE_METATYPE(OperatingMode)

namespace {
constexpr auto line = &BoardText::line;
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

class ModesTest : public QObject
{
    Q_OBJECT

private slots:
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
        QCOMPARE(rig.boxes.shown.size(), 1);
        QCOMPARE(rig.boxes.shown.first().title, QStringLiteral("Format kontrollieren"));
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

QTEST_GUILESS_MAIN(ModesTest)
#include "test_modes.moc"
