#include "app/FormModel.h"
#include "convert/Gaz4Line.h"

#include <QTest>

class TestGaz4Line : public QObject
{
    Q_OBJECT

private slots:
    void displayLine_data();
    void displayLine();
    void contextFollowsForm_data();
    void contextFollowsForm();
};

void TestGaz4Line::displayLine_data()
{
    QTest::addColumn<QString>("timeIn");
    QTest::addColumn<bool>("aktTime");
    QTest::addColumn<bool>("timers");
    QTest::addColumn<bool>("lap");
    QTest::addColumn<bool>("tenths");
    QTest::addColumn<QString>("line");

    // Stopped, held or fixed: the whole time with column 4 "C".
    QTest::newRow("stopped zero") << "  :  : 0.00" << false << false << false << false
                                  << "...C      :  : 0.00 ";
    QTest::newRow("stopped") << "  : 1:23.45" << false << false << false << true << "...C      : 1:23.45 ";
    QTest::newRow("lap while running")
        << "  : 1:23.45" << false << true << true << false << "...C      : 1:23.45 ";
    QTest::newRow("lap while running, tenths")
        << "  : 1:23.45" << false << true << true << true << "...C      : 1:23.45 ";
    // Running.
    QTest::newRow("running, whole seconds")
        << "  :  : 5.50" << false << true << false << false << "....      :  : 5.   ";
    QTest::newRow("running, tenths") << "  :  : 5.50" << false << true << false << true
                                     << "...C      :  : 5.5  ";
    QTest::newRow("running minutes, whole seconds")
        << "  : 1:23.45" << false << true << false << false << "....      : 1:23.   ";
    QTest::newRow("running minutes, tenths")
        << "  : 1:23.45" << false << true << false << true << "...C      : 1:23.4  ";
    // Hours move into the "00:" frame, running or not.
    QTest::newRow("hours, stopped") << " 1:02:03.45" << false << false << false << false
                                    << "...C    00: 1:02.030";
    QTest::newRow("hours, running") << " 1:02:03.45" << false << true << false << false
                                    << "...C    00: 1:02.030";
    QTest::newRow("hours, running, tenths")
        << " 1:02:03.45" << false << true << false << true << "...C    00: 1:02.030";
    QTest::newRow("full form") << "12:34:56.78" << false << false << false << false << "...C    00:12:34.560";
    // Time of day: always the frame, never the running shape.
    QTest::newRow("time of day") << "14:05:09" << true << false << false << false << "...C    00:14:05.090";
    QTest::newRow("time of day, timers on")
        << "14:05:09" << true << true << false << true << "...C    00:14:05.090";
    QTest::newRow("time of day, blank hours")
        << "  : 1:23.45" << true << true << false << false << "...C    00:  : 1.230";
    QTest::newRow("time of day, one-digit hour")
        << "9:05:09" << true << true << false << false << "...C    00:9:05:.90";
    // Short texts: the fixed positions take what is there.
    QTest::newRow("empty") << "" << false << false << false << false << "...C    00:.0";
    QTest::newRow("one character") << "7" << false << true << false << false << "...C    00:7.0";
    QTest::newRow("blanks only, stopped") << "  " << false << false << false << false << "...C       ";
    QTest::newRow("blanks only, running") << "  " << false << true << false << false << "....       .   ";
    QTest::newRow("blanks only, tenths") << "  " << false << true << false << true << "...C         ";
    QTest::newRow("twelve characters")
        << "100:00:00.00" << false << false << false << false << "...C    00:100:0.:00";
}

void TestGaz4Line::displayLine()
{
    QFETCH(QString, timeIn);
    QFETCH(bool, aktTime);
    QFETCH(bool, timers);
    QFETCH(bool, lap);
    QFETCH(bool, tenths);
    QFETCH(QString, line);

    Gaz4Context context;
    context.aktTime = aktTime;
    context.timersEnabled = timers;
    context.lapFlag = lap;
    context.dispZentel = tenths;
    QCOMPARE(Time2GAZ_Format(timeIn, context), line);
}

void TestGaz4Line::contextFollowsForm_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("timer"); // 0 none, 1..3 that timer enabled
    QTest::addColumn<bool>("lap");
    QTest::addColumn<bool>("tenths");

    QTest::newRow("stopwatch idle") << int(OperatingMode::Stopen) << 0 << false << false;
    QTest::newRow("Timer1") << int(OperatingMode::Stopen) << 1 << false << true;
    QTest::newRow("Timer2") << int(OperatingMode::AktTime) << 2 << false << false;
    QTest::newRow("Timer3 with lap") << int(OperatingMode::Timer) << 3 << true << false;
}

void TestGaz4Line::contextFollowsForm()
{
    QFETCH(int, mode);
    QFETCH(int, timer);
    QFETCH(bool, lap);
    QFETCH(bool, tenths);

    FormModel form;
    form.mode = OperatingMode(mode);
    form.timers.Timer1 = timer == 1;
    form.timers.Timer2 = timer == 2;
    form.timers.Timer3 = timer == 3;
    form.LapFlag = lap;
    form.DispZentel = tenths;

    const Gaz4Context context = Gaz4Context::of(form);
    QCOMPARE(context.aktTime, OperatingMode(mode) == OperatingMode::AktTime);
    QCOMPARE(context.timersEnabled, timer != 0);
    QCOMPARE(context.lapFlag, lap);
    QCOMPARE(context.dispZentel, tenths);
}

QTEST_GUILESS_MAIN(TestGaz4Line)
#include "test_gaz4_line.moc"
