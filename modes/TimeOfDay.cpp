#include "modes/TimeOfDay.h"

TimeOfDay::TimeOfDay(FormModel& form, const WallClock& clock, LineProcessor& lines)
    : m_form(form), m_clock(clock), m_lines(lines)
{
}
void TimeOfDay::Timer2_Timer() {}
int TimeOfDay::msecsToNextTick(const QTime&) { return 1000; }
