// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/ReceivePath.h"

#include "convert/LineProcessor.h"
#include "core/FormModel.h"
#include "core/MessageLog.h"
#include "core/MessagePresenter.h"
#include "ports/SerialPortService.h"

#include <QScopedValueRollback>

#include <utility>

namespace {

constexpr char16_t CR = u'\r';

} // namespace

ReceivePath::ReceivePath(SerialPortService& input, const FormModel& form, QString& Text3,
                         LineProcessor& lines, MessageLog& log, MessagePresenter& boxes)
    : m_input(input), m_form(form), m_text3(Text3), m_lines(lines), m_log(log), m_boxes(boxes)
{
}

void ReceivePath::MSComm1_OnComm()
{
    const auto code = qint16(m_input.commEvent());
    if (code == SerialPortService::comEventOverrun || code == SerialPortService::comEventRxOver) {
        showDataLoss();
        return;
    }
    if (code != SerialPortService::comEvReceive)
        return;

    const QString received = m_input.input();
    QString& buffer = m_text3;
    if (buffer.isEmpty())
        m_overflowReported = false; // emptied by a mode selection, or the last line was complete
    if (!m_form.convertsInput()) {
        collect(received);
        return;
    }

    // The buffer is written back once its lines are processed (a modal box may open meanwhile), unless it
    // was started afresh in the meantime: then the rest belongs to what was given up.
    QString text = std::exchange(buffer, QString());
    text += received;
    const unsigned clearsBefore = m_clears;
    // No line can be too long in the common case, which goes in one piece. (A tail that was cut holds
    // BufferLimit characters, so it never comes this way.)
    QString rest = text.size() <= BufferLimit ? m_lines.checkAndOut(text) : processBounded(text);
    if (m_clears == clearsBefore)
        buffer = std::move(rest);
}

QString ReceivePath::processBounded(const QString& text)
{
    // Each line keeps its last BufferLimit characters. Lines before an overlong one are processed before
    // its drop is logged, so that the log reads the same however the characters were split among events.
    qsizetype from = 0;      // what lies before is processed or dropped
    qsizetype lineStart = 0; // start of the line being looked at
    for (;;) {
        const qsizetype cr = text.indexOf(CR, lineStart);
        const qsizetype end = cr < 0 ? text.size() : cr;
        if (end - lineStart > BufferLimit) {
            if (lineStart > from)
                m_lines.checkAndOut(text.sliced(from, lineStart - from));
            from = end - BufferLimit;
            reportOverflow();
        }
        if (cr < 0)
            break;
        m_overflowReported = false; // the line is complete: the next one that is too long is logged again
        lineStart = cr + 1;
    }
    if (lineStart > from)
        m_lines.checkAndOut(text.sliced(from, lineStart - from));
    return text.sliced(std::max(from, lineStart));
}

void ReceivePath::showDataLoss()
{
    if (m_lossBoxOpen)
        return;
    const QScopedValueRollback<bool> open(m_lossBoxOpen, true);
    ModalMessage box;
    box.text = QStringLiteral("Datenverlust!");
    box.icon = ModalMessage::Icon::None;
    m_boxes.showMessage(box);
}

void ReceivePath::collect(const QString& received)
{
    QString& buffer = m_text3;
    buffer += received;
    if (buffer.size() <= BufferLimit)
        return;
    buffer.remove(0, buffer.size() - BufferLimit);
    reportOverflow();
}

void ReceivePath::reportOverflow()
{
    if (!m_overflowReported)
        m_log.WriteLog(QStringLiteral(" +++ Eingangspuffer übergelaufen, Zeichen verworfen"));
    m_overflowReported = true;
}
