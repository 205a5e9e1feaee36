#include "modes/TimeOfDay.h"

#include "convert/LineProcessor.h"
#include "core/Clock.h"
#include "core/FormModel.h"

TimeOfDay::TimeOfDay(FormModel& form, const WallClock& clock, LineProcessor& lines)
    : m_form(form), m_clock(clock), m_lines(lines)
{
}

QString TimeOfDay::timeText(const QTime& time)
{
    const QChar zero(u'0');
    return QStringLiteral("%1:%2:%3")
        .arg(time.hour(), 2, 10, zero)
        .arg(time.minute(), 2, 10, zero)
        .arg(time.second(), 2, 10, zero);
}

void TimeOfDay::Timer2_Timer()
{
    m_form.TimeOut = timeText(m_clock.timeOfDay());
    m_lines.boardUpdate();
}

int TimeOfDay::msecsToNextTick(const QTime& now)
{
    if (!now.isValid())
        return 1000;
    return 1000 - now.msec() + AfterSecondMsecs;
}
