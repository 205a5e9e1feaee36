#include "core/Clock.h"

QTime SystemWallClock::timeOfDay() const
{
    return QTime::currentTime();
}

SystemMonotonicClock::SystemMonotonicClock()
{
    m_timer.start();
}

qint64 SystemMonotonicClock::msecs() const
{
    return m_timer.elapsed();
}
