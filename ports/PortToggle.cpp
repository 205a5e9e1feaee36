#include "ports/PortToggle.h"

PortToggle::PortToggle(Side side, SerialPortService& port, FormModel& form, MessageLog& log, MessagePresenter& boxes)
    : m_side(side), m_port(port), m_form(form), m_log(log), m_boxes(boxes)
{
}
void PortToggle::toggle(const PortChoice&) {}
bool PortToggle::isOpen() const { return false; }
void PortToggle::reportConnectionLost() {}
void PortToggle::reportReconnected() {}
