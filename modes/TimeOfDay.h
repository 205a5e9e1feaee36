// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTime>

class LineProcessor;
class Stopwatch;
class WallClock;

// Mode "Aktuelle Zeit": once a second the time of day goes to TimeOut and the board. The one writer of the
// time-of-day timer's switch (Timer2).
class TimeOfDay
{
public:
    // Timer2 fires this long after the wall-clock second turns.
    static constexpr int AfterSecondMsecs = 5;

    TimeOfDay(bool& Timer2, const WallClock& clock, Stopwatch& watch, LineProcessor& lines);

    void Timer2_Timer();
    // Switches Timer2 on in mode Aktuelle Zeit and off otherwise.
    void run(bool on) { m_timer2 = on; }

    // Milliseconds from now until just after the next second turns.
    static int msecsToNextTick(const QTime& now);

    // The time of day as the board expects it: HH:MM:SS on the 24-hour clock, whatever the locale.
    static QString timeText(const QTime& time);

private:
    bool& m_timer2;
    const WallClock& m_clock;
    Stopwatch& m_watch;
    LineProcessor& m_lines;
};
