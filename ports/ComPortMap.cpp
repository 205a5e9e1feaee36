#include "ports/ComPortMap.h"

ComPortMap::ComPortMap() : m_portsFolder(defaultPortsFolder()) {}
ComPortMap::ComPortMap(const QString& portsFolder) : m_portsFolder(portsFolder) {}
QString ComPortMap::devicePath(int) const { return {}; }
QString ComPortMap::defaultPortsFolder() { return {}; }
