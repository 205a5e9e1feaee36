#include "ports/ManualSend.h"

ManualSend::ManualSend(SerialPortService& port, const bool& portOpen, int inOut, MessageLog& log,
                       MessagePresenter& boxes, TrafficMonitor& monitor)
    : m_port(port), m_portOpen(portOpen), m_inOut(inOut), m_log(log), m_boxes(boxes), m_monitor(monitor)
{
}
void ManualSend::send(const QString&) {}
