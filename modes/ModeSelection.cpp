#include "modes/ModeSelection.h"

#include "core/MessageLog.h"
#include "modes/Stopwatch.h"

ModeSelection::ModeSelection(FormModel& form, Stopwatch& watch, MessageLog& log)
    : m_form(form), m_watch(watch), m_log(log)
{
}

void ModeSelection::select(OperatingMode mode)
{
    const bool stopwatchMode = mode == OperatingMode::Stopen || mode == OperatingMode::Timer;

    m_form.layout = layoutFor(mode);
    m_form.texts.Text3.clear();
    m_form.texts.Text5.clear();
    m_form.mode = mode;
    m_form.timers.Timer2 = mode == OperatingMode::AktTime;
    // Timer1 and Timer3 go off in every mode; the stopwatch keeps the time run so far.
    m_watch.stopTimers();
    m_form.WarnPortClosed = true;
    // A lap hold left from the stopwatch would otherwise block every line of the new mode, with no
    // button to release it.
    m_form.LapFlag = false;
    m_form.OutputHold = false;
    if (stopwatchMode)
        m_watch.Reset_Click();
    m_log.WriteLog(logMessage(mode));
}

ModeLayout ModeSelection::layoutFor(OperatingMode mode)
{
    ModeLayout l;
    const bool stopwatchMode = mode == OperatingMode::Stopen || mode == OperatingMode::Timer;
    l.TimerText = mode == OperatingMode::Timer;
    l.TimeOut = mode != OperatingMode::in_out;
    l.Start = stopwatchMode;
    l.Reset = stopwatchMode;
    l.Stop1 = stopwatchMode;
    l.DispZentel = stopwatchMode || mode == OperatingMode::TagAlge;
    l.Lap = stopwatchMode;
    return l;
}

QString ModeSelection::logMessage(OperatingMode mode)
{
    switch (mode) {
    case OperatingMode::in_out:
        return QStringLiteral(" +++ Modus Input gleich Output");
    case OperatingMode::TagAlge:
        return QStringLiteral(" +++ Modus Tag Heuer --> ALGE");
    case OperatingMode::AktTime:
        return QStringLiteral(" +++ Modus Aktuelle Zeit");
    case OperatingMode::Stopen:
        return QStringLiteral(" +++ Modus Stoppen");
    case OperatingMode::Timer:
        return QStringLiteral(" +++ Modus Timer");
    }
    return {};
}
