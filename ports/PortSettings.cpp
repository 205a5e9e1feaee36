#include "ports/PortSettings.h"

namespace PortSettings {

int portNumberFromEntry(const QString&) { return 0; }
QString entryForPort(int number) { return QStringLiteral("COM %1").arg(number); }
QString settingsString(const QString&, int, const QString&, const QString&) { return {}; }
std::optional<LineSettings> parse(const QString&) { return std::nullopt; }

} // namespace PortSettings
