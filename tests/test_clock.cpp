// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Clock.h"

#include <QProcess>
#include <QTest>

#include <ctime>

namespace {

qint64 msecsOf(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

qint64 bootMsecs()
{
    return msecsOf(CLOCK_BOOTTIME);
}

// Set in the copy of this test that runs in a time namespace whose boot time is a day ahead.
const char* const DayAsleep = "BRELOX_TEST_DAY_ASLEEP";

} // namespace

// The stopwatch's clock counts time spent suspended: it reads the boot-time clock, not the monotonic one
// (which stands still while the computer sleeps).
class TestClock : public QObject
{
    Q_OBJECT
private slots:
    // Read against the boot-time clock itself: the stopwatch's time starts at zero and never goes back.
    void readsTheBootTimeClockFromZero()
    {
        const qint64 start = bootMsecs();
        const SystemMonotonicClock clock;
        qint64 last = 0;
        for (int i = 0; i < 10000; ++i) {
            const qint64 before = bootMsecs();
            const qint64 read = SystemMonotonicClock::sinceBoot();
            const qint64 elapsed = clock.msecs();
            const qint64 after = bootMsecs();
            QVERIFY(before <= read && read <= after && last <= elapsed && elapsed <= after - start);
            last = elapsed;
        }
    }

    // A computer that slept for a day: its boot time is a day ahead of the monotonic time. The test runs
    // itself again in a time namespace that makes it so (root only; skipped where namespaces are refused).
    void countsTimeSpentAsleep()
    {
        const qint64 day = 86400 * 1000;
        if (qEnvironmentVariableIsSet(DayAsleep)) {
            const qint64 monotonic = msecsOf(CLOCK_MONOTONIC);
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
};

QTEST_GUILESS_MAIN(TestClock)
#include "test_clock.moc"
