// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTime>

// The time of day, as the wall clock shows it. Injected so that tests can set it.
class WallClock
{
public:
    virtual ~WallClock() = default;
    virtual QTime timeOfDay() const = 0;
};

// A clock that only moves forward, for measuring elapsed time. Injected so that tests can advance it.
class MonotonicClock
{
public:
    virtual ~MonotonicClock() = default;
    virtual qint64 msecs() const = 0;
};

class SystemWallClock : public WallClock
{
public:
    QTime timeOfDay() const override;
};

// Milliseconds since it was created, counting the time the computer spent suspended, so that a stopwatch
// keeps the true elapsed time across a closed lid.
class SystemMonotonicClock : public MonotonicClock
{
public:
    SystemMonotonicClock();
    qint64 msecs() const override;

    // The clock it reads: milliseconds since boot, suspended time included (where the system counts it).
    static qint64 sinceBoot();

private:
    qint64 m_start;
};
