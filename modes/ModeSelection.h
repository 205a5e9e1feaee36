#pragma once

#include "core/FormModel.h"
#include "core/OperatingMode.h"

class MessageLog;
class Stopwatch;

// The five option buttons: each selection reconfigures the window and the timers, empties the buffers,
// re-arms the closed-port warning, releases a lap hold, resets the stopwatch in Stopen and Timer, and logs.
class ModeSelection
{
public:
    ModeSelection(FormModel& form, Stopwatch& watch, MessageLog& log);

    void select(OperatingMode mode);

    void in_out_Click() { select(OperatingMode::in_out); }
    void TagAlge_Click() { select(OperatingMode::TagAlge); }
    void AktTime_Click() { select(OperatingMode::AktTime); }
    void Stopen_Click() { select(OperatingMode::Stopen); }
    void Timer_Click() { select(OperatingMode::Timer); }

    static ModeLayout layoutFor(OperatingMode mode);
    static QString logMessage(OperatingMode mode);

private:
    FormModel& m_form;
    Stopwatch& m_watch;
    MessageLog& m_log;
};
