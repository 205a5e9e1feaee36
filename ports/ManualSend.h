// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class MessageLog;
class MessagePresenter;
class SerialPortService;
class TrafficMonitor;

// Sends a typed text followed by CR on one port (Command1_Click / Command2_Click).
class ManualSend
{
public:
    // inOut: 0 for the input port's monitor, 1 for the output port's.
    ManualSend(SerialPortService& port, const bool& portOpen, int inOut, MessageLog& log,
               MessagePresenter& boxes, TrafficMonitor& monitor);

    void send(const QString& T);

private:
    SerialPortService& m_port;
    const bool& m_portOpen;
    int m_inOut;
    MessageLog& m_log;
    MessagePresenter& m_boxes;
    TrafficMonitor& m_monitor;
};
