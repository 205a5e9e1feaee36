// SPDX-License-Identifier: GPL-3.0-or-later
#include "modes/ModeSelection.h"

#include "convert/LineProcessor.h"
#include "convert/ReceivePath.h"
#include "core/LapHold.h"
#include "core/MessageLog.h"
#include "modes/Stopwatch.h"
#include "modes/TimeOfDay.h"
#include "ports/PortToggle.h"

ModeSelection::ModeSelection(OperatingMode& mode, ModeLayout& layout, Parts parts)
    : m_mode(mode), m_layout(layout), m_parts(parts)
{
}

void ModeSelection::select(OperatingMode mode)
{
    const bool stopwatchMode = mode == OperatingMode::Stopen || mode == OperatingMode::Timer;

    m_layout = layoutFor(mode);
    m_parts.receive.clearBuffer();
    m_parts.lines.clearOutputText();
    m_mode = mode;
    m_parts.timeOfDay.run(mode == OperatingMode::AktTime);
    // Timer1 and Timer3 go off in every mode; the stopwatch keeps the time run so far.
    m_parts.watch.stopTimers();
    m_parts.outputToggle.rearmClosedPortWarning();
    // A lap hold left from the stopwatch would otherwise block every line of the new mode, with no
    // button to release it.
    m_parts.lapHold.release();
    if (stopwatchMode)
        m_parts.watch.Reset_Click();
    if (m_selected)
        m_selected(mode);
    m_parts.log.WriteLog(logMessage(mode));
}

QString ModeSelection::caption(OperatingMode mode)
{
    switch (mode) {
    case OperatingMode::in_out:
        return QStringLiteral("1:1 IN->OUT");
    case OperatingMode::TagAlge:
        return QStringLiteral("TAG -> Alge");
    case OperatingMode::AktTime:
        return QStringLiteral("Aktuelle Zeit");
    case OperatingMode::Stopen:
        return QStringLiteral("Stopen");
    case OperatingMode::Timer:
        return QStringLiteral("Timer");
    }
    return {};
}

void ModeSelection::showStartupControls()
{
    m_layout.DispZentel = true;
    m_layout.Lap = false;
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
