// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

class LapHold;
class LineProcessor;
class MessageLog;
class MonotonicClock;
class TimeValues;
struct FormModel;

// The stopwatch (mode Stopen) and the countdown (mode Timer). Elapsed time comes from the monotonic clock
// read at each event, so late or merged timer events lose no time; the counters and display fields follow
// the clock. The one writer of the clock face: TimeOut (the time of day shows itself through
// showTimeOfDay), TimerText, DispZentel and the timers Timer1 and Timer3.
class Stopwatch
{
public:
    // The fields of the window's state that the stopwatch writes.
    struct Face
    {
        QString& TimeOut;
        QString& TimerText;
        bool& DispZentel;
        bool& Timer1;
        bool& Timer3;
    };

    Stopwatch(const FormModel& form, Face face, LapHold& lapHold, const MonotonicClock& clock,
              const TimeValues& time, LineProcessor& lines, MessageLog& log);

    void Timer1_Timer();
    void Timer3_Timer();
    void Start_Click();
    void Stop1_Click();
    void Reset_Click();
    void Lap_Click();
    void DispZentel_Click(bool ticked);
    void TimerText_Change(const QString& text);

    // Switches Timer1 and Timer3 off and keeps the time run so far, so that Start resumes from it. Stop,
    // the reset and every mode selection stop the clock through this.
    void stopTimers();
    // The time of day's text on the label, in mode Aktuelle Zeit.
    void showTimeOfDay(const QString& text);

    // The running-time text E: HourDisp:MinDisp:SecDisp.HundDisp, each with two digits.
    QString runningText() const;

    qint16 TenthCount = 0;
    qint16 MinCount = 0;
    qint16 HourCount = 0;
    qint16 HundCount = 0;
    qint16 HourDisp = 0;
    qint16 MinDisp = 0;
    qint16 SecDisp = 0;
    qint16 HundDisp = 0;
    QString CountdownText;
    double PresetSec = 0;

    static constexpr qint64 HundredthsPerDay = 24LL * 3600 * 100;
    static inline const QString TimerExpired = QStringLiteral(" +++ Timerzeit ist abgelaufen");

private:
    qint64 elapsedMsecs() const;
    bool clockRunning() const { return m_runStart >= 0; }
    // Hundredths of the elapsed time as the stopwatch shows them: truncated, starting again after 24 hours.
    qint64 shownHundredths() const;
    // TenthCount, MinCount and HourCount for a number of elapsed tenths.
    void setCounters(qint64 tenths);
    // HourDisp, MinDisp, SecDisp and HundDisp (and HundCount) for a number of elapsed hundredths.
    void setDisplayFields(qint64 hundredths);
    // The countdown part of a Timer1 event: CountdownText for the tenths elapsed, with the end of the
    // countdown.
    void countdown(qint64 tenths);
    // The reset's label text: the first eight characters of a time's display form and ".  ".
    static QString resetText(double seconds);

    const FormModel& m_form;
    Face m_face;
    LapHold& m_lapHold;
    const MonotonicClock& m_clock;
    const TimeValues& m_time;
    LineProcessor& m_lines;
    MessageLog& m_log;

    qint64 m_banked = 0;    // elapsed milliseconds of the runs before the current one
    qint64 m_runStart = -1; // clock reading at the last Start while running, -1 when not running
};
