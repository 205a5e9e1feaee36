// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class LineProcessor;
class MessageLog;
class MessagePresenter;
class SerialPortService;
struct FormModel;

// The input port's communication event: collects received characters in the input buffer (Text3) and, in
// the two conversion modes, hands complete lines to line processing. The port raises no receive event while
// this handler runs (a modal box may be open inside it); what arrives meanwhile comes with the next event.
//
// In the conversion modes every line keeps only its last BufferLimit characters, however it arrives; the
// first drop from a line is logged once. In the collecting modes the buffer keeps its last BufferLimit
// characters, and the first drop after the buffer was emptied is logged. The one writer of the input buffer.
class ReceivePath
{
public:
    static constexpr int BufferLimit = 10000;

    ReceivePath(SerialPortService& input, const FormModel& form, QString& Text3, LineProcessor& lines,
                MessageLog& log, MessagePresenter& boxes);

    void MSComm1_OnComm();
    // A mode selection, or a timing device that went away, starts the input buffer afresh; also the
    // unfinished rest of lines being processed while a box is open, which is dropped when they are done.
    void clearBuffer()
    {
        m_text3.clear();
        ++m_clears;
    }

private:
    void showDataLoss();
    // Processes the complete lines of a text longer than BufferLimit, each cut to its last BufferLimit
    // characters; returns the unfinished tail, cut the same way.
    QString processBounded(const QString& text);
    // Appends received characters in a collecting mode and keeps the buffer within BufferLimit.
    void collect(const QString& received);
    // Logs a drop unless the current line (or buffer) has been reported already.
    void reportOverflow();

    SerialPortService& m_input;
    const FormModel& m_form;
    QString& m_text3;
    LineProcessor& m_lines;
    MessageLog& m_log;
    MessagePresenter& m_boxes;

    bool m_lossBoxOpen = false;      // a "Datenverlust!" box is open
    bool m_overflowReported = false; // a drop from the current line (or buffer) has been logged
    unsigned m_clears = 0;           // how often the buffer was started afresh
};
