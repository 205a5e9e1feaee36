#include "ModesRig.h"

#include <QLocale>
#include <QTest>

class TimeOfDayTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void eachEventShowsAndSendsTheTime_data();
    void eachEventShowsAndSendsTheTime();
    void midnightRollover();
    void oneLinePerSecond();
    void firstUpdateOnlyAtTheFirstEvent();
    void twentyFourHourClockWhateverTheLocale_data();
    void twentyFourHourClockWhateverTheLocale();
    void msecsToNextTick_data();
    void msecsToNextTick();
};

void TimeOfDayTest::eachEventShowsAndSendsTheTime_data()
{
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("timeOut");
    QTest::addColumn<QString>("boardLine");

    QTest::newRow("afternoon") << QTime(14, 3, 7) << "14:03:07"
                               << "...C    00:14:03.070";
    QTest::newRow("morning, leading zeros") << QTime(8, 5, 3, 999) << "08:05:03"
                                            << "...C    00:08:05.030";
    QTest::newRow("last second of the day") << QTime(23, 59, 59) << "23:59:59"
                                            << "...C    00:23:59.590";
    QTest::newRow("midnight") << QTime(0, 0, 0) << "00:00:00"
                              << "...C    00:00:00.000";
    QTest::newRow("noon") << QTime(12, 0, 1) << "12:00:01"
                          << "...C    00:12:00.010";
}

void TimeOfDayTest::eachEventShowsAndSendsTheTime()
{
    QFETCH(QTime, time);
    QFETCH(QString, timeOut);
    QFETCH(QString, boardLine);

    ModesRig rig;
    rig.core.modes.AktTime_Click();
    rig.wall.now = time;
    rig.core.timeOfDay.Timer2_Timer();

    QCOMPARE(rig.form.TimeOut, timeOut);
    QCOMPARE(rig.MSComm2.written, (boardLine + QStringLiteral("  \r")).toLatin1());
    QVERIFY(rig.form.texts.Text5.isEmpty());
}

void TimeOfDayTest::midnightRollover()
{
    ModesRig rig;
    rig.core.modes.AktTime_Click();
    rig.wall.now = QTime(23, 59, 59, 500);
    rig.core.timeOfDay.Timer2_Timer();
    QCOMPARE(rig.form.TimeOut, QStringLiteral("23:59:59"));

    rig.wall.advanceMsecs(1000);
    rig.core.timeOfDay.Timer2_Timer();
    QCOMPARE(rig.form.TimeOut, QStringLiteral("00:00:00"));
    QCOMPARE(rig.MSComm2.written, QByteArray("...C    00:23:59.590  \r...C    00:00:00.000  \r"));
}

void TimeOfDayTest::oneLinePerSecond()
{
    ModesRig rig;
    rig.core.modes.AktTime_Click();
    rig.wall.now = QTime(14, 3, 7, 0);
    // Events every quarter second for two and a half seconds: 07, 08 and 09 reach the board once each.
    for (int i = 0; i < 10; ++i) {
        rig.core.timeOfDay.Timer2_Timer();
        rig.wall.advanceMsecs(250);
    }
    const QStringList expected{ModesRig::onPort(QStringLiteral("...C    00:14:03.070")),
                               ModesRig::onPort(QStringLiteral("...C    00:14:03.080")),
                               ModesRig::onPort(QStringLiteral("...C    00:14:03.090"))};
    QCOMPARE(rig.sent(), expected);
}

void TimeOfDayTest::firstUpdateOnlyAtTheFirstEvent()
{
    ModesRig rig;
    rig.core.modes.Stopen_Click();
    const QStringList afterStopen = rig.sent();
    rig.core.modes.AktTime_Click();
    QCOMPARE(rig.form.TimeOut, QStringLiteral("  :  : 0.  "));
    QCOMPARE(rig.sent(), afterStopen);

    rig.core.timeOfDay.Timer2_Timer();
    QCOMPARE(rig.form.TimeOut, QStringLiteral("14:03:07"));
    QCOMPARE(rig.sent().size(), afterStopen.size() + 1);
}

void TimeOfDayTest::twentyFourHourClockWhateverTheLocale_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany);
    QTest::newRow("US English, 12-hour clock") << QLocale(QLocale::English, QLocale::UnitedStates);
    QTest::newRow("Finnish, points between the fields") << QLocale(QLocale::Finnish, QLocale::Finland);
    QTest::newRow("Arabic, other digits") << QLocale(QLocale::Arabic, QLocale::Egypt);
}

void TimeOfDayTest::twentyFourHourClockWhateverTheLocale()
{
    QFETCH(QLocale, locale);
    QLocale::setDefault(locale);

    ModesRig rig;
    rig.core.modes.AktTime_Click();
    rig.wall.now = QTime(21, 4, 9);
    rig.core.timeOfDay.Timer2_Timer();
    QCOMPARE(rig.form.TimeOut, QStringLiteral("21:04:09"));
    QCOMPARE(rig.lastSent(), ModesRig::onPort(QStringLiteral("...C    00:21:04.090")));
}

void TimeOfDayTest::msecsToNextTick_data()
{
    QTest::addColumn<QTime>("now");
    QTest::addColumn<int>("msecs");

    QTest::newRow("on the second") << QTime(14, 3, 7, 0) << 1005;
    QTest::newRow("just after") << QTime(14, 3, 7, 1) << 1004;
    QTest::newRow("fired on time") << QTime(14, 3, 7, 5) << 1000;
    QTest::newRow("fired late") << QTime(14, 3, 7, 40) << 965;
    QTest::newRow("half a second") << QTime(14, 3, 7, 500) << 505;
    QTest::newRow("fired early") << QTime(14, 3, 7, 998) << 7;
    QTest::newRow("before midnight") << QTime(23, 59, 59, 999) << 6;
}

void TimeOfDayTest::msecsToNextTick()
{
    QFETCH(QTime, now);
    QFETCH(int, msecs);
    QCOMPARE(TimeOfDay::AfterSecondMsecs, 5);
    QCOMPARE(TimeOfDay::msecsToNextTick(now), msecs);
    // The event lands just after the next second has turned.
    const QTime fired = now.addMSecs(msecs);
    QCOMPARE(fired.msec(), TimeOfDay::AfterSecondMsecs);
    QCOMPARE(fired.second(), (now.second() + 1) % 60);
}

QTEST_GUILESS_MAIN(TimeOfDayTest)
#include "test_time_of_day.moc"
