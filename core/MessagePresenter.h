// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// A modal message box with one "OK" button. An empty title shows the program's title.
struct ModalMessage
{
    enum class Icon
    {
        None,
        Stop
    };
    QString text;
    QString title;
    Icon icon = Icon::None;
};

// Shows modal message boxes. The window's implementation blocks until the operator closes the box;
// tests record the boxes instead.
//
// Re-entrancy. A modal box spins a nested event loop inside the handler that shows it. The box blocks the
// operator's input to the main window, so no click or key re-enters; but these do run inside a box:
//  - the input port's receive event (ReceivePath::MSComm1_OnComm). The port service (SerialPortService::
//    bytesArrived) never raises it while a receive handler of the same port runs: bytes that arrive meanwhile
//    collect in the port and are delivered as soon as that handler returns, so none waits for further
//    input. A second overrun/overflow event while "Datenverlust!" is open shows no second box
//    (ReceivePath's m_lossBoxOpen).
//  - the timer ticks (Timer1, Timer2, Timer3). The engine switches a timer off at once, the window's QTimer
//    only after the handler ends; the window drops a tick whose switch is off (MainForm::Timer1_Timer).
//    A tick's board update never meets line processing that holds a box: only Tag Heuer records open a
//    box there (an unreadable time), and in that mode no timer runs.
//  - the port events connectionLost and reconnected: each writes a log line, and a lost input port in a
//    mode that converts input also empties the input buffer (Engine), so that a half record is not glued
//    to the first one after the return.
//  - the sleep lock's grant (SleepGuard), which only writes a log line.
// Handlers show a box only after their state is updated and the log line written, so that whatever runs
// inside the box sees finished state and the log reads in the order things happened.
class MessagePresenter
{
public:
    virtual ~MessagePresenter() = default;
    virtual void showMessage(const ModalMessage& message) = 0;
};
