// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSerialPort>
#include <QString>
#include <QStringList>
#include <optional>

// Turning the port lists' entries into a port number and a settings string, and the settings string into
// line settings; and the lists themselves as start-up fills them.
namespace PortSettings {

// One list of the window: its entries and the entry it selects.
struct List
{
    QStringList entries;
    int selected = 0;
};

// The five lists of one port. The positions matter: settingsString() turns them into the settings string.
struct Lists
{
    List port;
    List baud;
    List dataBits;
    List parity;
    List stopBits;
};

// The only entry of a port list when no port can be opened.
QString noPortEntry();

// The lists of the input port (9600 baud) or the output port (2400 baud), both no parity, 8 data bits and
// 1 stop bit, before any port is discovered.
Lists startupLists(bool outputSide);

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
