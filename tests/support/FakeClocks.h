// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Clock.h"

// A wall clock that stands still until a test moves it.
class FakeWallClock : public WallClock
{
public:
    QTime timeOfDay() const override { return now; }
    void advanceMsecs(int msecs) { now = now.addMSecs(msecs); }
    QTime now{14, 3, 7};
};

// A monotonic clock that only moves when a test advances it.
class FakeMonotonicClock : public MonotonicClock
{
public:
    qint64 msecs() const override { return now; }
    void advance(qint64 msecs) { now += msecs; }
    qint64 now = 1000;
};
