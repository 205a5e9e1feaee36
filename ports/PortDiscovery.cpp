#include "ports/PortDiscovery.h"

#include "app/MessageLog.h"

PortDiscovery::PortDiscovery(SerialPortService& probe, MessageLog& log) : m_probe(probe), m_log(log) {}
bool PortDiscovery::PortTest(int) { return false; }
PortLists PortDiscovery::discover()
{
    PortLists lists;
    lists.entries << QStringLiteral("Kein Comport verfügbar");
    m_log.WriteLog(QStringLiteral(" +++ Vorhandene COM-Ports abfragen"));
    m_log.WriteLog(QStringLiteral(" +++ Kein Comport verfügbar"));
    return lists;
}
