#include "ports/QtSerialPortService.h"

QtSerialPortService::QtSerialPortService(ComPortMap map, QObject* parent)
    : SerialPortService(parent), m_map(std::move(map))
{
}
QtSerialPortService::~QtSerialPortService() = default;
bool QtSerialPortService::setCommPort(int number) { m_commPort = number; return true; }
bool QtSerialPortService::setSettings(const QString& settings) { m_settings = settings; return true; }
bool QtSerialPortService::open() { return false; }
bool QtSerialPortService::close() { return true; }
bool QtSerialPortService::output(const QString&) { return false; }
QString QtSerialPortService::input() { return {}; }
