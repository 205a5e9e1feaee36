#pragma once

#include <QString>
#include <QTime>

class LineProcessor;
class WallClock;
struct FormModel;

// Mode "Aktuelle Zeit": once a second the time of day goes to TimeOut and the board.
class TimeOfDay
{
public:
    // Timer2 fires this long after the wall-clock second turns.
    static constexpr int AfterSecondMsecs = 5;

    TimeOfDay(FormModel& form, const WallClock& clock, LineProcessor& lines);

    void Timer2_Timer();

    // Milliseconds from now until just after the next second turns.
    static int msecsToNextTick(const QTime& now);

    // The time of day as the board expects it: HH:MM:SS on the 24-hour clock, whatever the locale.
    static QString timeText(const QTime& time);

private:
    FormModel& m_form;
    const WallClock& m_clock;
    LineProcessor& m_lines;
};
