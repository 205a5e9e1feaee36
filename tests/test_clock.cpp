#include "core/Clock.h"

#include <QTest>

#include <ctime>

namespace {

qint64 bootMsecs()
{
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

} // namespace

// The stopwatch's clock counts time spent suspended: it reads the boot-time clock, not the monotonic one
// (which stands still while the computer sleeps).
class TestClock : public QObject
{
    Q_OBJECT
private slots:
    void readsTheBootTimeClock()
    {
        for (int i = 0; i < 1000; ++i) {
            const qint64 before = bootMsecs();
            const qint64 read = SystemMonotonicClock::sinceBoot();
            const qint64 after = bootMsecs();
            QVERIFY2(before <= read && read <= after,
                     qPrintable(QStringLiteral("%1 <= %2 <= %3").arg(before).arg(read).arg(after)));
        }
    }

    void startsAtZeroAndNeverGoesBack()
    {
        const qint64 before = bootMsecs();
        const SystemMonotonicClock clock;
        qint64 last = clock.msecs();
        QVERIFY(last >= 0 && last <= bootMsecs() - before);
        for (int i = 0; i < 100000; ++i) {
            const qint64 now = clock.msecs();
            QVERIFY(now >= last);
            last = now;
        }
        QVERIFY(last <= bootMsecs() - before);
    }
};

QTEST_GUILESS_MAIN(TestClock)
#include "test_clock.moc"
