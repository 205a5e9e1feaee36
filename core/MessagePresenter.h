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
//  - the input port's receive event (ReceivePath::MSComm1_OnComm). While lines are being processed further
//    up the stack (ReceivePath's m_processing), new characters are only appended to Text3 and the outer call
//    takes them when its box closes; line processing (LineProcessor's m_busy) queues complete lines handed to
//    it while one of its own lines is open and processes them after, in order. A second overrun/overflow
//    event while "Datenverlust!" is open shows no second box (m_lossBoxOpen). The port service itself
//    delivers bytes that arrived while a receive handler ran as soon as it returns, so no byte waits for
//    further input (QSerialPort does not raise readyRead again inside a running readyRead slot).
//  - the timer ticks (Timer1, Timer2, Timer3). The engine switches a timer off at once, the window's QTimer
//    only after the handler ends; the window drops a tick whose switch is off (MainForm::Timer1_Timer).
//  - the port events connectionLost and reconnected, which only write a log line.
// Handlers show a box only after their state is updated and the log line written, so that whatever runs
// inside the box sees finished state and the log reads in the order things happened.
class MessagePresenter
{
public:
    virtual ~MessagePresenter() = default;
    virtual void showMessage(const ModalMessage& message) = 0;
};
