// SPDX-License-Identifier: GPL-3.0-or-later
#include "modes/Stopwatch.h"

#include "convert/LineProcessor.h"
#include "convert/TimeValues.h"
#include "core/Clock.h"
#include "core/FormModel.h"
#include "core/LapHold.h"
#include "core/MessageLog.h"

namespace {
constexpr qint64 TenthsPerMinute = 600;
constexpr qint64 TenthsPerHour = 60 * TenthsPerMinute;
constexpr qint64 TenthsPerDay = 24 * TenthsPerHour;
} // namespace

Stopwatch::Stopwatch(const FormModel& form, Face face, LapHold& lapHold, const MonotonicClock& clock,
                     const TimeValues& time, LineProcessor& lines, MessageLog& log)
    : m_form(form), m_face(face), m_lapHold(lapHold), m_clock(clock), m_time(time), m_lines(lines), m_log(log)
{
}

qint64 Stopwatch::elapsedMsecs() const
{
    if (!clockRunning())
        return m_banked;
    return m_banked + qMax<qint64>(0, m_clock.msecs() - m_runStart);
}

qint64 Stopwatch::shownHundredths() const
{
    return (elapsedMsecs() / 10) % HundredthsPerDay;
}

void Stopwatch::setCounters(qint64 tenths)
{
    const qint64 t = tenths % TenthsPerDay;
    HourCount = static_cast<qint16>(t / TenthsPerHour);
    MinCount = static_cast<qint16>(t / TenthsPerMinute % 60);
    TenthCount = static_cast<qint16>(t % TenthsPerMinute);
}

void Stopwatch::setDisplayFields(qint64 hundredths)
{
    const qint64 seconds = hundredths / 100;
    HundCount = HundDisp = static_cast<qint16>(hundredths % 100);
    SecDisp = static_cast<qint16>(seconds % 60);
    MinDisp = static_cast<qint16>(seconds / 60 % 60);
    HourDisp = static_cast<qint16>(seconds / 3600 % 24);
}

QString Stopwatch::runningText() const
{
    const QChar zero(u'0');
    return QStringLiteral("%1:%2:%3.%4")
        .arg(HourDisp, 2, 10, zero)
        .arg(MinDisp, 2, 10, zero)
        .arg(SecDisp, 2, 10, zero)
        .arg(HundDisp, 2, 10, zero);
}

QString Stopwatch::resetText(double seconds)
{
    return TimeValues::SetTimeFormat(seconds).left(8) + QStringLiteral(".  ");
}

void Stopwatch::stopTimers()
{
    if (clockRunning()) {
        m_banked += qMax<qint64>(0, m_clock.msecs() - m_runStart);
        m_runStart = -1;
    }
    m_face.Timer1 = false;
    m_face.Timer3 = false;
}

void Stopwatch::Timer1_Timer()
{
    const qint64 elapsed = elapsedMsecs();
    const qint64 tenths = elapsed / 100;
    setCounters(tenths);
    SecDisp = static_cast<qint16>(TenthCount / 10);
    MinDisp = MinCount;
    HourDisp = HourCount;

    if (m_form.isMode(OperatingMode::Stopen)) {
        // The hundredths come from the same reading as the tenths, so the label never pairs a new second
        // with the hundredths of the one before.
        const qint64 hundredths = (elapsed / 10) % HundredthsPerDay;
        setDisplayFields(hundredths);
        m_face.TimeOut = TimeValues::SetTimeFormat(static_cast<double>(hundredths) / 100.0);
    } else if (m_form.isMode(OperatingMode::Timer)) {
        CountdownText = runningText();
        countdown(tenths);
        m_face.TimeOut = CountdownText;
    }
    m_lines.boardUpdate();
}

void Stopwatch::countdown(qint64 tenths)
{
    // In whole hundredths, so that a preset such as 60.3 s ends at its 603rd tenth and not one tenth later
    // for a rounding error in the last bit.
    const qint64 remaining = qRound64(PresetSec * 100.0) - tenths * 10;
    if (remaining <= 0) {
        CountdownText = TimeValues::SetTimeFormat(0);
        if (m_form.timers.Timer1) {
            m_log.WriteLog(TimerExpired);
            Reset_Click();
        }
    } else {
        CountdownText = TimeValues::SetTimeFormat(static_cast<double>(remaining) / 100.0);
    }
}

void Stopwatch::Timer3_Timer()
{
    setDisplayFields(shownHundredths());
    m_face.TimeOut = runningText();
}

void Stopwatch::Start_Click()
{
    const bool stopen = m_form.isMode(OperatingMode::Stopen);
    const bool timer = m_form.isMode(OperatingMode::Timer);
    if (stopen || timer) {
        if (!clockRunning())
            m_runStart = m_clock.msecs();
        m_face.Timer1 = true;
        if (stopen)
            m_face.Timer3 = true;
    }
    m_lapHold.release();
}

void Stopwatch::Stop1_Click()
{
    m_lapHold.release();
    const bool showStopTime = m_form.isMode(OperatingMode::Stopen) && m_form.timers.Timer1;
    stopTimers();
    if (showStopTime) {
        // The stop time is the elapsed time itself, to the hundredth, not a reading of the label.
        const qint64 hundredths = shownHundredths();
        setCounters(m_banked / 100);
        setDisplayFields(hundredths);
        m_face.TimeOut = TimeValues::SetTimeFormat(static_cast<double>(hundredths) / 100.0);
    }
    m_lines.boardUpdate();
}

void Stopwatch::Reset_Click()
{
    const bool stopen = m_form.isMode(OperatingMode::Stopen);
    const bool timer = m_form.isMode(OperatingMode::Timer);
    if (stopen || timer) {
        TenthCount = MinCount = HourCount = HundCount = 0;
        stopTimers();
        m_banked = 0;
        m_lapHold.release();
        if (timer) {
            PresetSec = m_time.Get_Sec(m_form.TimerText);
            m_face.TimeOut = resetText(PresetSec);
        } else {
            m_face.TimeOut = resetText(0);
        }
        m_lines.boardUpdate();
    }
    HourDisp = MinDisp = SecDisp = HundDisp = 0;
    m_lapHold.clearLap();
}

void Stopwatch::Lap_Click()
{
    m_lapHold.lap();
}

void Stopwatch::DispZentel_Click(bool ticked)
{
    m_face.DispZentel = ticked;
}

void Stopwatch::TimerText_Change(const QString& text)
{
    m_face.TimerText = text;
    Reset_Click();
}

void Stopwatch::showTimeOfDay(const QString& text)
{
    m_face.TimeOut = text;
}
