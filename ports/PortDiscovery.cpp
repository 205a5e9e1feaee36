// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/PortDiscovery.h"

#include "core/MessageLog.h"
#include "ports/PortSettings.h"
#include "ports/SerialPortService.h"

PortDiscovery::PortDiscovery(SerialPortService& probe, MessageLog& log) : m_probe(probe), m_log(log) {}

bool PortDiscovery::PortTest(int COMPortNummer)
{
    const bool opened = m_probe.setCommPort(COMPortNummer) && m_probe.open();
    // Closed again in any case; a failing close (of a port that did not open) does not matter here.
    m_probe.close();
    return opened;
}

PortLists PortDiscovery::discover()
{
    m_log.WriteLog(QStringLiteral(" +++ Vorhandene COM-Ports abfragen"));

    PortLists lists;
    for (int n = FirstCandidate; n <= LastCandidate; ++n) {
        if (PortTest(n))
            lists.entries << PortSettings::entryForPort(n);
    }

    if (lists.entries.isEmpty()) {
        lists.entries << PortSettings::noPortEntry();
        m_log.WriteLog(QStringLiteral(" +++ Kein Comport verfügbar"));
    } else {
        m_log.WriteLog(QStringLiteral(" +++ ") + QString::number(lists.entries.size()) +
                       QStringLiteral(" Comport(s) verfügbar"));
    }

    // With two or more ports the output side takes the second one.
    lists.inputSelection = 0;
    lists.outputSelection = lists.entries.size() > 1 ? 1 : 0;
    return lists;
}
