// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/FormModel.h"
#include "core/OperatingMode.h"

#include <functional>

class LapHold;
class LineProcessor;
class MessageLog;
class PortToggle;
class ReceivePath;
class Stopwatch;
class TimeOfDay;

// The five option buttons: each selection reconfigures the window and the timers, empties the buffers,
// re-arms the closed-port warning, releases a lap hold, resets the stopwatch in Stopen and Timer, and logs.
// The one writer of the operating mode and of which mode-dependent controls are visible.
class ModeSelection
{
public:
    // What a selection works on besides its own state.
    struct Parts
    {
        Stopwatch& watch;
        TimeOfDay& timeOfDay;
        ReceivePath& receive;
        LineProcessor& lines;
        PortToggle& outputToggle;
        LapHold& lapHold;
        MessageLog& log;
    };

    ModeSelection(OperatingMode& mode, ModeLayout& layout, Parts parts);

    void select(OperatingMode mode);

    void in_out_Click() { select(OperatingMode::in_out); }
    void TagAlge_Click() { select(OperatingMode::TagAlge); }
    void AktTime_Click() { select(OperatingMode::AktTime); }
    void Stopen_Click() { select(OperatingMode::Stopen); }
    void Timer_Click() { select(OperatingMode::Timer); }

    // Start-up: "1/10 Sek." visible, LAP hidden, whatever the mode.
    void showStartupControls();

    static ModeLayout layoutFor(OperatingMode mode);
    static QString logMessage(OperatingMode mode);
    // The caption of the mode's option button: "TAG -> Alge".
    static QString caption(OperatingMode mode);
    // Called with each selected mode, before its log line.
    void onSelected(std::function<void(OperatingMode)> selected) { m_selected = std::move(selected); }

private:
    OperatingMode& m_mode;
    ModeLayout& m_layout;
    Parts m_parts;
    std::function<void(OperatingMode)> m_selected;
};
