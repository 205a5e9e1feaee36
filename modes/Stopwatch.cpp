#include "modes/Stopwatch.h"

#include "app/FormModel.h"

Stopwatch::Stopwatch(FormModel& form, const MonotonicClock& clock, const TimeValues& time, LineProcessor& lines,
                     MessageLog& log)
    : m_form(form), m_clock(clock), m_time(time), m_lines(lines), m_log(log)
{
}
void Stopwatch::Timer1_Timer() {}
void Stopwatch::Timer3_Timer() {}
void Stopwatch::Start_Click() {}
void Stopwatch::Stop1_Click() {}
void Stopwatch::Reset_Click() {}
void Stopwatch::Lap_Click() {}
void Stopwatch::DispZentel_Click(bool ticked) { m_form.DispZentel = ticked; }
void Stopwatch::TimerText_Change(const QString& text) { m_form.TimerText = text; }
QString Stopwatch::runningText() const { return {}; }
qint64 Stopwatch::elapsedMsecs() const { return 0; }
