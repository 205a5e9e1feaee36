// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

class MessageLog;
class SerialPortService;

// Which of the port lists' entries exist and which is selected on each side after a discovery.
struct PortLists
{
    QStringList entries;     // the same for both lists
    int inputSelection = 0;  // index into entries for the input port list
    int outputSelection = 0; // index into entries for the output port list
};

// Finds the port numbers 1 to 16 that can be opened, probing with the (closed) input port.
class PortDiscovery
{
public:
    static constexpr int FirstCandidate = 1;
    static constexpr int LastCandidate = 16;

    PortDiscovery(SerialPortService& probe, MessageLog& log);

    // Opens and closes the port at once; true when the open succeeded.
    bool PortTest(int COMPortNummer);
    // Logs the discovery, probes every candidate and returns the new port lists. Both ports must be closed.
    PortLists discover();

private:
    SerialPortService& m_probe;
    MessageLog& m_log;
};
