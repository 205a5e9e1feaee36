// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Clock.h"

#include <QElapsedTimer>

#include <ctime>

QTime SystemWallClock::timeOfDay() const
{
    return QTime::currentTime();
}

SystemMonotonicClock::SystemMonotonicClock() : m_start(sinceBoot()) {}

qint64 SystemMonotonicClock::msecs() const
{
    return sinceBoot() - m_start;
}

qint64 SystemMonotonicClock::sinceBoot()
{
#ifdef CLOCK_BOOTTIME
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
#else
    return QElapsedTimer::msecsSinceReference();
#endif
}
