#include "convert/ReceivePath.h"

ReceivePath::ReceivePath(SerialPortService& input, FormModel& form, LineProcessor& lines, MessageLog& log,
                         MessagePresenter& boxes)
    : m_input(input), m_form(form), m_lines(lines), m_log(log), m_boxes(boxes)
{
}
void ReceivePath::MSComm1_OnComm() {}
void ReceivePath::append(const QString&) {}
