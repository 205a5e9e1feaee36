#pragma once

#include <QSerialPort>
#include <QString>
#include <optional>

// Turning the port lists' entries into a port number and a settings string, and the settings string into
// line settings.
namespace PortSettings {

// "COM 7" -> 7, "Kein Comport verfügbar" -> 0: drops the first three characters, skips blanks, reads the
// decimal number at the start (no digits: 0) and rounds it half to even. May lie outside 0..255 for a
// typed entry; the caller refuses such a number.
int portNumberFromEntry(const QString& entry);

// The list entry for a port number: "COM 3", "COM 12".
QString entryForPort(int number);

// "9600,N,8,1" from the selected entries; a parity position outside 0..4 gives a three-field string.
QString settingsString(const QString& baud, int parityIndex, const QString& dataBits,
                       const QString& stopBits);

struct LineSettings
{
    qint32 baudRate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

// The line settings of a four-field string, or nothing when a field is not a value this platform can
// honour (no number, 4 data bits, 1.5 stop bits where the platform turns them into 1, three fields ...).
std::optional<LineSettings> parse(const QString& settings);

} // namespace PortSettings
