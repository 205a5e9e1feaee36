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
    if (!m_form.convertsInput() || m_processing) {
        // Collecting modes keep everything; while lines are being processed further up the stack (a modal
        // box is open), new characters wait here for that call to take them.
        append(received);
        return;
    }

    QString& buffer = m_text3;
    if (buffer.isEmpty())
        m_overflowReported = false;
    if (!received.contains(CR) && !buffer.contains(CR)) {
        append(received);
        return;
    }

    // The buffer is taken out while its lines are processed: characters that arrive meanwhile collect in
    // Text3 and are joined to the unfinished tail afterwards, so nothing is taken twice or lost.
    const QScopedValueRollback<bool> processing(m_processing, true);
    QString text = std::exchange(buffer, QString());
    text += received;
    for (;;) {
        QString rest = m_lines.checkAndOut(text);
        m_overflowReported = false; // complete lines were taken: an overflow episode is over
        const QString arrived = std::exchange(buffer, QString());
        rest += arrived;
        text = std::move(rest);
        if (!m_form.convertsInput() || !arrived.contains(CR))
            break;
    }
    buffer = std::move(text);
    enforceLimit();
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

void ReceivePath::append(const QString& received)
{
    QString& buffer = m_text3;
    if (buffer.isEmpty())
        m_overflowReported = false;
    buffer += received;
    enforceLimit();
}

void ReceivePath::enforceLimit()
{
    QString& buffer = m_text3;
    if (buffer.size() <= BufferLimit)
        return;
    buffer.remove(0, buffer.size() - BufferLimit);
    if (!m_overflowReported)
        m_log.WriteLog(QStringLiteral(" +++ Eingangspuffer übergelaufen, Zeichen verworfen"));
    m_overflowReported = true;
}
