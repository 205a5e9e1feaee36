#include "ModesRig.h"

#include <QTest>

Q_DECLARE_METATYPE(OperatingMode)

namespace {
void select(ModesRig& rig, OperatingMode mode)
{
    switch (mode) {
    case OperatingMode::in_out:
        rig.core.modes.in_out_Click();
        break;
    case OperatingMode::TagAlge:
        rig.core.modes.TagAlge_Click();
        break;
    case OperatingMode::AktTime:
        rig.core.modes.AktTime_Click();
        break;
    case OperatingMode::Stopen:
        rig.core.modes.Stopen_Click();
        break;
    case OperatingMode::Timer:
        rig.core.modes.Timer_Click();
        break;
    }
}

const QString ClosedPortWarning = QStringLiteral(" +++ COM-Port Ausgang ist nicht geöffnet");

void addModeRows()
{
    QTest::addColumn<OperatingMode>("mode");
    QTest::newRow("in_out") << OperatingMode::in_out;
    QTest::newRow("TagAlge") << OperatingMode::TagAlge;
    QTest::newRow("AktTime") << OperatingMode::AktTime;
    QTest::newRow("Stopen") << OperatingMode::Stopen;
    QTest::newRow("Timer") << OperatingMode::Timer;
}
} // namespace

class ModeSelectionTest : public QObject
{
    Q_OBJECT

private slots:
    void selectionSetsControlsTimersAndLog_data();
    void selectionSetsControlsTimersAndLog();
    void selectingAktTimeStopsARunningStopwatch();
    void selectionReleasesALapHold_data();
    void selectionReleasesALapHold();
    void closedPortWarningComesBeforeTheModeMessage();
    void closedPortWarningOncePerSelection_data();
    void closedPortWarningOncePerSelection();
};

void ModeSelectionTest::selectionSetsControlsTimersAndLog_data()
{
    QTest::addColumn<OperatingMode>("mode");
    QTest::addColumn<bool>("timerText");
    QTest::addColumn<bool>("timeOut");
    QTest::addColumn<bool>("stopwatchButtons"); // Start, Reset, Stop1
    QTest::addColumn<bool>("dispZentel");
    QTest::addColumn<bool>("lap");
    QTest::addColumn<bool>("timer2");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("boardLine"); // what the selection sends, null for nothing

    QTest::newRow("in_out") << OperatingMode::in_out << false << false << false << false << false << false
                            << " +++ Modus Input gleich Output" << QString();
    QTest::newRow("TagAlge") << OperatingMode::TagAlge << false << true << false << true << false << false
                             << " +++ Modus Tag Heuer --> ALGE" << QString();
    QTest::newRow("AktTime") << OperatingMode::AktTime << false << true << false << false << false << true
                             << " +++ Modus Aktuelle Zeit" << QString();
    QTest::newRow("Stopen") << OperatingMode::Stopen << false << true << true << true << true << false
                            << " +++ Modus Stoppen"
                            << "...C      :  : 0.   ";
    QTest::newRow("Timer") << OperatingMode::Timer << true << true << true << true << true << false
                           << " +++ Modus Timer"
                           << "...C      : 1:00.   ";
}

void ModeSelectionTest::selectionSetsControlsTimersAndLog()
{
    QFETCH(OperatingMode, mode);
    QFETCH(bool, timerText);
    QFETCH(bool, timeOut);
    QFETCH(bool, stopwatchButtons);
    QFETCH(bool, dispZentel);
    QFETCH(bool, lap);
    QFETCH(bool, timer2);
    QFETCH(QString, message);
    QFETCH(QString, boardLine);

    ModesRig rig;
    // Every timer running, a half line in the input buffer, old output, the warning used up.
    rig.form.timers = {true, true, true};
    rig.form.texts.Text3 = QStringLiteral("..L0\t 04");
    rig.form.texts.Text5 = QStringLiteral("old line\r\r\n");
    rig.form.WarnPortClosed = false;
    rig.form.TimeOut = QStringLiteral("12:00:00");

    select(rig, mode);

    QCOMPARE(rig.form.mode, mode);
    QCOMPARE(rig.form.layout.TimerText, timerText);
    QCOMPARE(rig.form.layout.TimeOut, timeOut);
    QCOMPARE(rig.form.layout.Start, stopwatchButtons);
    QCOMPARE(rig.form.layout.Reset, stopwatchButtons);
    QCOMPARE(rig.form.layout.Stop1, stopwatchButtons);
    QCOMPARE(rig.form.layout.DispZentel, dispZentel);
    QCOMPARE(rig.form.layout.Lap, lap);

    const ModeLayout table = ModeSelection::layoutFor(mode);
    QCOMPARE(table.TimerText, timerText);
    QCOMPARE(table.TimeOut, timeOut);
    QCOMPARE(table.Start, stopwatchButtons);
    QCOMPARE(table.Reset, stopwatchButtons);
    QCOMPARE(table.Stop1, stopwatchButtons);
    QCOMPARE(table.DispZentel, dispZentel);
    QCOMPARE(table.Lap, lap);

    QVERIFY(!rig.form.timers.Timer1);
    QCOMPARE(rig.form.timers.Timer2, timer2);
    QVERIFY(!rig.form.timers.Timer3);

    QVERIFY(rig.form.texts.Text3.isEmpty());
    QVERIFY(rig.form.texts.Text5.isEmpty());
    QVERIFY(rig.form.WarnPortClosed); // the port is open, so nothing used the warning up
    QCOMPARE(rig.form.texts.Text1, rig.logLine(message));

    if (boardLine.isNull()) {
        QVERIFY(rig.sent().isEmpty());
        QCOMPARE(rig.form.TimeOut, QStringLiteral("12:00:00")); // the label keeps its text
    } else {
        QCOMPARE(rig.sent(), QStringList{ModesRig::onPort(boardLine)});
    }
}

void ModeSelectionTest::selectingAktTimeStopsARunningStopwatch()
{
    ModesRig rig;
    rig.core.modes.Stopen_Click();
    rig.watch.Start_Click();
    rig.ticks(25);
    const QStringList before = rig.sent();

    rig.core.modes.AktTime_Click();
    QVERIFY(!rig.form.timers.Timer1);
    QVERIFY(!rig.form.timers.Timer3);
    QVERIFY(rig.form.timers.Timer2);
    QCOMPARE(int(rig.watch.TenthCount), 25); // the count stays until a reset
    QCOMPARE(rig.sent(), before);            // nothing until the first time-of-day event

    rig.core.timeOfDay.Timer2_Timer();
    QCOMPARE(rig.lastSent(), ModesRig::onPort(QStringLiteral("...C    00:14:03.070")));

    // Back in Stopen the stopwatch starts from zero again.
    rig.mono.advance(4000);
    rig.core.modes.Stopen_Click();
    QCOMPARE(int(rig.watch.TenthCount), 0);
    rig.watch.Start_Click();
    rig.tick();
    QCOMPARE(rig.form.TimeOut, QStringLiteral("  :  : 0.10"));
}

void ModeSelectionTest::selectionReleasesALapHold_data()
{
    addModeRows();
}

void ModeSelectionTest::selectionReleasesALapHold()
{
    QFETCH(OperatingMode, mode);

    ModesRig rig;
    rig.core.modes.Stopen_Click();
    rig.watch.Start_Click();
    rig.ticks(3);
    rig.watch.Lap_Click();
    rig.ticks(2);
    QVERIFY(rig.form.OutputHold);

    select(rig, mode);

    QVERIFY(!rig.form.LapFlag);
    QVERIFY(!rig.form.OutputHold);
    rig.core.lines.checkAndOut(QStringLiteral("XYZ\r"));
    QCOMPARE(rig.lastSent(), QStringLiteral("XYZ                   \r"));
}

void ModeSelectionTest::closedPortWarningComesBeforeTheModeMessage()
{
    ModesRig rig(false);
    rig.core.modes.Stopen_Click();

    QCOMPARE(rig.form.texts.Text1,
             rig.logLine(QStringLiteral(" +++ Modus Stoppen")) + rig.logLine(ClosedPortWarning));
    QVERIFY(rig.MSComm2.written.isEmpty());
    QVERIFY(!rig.form.WarnPortClosed);

    // The warning comes once: the running stopwatch's lines go nowhere without another word.
    rig.watch.Start_Click();
    rig.ticks(30);
    rig.watch.Stop1_Click();
    QCOMPARE(rig.form.texts.Text1.count(ClosedPortWarning), 1);
    QCOMPARE(rig.newestLogLine(), rig.logLine(QStringLiteral(" +++ Modus Stoppen")));
    QVERIFY(rig.MSComm2.written.isEmpty());
}

void ModeSelectionTest::closedPortWarningOncePerSelection_data()
{
    QTest::addColumn<OperatingMode>("mode");
    QTest::addColumn<bool>("warned");

    // Only the stopwatch modes send a line at the selection itself; the new line differs from the
    // stopwatch's stop line left on the board.
    QTest::newRow("in_out") << OperatingMode::in_out << false;
    QTest::newRow("AktTime") << OperatingMode::AktTime << false;
    QTest::newRow("Stopen") << OperatingMode::Stopen << true;
    QTest::newRow("Timer") << OperatingMode::Timer << true;
}

void ModeSelectionTest::closedPortWarningOncePerSelection()
{
    QFETCH(OperatingMode, mode);
    QFETCH(bool, warned);

    ModesRig rig(false);
    rig.core.modes.Stopen_Click();
    rig.watch.Start_Click();
    rig.ticks(12);
    rig.watch.Stop1_Click();
    rig.form.texts.Text1.clear();

    select(rig, mode);

    QString expected = rig.logLine(ModeSelection::logMessage(mode));
    if (warned)
        expected += rig.logLine(ClosedPortWarning);
    QCOMPARE(rig.form.texts.Text1, expected);
    QCOMPARE(rig.form.WarnPortClosed, !warned);
}

QTEST_GUILESS_MAIN(ModeSelectionTest)
#include "test_mode_selection.moc"
