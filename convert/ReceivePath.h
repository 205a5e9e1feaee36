#pragma once

#include <QString>

class LineProcessor;
class MessageLog;
class MessagePresenter;
class SerialPortService;
struct FormModel;

// The input port's communication event: collects received characters in the input buffer (Text3) and, in
// the two conversion modes, hands complete lines to line processing. Every received character is taken in
// exactly once and in order, also when a modal box opened during processing lets further events through.
// The one writer of the input buffer.
class ReceivePath
{
public:
    // The input buffer never holds more than this many characters; the oldest excess is dropped.
    static constexpr int BufferLimit = 10000;

    ReceivePath(SerialPortService& input, const FormModel& form, QString& Text3, LineProcessor& lines,
                MessageLog& log, MessagePresenter& boxes);

    void MSComm1_OnComm();
    // A mode selection starts the input buffer afresh.
    void clearBuffer() { m_text3.clear(); }

private:
    void showDataLoss();
    // Appends received characters to the input buffer and keeps it within its limit.
    void append(const QString& received);
    // Drops the oldest characters beyond BufferLimit; the first drop of an overflow episode is logged.
    void enforceLimit();

    SerialPortService& m_input;
    const FormModel& m_form;
    QString& m_text3;
    LineProcessor& m_lines;
    MessageLog& m_log;
    MessagePresenter& m_boxes;

    bool m_processing = false;       // lines are being processed further up the stack
    bool m_lossBoxOpen = false;      // a "Datenverlust!" box is open
    bool m_overflowReported = false; // the current overflow episode has been logged
};
