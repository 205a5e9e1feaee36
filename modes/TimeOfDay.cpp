// SPDX-License-Identifier: GPL-3.0-or-later
#include "modes/TimeOfDay.h"

#include "convert/LineProcessor.h"
#include "core/Clock.h"
#include "modes/Stopwatch.h"

TimeOfDay::TimeOfDay(bool& Timer2, const WallClock& clock, Stopwatch& watch, LineProcessor& lines)
    : m_timer2(Timer2), m_clock(clock), m_watch(watch), m_lines(lines)
{
}

QString TimeOfDay::timeText(const QTime& time)
{
    return time.toString(QStringLiteral("HH:mm:ss"));
}

void TimeOfDay::Timer2_Timer()
{
    m_watch.showTimeOfDay(timeText(m_clock.timeOfDay()));
    m_lines.boardUpdate();
}

int TimeOfDay::msecsToNextTick(const QTime& now)
{
    if (!now.isValid())
        return 1000;
    return 1000 - now.msec() + AfterSecondMsecs;
}
