#include "ModesRig.h"

#include <QTest>

namespace {
// Board lines of the stopwatch and the countdown, before padding.
const QString StopwatchZero = QStringLiteral("...C      :  : 0.   ");
const QString OneMinutePreset = QStringLiteral("...C      : 1:00.   ");
const QString CountdownZero = QStringLiteral("...C      :  : 0.00 ");

QString running(int second) // running line without tenths, seconds under a minute
{
    return QStringLiteral("....      :  :%1.   ").arg(second, 2, 10, QChar(u' '));
}
} // namespace

class StopwatchTest : public QObject
{
    Q_OBJECT

private slots:
    void selectingStopenShowsAndSendsZero();
    void countedEventsCarryIntoMinutesAndHours_data();
    void countedEventsCarryIntoMinutesAndHours();
    void elapsedTimeIsReadFromTheClock_data();
    void elapsedTimeIsReadFromTheClock();
    void lateAndMergedEventsLoseNoTime();
    void hundredthsAreMeasured_data();
    void hundredthsAreMeasured();
    void runningLinesChangeOnceASecond();
    void runningLinesChangeEachTenthWithDispZentel();
    void stopShowsAndSendsTheElapsedTime_data();
    void stopShowsAndSendsTheElapsedTime();
    void startAfterStopResumes();
    void startTwiceKeepsTheRun();
    void stopWhenStoppedSendsNothingNew();
    void resetReturnsToZeroAndSendsIt();

    void countdownShowsThePresetOnSelection();
    void countdownFirstTenth();
    void countdownEndsExactlyAtThePreset();
    void countdownLengths_data();
    void countdownLengths();
    void countdownStopKeepsTheRemainingTime();
    void editingThePresetWhileRunningStopsAndShowsIt();
    void unreadablePresetShowsTheBoxAndGivesZero_data();
    void unreadablePresetShowsTheBoxAndGivesZero();

    void lapSendsOneLineThenHoldsTheBoard();
    void releasingTheLap_data();
    void releasingTheLap();
};

void StopwatchTest::selectingStopenShowsAndSendsZero()
{
    ModesRig rig;
    rig.core.modes.Stopen_Click();
    QCOMPARE(rig.form.TimeOut, QStringLiteral("  :  : 0.  "));
    QCOMPARE(rig.MSComm2.written, QByteArray("...C      :  : 0.     \r"));
    QCOMPARE(rig.watch.runningText(), QStringLiteral("00:00:00.00"));
    QVERIFY(!rig.form.timers.Timer1);
    QVERIFY(!rig.form.timers.Timer3);
}

void StopwatchTest::countedEventsCarryIntoMinutesAndHours_data()
{
    QTest::addColumn<int>("events");
    QTest::addColumn<int>("tenthCount");
    QTest::addColumn<int>("secDisp");
    QTest::addColumn<int>("minDisp");
    QTest::addColumn<int>("hourDisp");
    QTest::addColumn<QString>("timeOut");
    QTest::addColumn<QString>("boardLine");

    QTest::newRow("one second") << 10 << 10 << 1 << 0 << 0 << "  :  : 1.00" << running(1);
    QTest::newRow("one minute") << 600 << 0 << 0 << 1 << 0 << "  : 1:00.00"
                                << "....      : 1:00.   ";
    QTest::newRow("one hour") << 36000 << 0 << 0 << 0 << 1 << " 1:00:00.00"
                              << "...C    00: 1:00.000";
}

void StopwatchTest::countedEventsCarryIntoMinutesAndHours()
{
    QFETCH(int, events);
    QFETCH(int, tenthCount);
    QFETCH(int, secDisp);
    QFETCH(int, minDisp);
    QFETCH(int, hourDisp);
    QFETCH(QString, timeOut);
    QFETCH(QString, boardLine);

    ModesRig rig;
    rig.core.modes.Stopen_Click();
    rig.watch.Start_Click();
    QVERIFY(rig.form.timers.Timer1);
    QVERIFY(rig.form.timers.Timer3);
    rig.ticks(events);

    QCOMPARE(int(rig.watch.TenthCount), tenthCount);
    QCOMPARE(int(rig.watch.SecDisp), secDisp);
    QCOMPARE(int(rig.watch.MinDisp), minDisp);
    QCOMPARE(int(rig.watch.HourDisp), hourDisp);
    QCOMPARE(rig.form.TimeOut, timeOut);
    QCOMPARE(rig.lastSent(), ModesRig::onPort(boardLine));
}

void StopwatchTest::elapsedTimeIsReadFromTheClock_data()
{
    QTest::addColumn<qint64>("elapsed");
    QTest::addColumn<int>("tenthCount");
    QTest::addColumn<int>("minCount");
    QTest::addColumn<int>("hourCount");
    QTest::addColumn<QString>("timeOut");

    QTest::newRow("first tenth") << qint64(100) << 1 << 0 << 0 << "  :  : 0.10";
    QTest::newRow("late event") << qint64(350) << 3 << 0 << 0 << "  :  : 0.35";
    QTest::newRow("just before the second") << qint64(999) << 9 << 0 << 0 << "  :  : 0.99";
    QTest::newRow("the second") << qint64(1000) << 10 << 0 << 0 << "  :  : 1.00";
    QTest::newRow("just before the minute") << qint64(59999) << 599 << 0 << 0 << "  :  :59.99";
    QTest::newRow("the minute") << qint64(60000) << 0 << 1 << 0 << "  : 1:00.00";
    QTest::newRow("the hour") << qint64(3600000) << 0 << 0 << 1 << " 1:00:00.00";
    QTest::newRow("last hundredth of the day") << qint64(86399999) << 599 << 59 << 23 << "23:59:59.99";
    QTest::newRow("a day starts again at zero") << qint64(86400000) << 0 << 0 << 0 << "  :  : 0.00";
    QTest::newRow("25 hours") << qint64(90061234) << 12 << 1 << 1 << " 1:01:01.23";
}

void StopwatchTest::elapsedTimeIsReadFromTheClock()
{
    QFETCH(qint64, elapsed);
    QFETCH(int, tenthCount);
    QFETCH(int, minCount);
    QFETCH(int, hourCount);
    QFETCH(QString, timeOut);

    ModesRig rig;
    rig.core.modes.Stopen_Click();
    rig.watch.Start_Click();
    rig.mono.advance(elapsed);
    rig.watch.Timer1_Timer();

    QCOMPARE(int(rig.watch.TenthCount), tenthCount);
    QCOMPARE(int(rig.watch.MinCount), minCount);
    QCOMPARE(int(rig.watch.HourCount), hourCount);
    QCOMPARE(int(rig.watch.SecDisp), tenthCount / 10);
    QCOMPARE(int(rig.watch.MinDisp), minCount);
    QCOMPARE(int(rig.watch.HourDisp), hourCount);
    QCOMPARE(rig.form.TimeOut, timeOut);
}

void StopwatchTest::lateAndMergedEventsLoseNoTime()
{
    ModesRig rig;
    rig.core.modes.Stopen_Click();
    rig.watch.Start_Click();

    rig.tick(350); // late: three tenths have passed, not one
    QCOMPARE(int(rig.watch.TenthCount), 3);
    QCOMPARE(rig.form.TimeOut, QStringLiteral("  :  : 0.35"));

    rig.tick(50);
    QCOMPARE(int(rig.watch.TenthCount), 4);

    rig.tick(1650); // many events merged into one
    QCOMPARE(int(rig.watch.TenthCount), 20);
    QCOMPARE(int(rig.watch.SecDisp), 2);
    QCOMPARE(rig.form.TimeOut, QStringLiteral("  :  : 2.05"));
    QCOMPARE(rig.lastSent(), ModesRig::onPort(running(2)));
}

void StopwatchTest::hundredthsAreMeasured_data()
{
    QTest::addColumn<int>("timer1Events");
    QTest::addColumn<int>("afterwards");
    QTest::addColumn<QString>("runningText");

    QTest::newRow("without Timer1 events") << 0 << 1234 << "00:00:01.23";
    QTest::newRow("a second turns between the events") << 9 << 105 << "00:00:01.00";
    QTest::newRow("just before the second") << 9 << 99 << "00:00:00.99";
    QTest::newRow("a minute turns") << 600 << 1005 << "00:01:01.00";
    QTest::newRow("hours") << 0 << 3723456 << "01:02:03.45";
    QTest::newRow("after a day") << 0 << 86400019 << "00:00:00.01";
}

void StopwatchTest::hundredthsAreMeasured()
{
    QFETCH(int, timer1Events);
    QFETCH(int, afterwards);
    QFETCH(QString, runningText);

    ModesRig rig;
    rig.core.modes.Stopen_Click();
    rig.watch.Start_Click();
    rig.ticks(timer1Events);
    const QStringList before = rig.sent();

    rig.mono.advance(afterwards);
    rig.watch.Timer3_Timer();

    QCOMPARE(rig.watch.runningText(), runningText);
    QCOMPARE(rig.form.TimeOut, runningText);
    QCOMPARE(QStringLiteral("%1").arg(rig.watch.HundDisp, 2, 10, QChar(u'0')), runningText.right(2));
    QCOMPARE(rig.sent(), before); // Timer3 never updates the board
}

void StopwatchTest::runningLinesChangeOnceASecond()
{
    ModesRig rig;
    rig.core.modes.Stopen_Click();
    rig.watch.Start_Click();
    rig.ticks(35);

    const QStringList expected{ModesRig::onPort(StopwatchZero), ModesRig::onPort(running(0)),
                               ModesRig::onPort(running(1)), ModesRig::onPort(running(2)),
                               ModesRig::onPort(running(3))};
    QCOMPARE(rig.sent(), expected);
}

void StopwatchTest::runningLinesChangeEachTenthWithDispZentel()
{
    ModesRig rig;
    rig.core.modes.Stopen_Click();
    rig.watch.DispZentel_Click(true);
    QVERIFY(rig.form.DispZentel);
    rig.watch.Start_Click();
    rig.ticks(12);

    QStringList expected{ModesRig::onPort(StopwatchZero)};
    for (int tenth = 1; tenth <= 12; ++tenth)
        expected << ModesRig::onPort(
            QStringLiteral("...C      :  : %1.%2  ").arg(tenth / 10).arg(tenth % 10));
    QCOMPARE(rig.sent(), expected);

    rig.watch.DispZentel_Click(false);
    QVERIFY(!rig.form.DispZentel);
    rig.ticks(3);
    QCOMPARE(rig.sent().size(), expected.size() + 1);
    QCOMPARE(rig.lastSent(), ModesRig::onPort(running(1)));
}

void StopwatchTest::stopShowsAndSendsTheElapsedTime_data()
{
    QTest::addColumn<int>("timer1Events");
    QTest::addColumn<int>("afterwards");
    QTest::addColumn<QString>("timeOut");
    QTest::addColumn<QString>("boardLine");

    QTest::newRow("seconds") << 123 << 45 << "  :  :12.34"
                             << "...C      :  :12.34 ";
    QTest::newRow("just before a minute") << 599 << 99 << "  :  :59.99"
                                          << "...C      :  :59.99 ";
    QTest::newRow("minutes") << 834 << 56 << "  : 1:23.45"
                             << "...C      : 1:23.45 ";
    QTest::newRow("hours") << 10 << 3722456 << " 1:02:03.45"
                           << "...C    00: 1:02.030";
    QTest::newRow("right after start") << 0 << 7 << "  :  : 0.00"
                                       << "...C      :  : 0.00 ";
}

void StopwatchTest::stopShowsAndSendsTheElapsedTime()
{
    QFETCH(int, timer1Events);
    QFETCH(int, afterwards);
    QFETCH(QString, timeOut);
    QFETCH(QString, boardLine);

    ModesRig rig;
    rig.core.modes.Stopen_Click();
    rig.watch.Start_Click();
    rig.ticks(timer1Events);
    rig.mono.advance(afterwards);
    rig.watch.Timer3_Timer(); // the label holds the raw running text, as it mostly does
    rig.watch.Stop1_Click();

    QCOMPARE(rig.form.TimeOut, timeOut);
    QCOMPARE(rig.lastSent(), ModesRig::onPort(boardLine));
    QVERIFY(rig.boxes.shown.isEmpty());
    QVERIFY(!rig.form.timers.Timer1);
    QVERIFY(!rig.form.timers.Timer3);
}

void StopwatchTest::startAfterStopResumes()
{
    ModesRig rig;
    rig.core.modes.Stopen_Click();
    rig.watch.Start_Click();
    rig.ticks(12);
    rig.mono.advance(34);
    rig.watch.Stop1_Click();
    QCOMPARE(rig.form.TimeOut, QStringLiteral("  :  : 1.23"));

    rig.mono.advance(5000); // stopped time does not count
    rig.watch.Start_Click();
    rig.tick(1000);
    QCOMPARE(rig.form.TimeOut, QStringLiteral("  :  : 2.23"));
    QCOMPARE(int(rig.watch.TenthCount), 22);

    rig.mono.advance(5);
    rig.watch.Stop1_Click();
    QCOMPARE(rig.form.TimeOut, QStringLiteral("  :  : 2.23"));
    rig.mono.advance(1);
    rig.watch.Start_Click();
    rig.mono.advance(5);
    rig.watch.Stop1_Click();
    QCOMPARE(rig.form.TimeOut, QStringLiteral("  :  : 2.24"));
}

void StopwatchTest::startTwiceKeepsTheRun()
{
    ModesRig rig;
    rig.core.modes.Stopen_Click();
    rig.watch.Start_Click();
    rig.mono.advance(500);
    rig.watch.Start_Click();
    rig.tick(500);
    QCOMPARE(rig.form.TimeOut, QStringLiteral("  :  : 1.00"));
}

void StopwatchTest::stopWhenStoppedSendsNothingNew()
{
    ModesRig rig;
    rig.core.modes.Stopen_Click();
    rig.watch.Start_Click();
    rig.ticks(15);
    rig.watch.Stop1_Click();
    const QStringList afterStop = rig.sent();
    QCOMPARE(afterStop.last(), ModesRig::onPort(QStringLiteral("...C      :  : 1.50 ")));

    rig.mono.advance(700);
    rig.watch.Stop1_Click();
    QCOMPARE(rig.sent(), afterStop);
    QCOMPARE(rig.form.TimeOut, QStringLiteral("  :  : 1.50"));
}

void StopwatchTest::resetReturnsToZeroAndSendsIt()
{
    ModesRig rig;
    rig.core.modes.Stopen_Click();
    rig.watch.Start_Click();
    rig.ticks(25);
    rig.watch.Timer3_Timer();
    rig.watch.Stop1_Click();
    rig.watch.Reset_Click();

    QCOMPARE(rig.form.TimeOut, QStringLiteral("  :  : 0.  "));
    QCOMPARE(rig.lastSent(), ModesRig::onPort(StopwatchZero));
    QCOMPARE(rig.watch.runningText(), QStringLiteral("00:00:00.00"));
    QCOMPARE(int(rig.watch.TenthCount), 0);
    QCOMPARE(int(rig.watch.HundCount), 0);

    rig.watch.Start_Click();
    rig.tick();
    QCOMPARE(rig.form.TimeOut, QStringLiteral("  :  : 0.10"));

    // Reset while running stops as well.
    rig.ticks(4);
    rig.watch.Reset_Click();
    QVERIFY(!rig.form.timers.Timer1);
    QVERIFY(!rig.form.timers.Timer3);
    QCOMPARE(rig.form.TimeOut, QStringLiteral("  :  : 0.  "));
    rig.mono.advance(3000);
    rig.watch.Start_Click();
    rig.tick();
    QCOMPARE(rig.form.TimeOut, QStringLiteral("  :  : 0.10"));
}

void StopwatchTest::countdownShowsThePresetOnSelection()
{
    ModesRig rig;
    rig.core.modes.Timer_Click();
    QCOMPARE(rig.form.TimerText, QStringLiteral("00:01:00"));
    QCOMPARE(rig.form.TimeOut, QStringLiteral("  : 1:00.  "));
    QCOMPARE(rig.watch.PresetSec, 60.0);
    QCOMPARE(rig.MSComm2.written, QByteArray("...C      : 1:00.     \r"));
    QVERIFY(!rig.form.timers.Timer1);
}

void StopwatchTest::countdownFirstTenth()
{
    ModesRig rig;
    rig.core.modes.Timer_Click();
    rig.watch.Start_Click();
    QVERIFY(rig.form.timers.Timer1);
    QVERIFY(!rig.form.timers.Timer3);
    rig.tick();
    QCOMPARE(rig.form.TimeOut, QStringLiteral("  :  :59.90"));
    QCOMPARE(rig.watch.CountdownText, QStringLiteral("  :  :59.90"));
    QCOMPARE(rig.lastSent(), ModesRig::onPort(QStringLiteral("....      :  :59.   ")));
}

void StopwatchTest::countdownEndsExactlyAtThePreset()
{
    ModesRig rig;
    rig.core.modes.Timer_Click();
    rig.watch.Start_Click();
    rig.ticks(599);
    QCOMPARE(rig.form.TimeOut, QStringLiteral("  :  : 0.10"));
    QVERIFY(rig.form.timers.Timer1);
    QCOMPARE(rig.newestLogLine(), rig.logLine(QStringLiteral(" +++ Modus Timer")));
    // The preset, then one line for each second shown: 59 down to 0.
    QCOMPARE(rig.sent().size(), 61);

    rig.tick();

    QCOMPARE(rig.form.texts.Text1, rig.logLine(QStringLiteral(" +++ Timerzeit ist abgelaufen")) +
                                       rig.logLine(QStringLiteral(" +++ Modus Timer")));
    QCOMPARE(rig.sent().size(), 63);
    QCOMPARE(rig.sent().at(61), QStringLiteral("...C      : 1:00.     \r"));
    QCOMPARE(rig.sent().at(62), QStringLiteral("...C      :  : 0.00   \r"));
    QVERIFY(rig.MSComm2.written.endsWith("...C      : 1:00.     \r...C      :  : 0.00   \r"));
    QCOMPARE(rig.form.TimeOut, QStringLiteral("  :  : 0.00"));
    QVERIFY(!rig.form.timers.Timer1);
    QCOMPARE(rig.watch.PresetSec, 60.0);

    // The next run counts down from the full preset.
    rig.mono.advance(2000);
    rig.watch.Start_Click();
    rig.tick();
    QCOMPARE(rig.form.TimeOut, QStringLiteral("  :  :59.90"));
}

void StopwatchTest::countdownLengths_data()
{
    QTest::addColumn<QString>("preset");
    QTest::addColumn<int>("events");
    QTest::addColumn<QString>("lastShown");

    QTest::newRow("one minute") << "00:01:00" << 600 << "  :  : 0.10";
    QTest::newRow("tenths") << "00:00:00.3" << 3 << "  :  : 0.10";
    QTest::newRow("a minute and tenths") << "00:01:00.3" << 603 << "  :  : 0.10";
    QTest::newRow("hundredths") << "00:00:01.25" << 13 << "  :  : 0.05";
    QTest::newRow("zero ends at the first event") << "00:00:00" << 1 << QString();
}

void StopwatchTest::countdownLengths()
{
    QFETCH(QString, preset);
    QFETCH(int, events);
    QFETCH(QString, lastShown);

    ModesRig rig;
    rig.core.modes.Timer_Click();
    rig.watch.TimerText_Change(preset);
    rig.watch.Start_Click();
    rig.ticks(events - 1);
    QVERIFY(rig.form.timers.Timer1);
    if (!lastShown.isNull())
        QCOMPARE(rig.form.TimeOut, lastShown);
    QVERIFY(!rig.form.texts.Text1.contains(QStringLiteral("Timerzeit")));

    rig.tick();
    QVERIFY(!rig.form.timers.Timer1);
    QCOMPARE(rig.form.TimeOut, QStringLiteral("  :  : 0.00"));
    QCOMPARE(rig.newestLogLine(), rig.logLine(QStringLiteral(" +++ Timerzeit ist abgelaufen")));
    QCOMPARE(rig.lastSent(), ModesRig::onPort(CountdownZero));
    QVERIFY(rig.boxes.shown.isEmpty());
}

void StopwatchTest::countdownStopKeepsTheRemainingTime()
{
    ModesRig rig;
    rig.core.modes.Timer_Click();
    rig.watch.Start_Click();
    rig.ticks(15);
    rig.mono.advance(60);
    rig.watch.Stop1_Click();
    QCOMPARE(rig.form.TimeOut, QStringLiteral("  :  :58.50"));
    QCOMPARE(rig.lastSent(), ModesRig::onPort(QStringLiteral("...C      :  :58.50 ")));
    QVERIFY(!rig.form.timers.Timer1);

    rig.mono.advance(5000);
    rig.watch.Start_Click();
    rig.tick(40); // 1.6 s counted in all
    QCOMPARE(rig.form.TimeOut, QStringLiteral("  :  :58.40"));
}

void StopwatchTest::editingThePresetWhileRunningStopsAndShowsIt()
{
    ModesRig rig;
    rig.core.modes.Timer_Click();
    rig.watch.Start_Click();
    rig.ticks(50);
    QCOMPARE(rig.form.TimeOut, QStringLiteral("  :  :55.00"));

    rig.watch.TimerText_Change(QStringLiteral("00:02:00"));

    QCOMPARE(rig.form.TimerText, QStringLiteral("00:02:00"));
    QVERIFY(!rig.form.timers.Timer1);
    QCOMPARE(rig.watch.PresetSec, 120.0);
    QCOMPARE(rig.form.TimeOut, QStringLiteral("  : 2:00.  "));
    QCOMPARE(rig.lastSent(), QStringLiteral("...C      : 2:00.     \r"));

    rig.watch.Start_Click();
    rig.tick();
    QCOMPARE(rig.form.TimeOut, QStringLiteral("  : 1:59.90"));
}

void StopwatchTest::unreadablePresetShowsTheBoxAndGivesZero_data()
{
    QTest::addColumn<QString>("preset");
    QTest::newRow("empty") << QString();
    QTest::newRow("half typed") << "00:0";
    QTest::newRow("letters") << "ab:cd:ef";
}

void StopwatchTest::unreadablePresetShowsTheBoxAndGivesZero()
{
    QFETCH(QString, preset);

    ModesRig rig;
    rig.core.modes.Timer_Click();
    QVERIFY(rig.boxes.shown.isEmpty());

    rig.watch.TimerText_Change(preset);

    QCOMPARE(rig.boxes.shown.size(), 1);
    QCOMPARE(rig.boxes.shown.first().title, QStringLiteral("Format kontrollieren"));
    QCOMPARE(rig.boxes.shown.first().icon, ModalMessage::Icon::Stop);
    QCOMPARE(rig.watch.PresetSec, 0.0);
    QCOMPARE(rig.form.TimeOut, QStringLiteral("  :  : 0.  "));
    QCOMPARE(rig.lastSent(), ModesRig::onPort(StopwatchZero));

    // A preset of zero ends at the first event.
    rig.watch.Start_Click();
    rig.tick();
    QVERIFY(!rig.form.timers.Timer1);
    QCOMPARE(rig.newestLogLine(), rig.logLine(QStringLiteral(" +++ Timerzeit ist abgelaufen")));
}

void StopwatchTest::lapSendsOneLineThenHoldsTheBoard()
{
    ModesRig rig;
    rig.core.modes.Stopen_Click();
    rig.watch.Start_Click();
    rig.ticks(10);
    QCOMPARE(rig.sent().size(), 3);

    rig.watch.Lap_Click();
    QVERIFY(rig.form.LapFlag);
    QCOMPARE(rig.sent().size(), 3); // nothing at once
    rig.tick();
    QCOMPARE(rig.sent().size(), 4);
    QCOMPARE(rig.lastSent(), ModesRig::onPort(QStringLiteral("...C      :  : 1.10 ")));
    QVERIFY(rig.form.OutputHold);

    rig.ticks(20);
    QCOMPARE(rig.sent().size(), 4);
    QCOMPARE(rig.form.TimeOut, QStringLiteral("  :  : 3.10")); // the window goes on counting

    rig.watch.Lap_Click();
    rig.tick();
    QCOMPARE(rig.sent().size(), 5);
    QCOMPARE(rig.lastSent(), ModesRig::onPort(QStringLiteral("...C      :  : 3.20 ")));
    rig.ticks(10);
    QCOMPARE(rig.sent().size(), 5);
}

namespace {
enum class Release
{
    Start,
    Stop,
    Reset
};
}
Q_DECLARE_METATYPE(Release)

void StopwatchTest::releasingTheLap_data()
{
    QTest::addColumn<Release>("action");
    QTest::addColumn<QString>("boardLine");

    QTest::newRow("Start") << Release::Start << running(3);
    QTest::newRow("Stop") << Release::Stop << "...C      :  : 3.15 ";
    QTest::newRow("Reset") << Release::Reset << StopwatchZero;
}

void StopwatchTest::releasingTheLap()
{
    QFETCH(Release, action);
    QFETCH(QString, boardLine);

    ModesRig rig;
    rig.core.modes.Stopen_Click();
    rig.watch.Start_Click();
    rig.ticks(10);
    rig.watch.Lap_Click();
    rig.ticks(21);
    const int held = rig.sent().size();
    rig.mono.advance(50);

    switch (action) {
    case Release::Start:
        rig.watch.Start_Click();
        QVERIFY(rig.form.timers.Timer1);
        rig.tick(50);
        break;
    case Release::Stop:
        rig.watch.Stop1_Click();
        break;
    case Release::Reset:
        rig.watch.Reset_Click();
        break;
    }

    QVERIFY(!rig.form.LapFlag);
    QVERIFY(!rig.form.OutputHold);
    QCOMPARE(rig.sent().size(), held + 1);
    QCOMPARE(rig.lastSent(), ModesRig::onPort(boardLine));
}

QTEST_GUILESS_MAIN(StopwatchTest)
#include "test_stopwatch.moc"
