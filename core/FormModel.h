// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/OperatingMode.h"

#include <QString>

// The window's long text boxes. Texts keep CR LF line ends; the window shows them.
struct TextBoxes
{
    QString Text1;   // message log, newest line first
    QString Text3;   // input buffer (hidden)
    QString Text5;   // lines produced for the board, newest first (hidden)
    QString MessIn;  // traffic monitor of the input port, newest first
    QString MessOut; // traffic monitor of the output port, newest first
};

// Enabled state of the three periodic timers; the window starts and stops its timers to match.
struct TimerSwitches
{
    bool Timer1 = false; // 100 ms, stopwatch and countdown
    bool Timer2 = false; // 1000 ms, time of day
    bool Timer3 = false; // 10 ms, hundredths of the running stopwatch
    bool anyEnabled() const { return Timer1 || Timer2 || Timer3; }
};

// Which of the mode-dependent controls are visible.
struct ModeLayout
{
    bool TimerText = false;
    bool TimeOut = true;
    bool Start = true;
    bool Reset = true;
    bool Stop1 = true;
    bool DispZentel = true;
    bool Lap = false;
};

// Everything the window's handlers share, kept free of widgets so that the rules can be tested without a
// window. The engine holds it and hands each piece as a writable reference to its one owner only; everyone
// else, the window included, gets the whole as const:
//   InPortOpen, OutPortOpen, WarnPortClosed    the port toggles (ports/PortToggle)
//   mode, layout                               mode selection (modes/ModeSelection)
//   LapFlag, OutputHold                        the lap hold (core/LapHold), worked by the stopwatch
//   TimeOut, TimerText, DispZentel, Timer1, 3  the stopwatch (modes/Stopwatch)
//   Timer2                                     the time of day (modes/TimeOfDay)
//   texts.Text1                                the message log (core/MessageLog)
//   texts.Text3                                the receive path (convert/ReceivePath)
//   texts.Text5                                line processing (convert/LineProcessor)
//   texts.MessIn, texts.MessOut                the traffic monitor (ports/TrafficMonitor), which also trims
//                                              Text1 and Text5 after showing a line
struct FormModel
{
    bool InPortOpen = false;
    bool OutPortOpen = false;
    bool WarnPortClosed = false;
    bool LapFlag = false;
    bool OutputHold = false;
    OperatingMode mode = OperatingMode::TagAlge;

    TextBoxes texts;
    TimerSwitches timers;
    ModeLayout layout;
    QString TimeOut = QStringLiteral("00:00:00.00");
    QString TimerText = QStringLiteral("00:01:00");
    bool DispZentel = false; // the "1/10 Sek." box is ticked

    bool isMode(OperatingMode m) const { return mode == m; }
    bool convertsInput() const { return mode == OperatingMode::in_out || mode == OperatingMode::TagAlge; }
};
