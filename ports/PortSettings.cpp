// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/PortSettings.h"

#include <QStringList>
#include <cmath>
#include <limits>
#include <utility>

namespace PortSettings {

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The value that `field` names in a table of (text, value) pairs, or nothing.
template <typename T, std::size_t N>
std::optional<T> lookup(const QString& field, const std::pair<const char*, T> (&table)[N])
{
    for (const auto& [text, value] : table) {
        if (field == QLatin1String(text))
            return value;
    }
    return std::nullopt;
}

// A whole positive decimal number of digits only, or 0.
qint64 positiveNumber(const QString& field)
{
    if (field.isEmpty() || field.size() > 10)
        return 0;
    qint64 value = 0;
    for (QChar c : field) {
        if (!isDigit(c))
            return 0;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

} // namespace

QString noPortEntry()
{
    return QStringLiteral("Kein Comport verfügbar");
}

Lists startupLists(bool outputSide)
{
    Lists lists;
    lists.port = {{noPortEntry()}, 0};
    lists.baud = {{QStringLiteral("2400"), QStringLiteral("4800"), QStringLiteral("9600"),
                   QStringLiteral("19200"), QStringLiteral("38400"), QStringLiteral("57600"),
                   QStringLiteral("115200")},
                  outputSide ? 0 : 2};
    lists.dataBits = {{QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"),
                       QStringLiteral("8")},
                      4};
    lists.parity = {{QStringLiteral("Gerade"), QStringLiteral("Ungerade"), QStringLiteral("Keine"),
                     QStringLiteral("Markierung"), QStringLiteral("Leerzeichen")},
                    2};
    lists.stopBits = {{QStringLiteral("1"), QStringLiteral("1.5"), QStringLiteral("2")}, 0};
    return lists;
}

int portNumberFromEntry(const QString& entry)
{
    const QString rest = entry.mid(3);
    int pos = 0;
    while (pos < rest.size() && rest.at(pos) == QLatin1Char(' '))
        ++pos;

    // The longest "[sign]digits[.digits]" at the start; no digits at all reads as 0.
    const int start = pos;
    if (pos < rest.size() && (rest.at(pos) == QLatin1Char('-') || rest.at(pos) == QLatin1Char('+')))
        ++pos;
    int digits = 0;
    while (pos < rest.size() && isDigit(rest.at(pos))) {
        ++pos;
        ++digits;
    }
    if (pos < rest.size() && rest.at(pos) == QLatin1Char('.')) {
        ++pos;
        while (pos < rest.size() && isDigit(rest.at(pos))) {
            ++pos;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;

    QString number = rest.mid(start, pos - start);
    if (number.endsWith(QLatin1Char('.')))
        number.chop(1);
    bool ok = false;
    // Halves go to the even neighbour (2.5 -> 2, 3.5 -> 4), the default rounding mode.
    const double value = std::nearbyint(number.toDouble(&ok));
    if (!ok)
        return 0;
    if (value > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

QString entryForPort(int number)
{
    // The number stands with a blank in its sign position, as a negative one would stand with its minus.
    return number < 0 ? QStringLiteral("COM%1").arg(number) : QStringLiteral("COM %1").arg(number);
}

QString settingsString(const QString& baud, int parityIndex, const QString& dataBits, const QString& stopBits)
{
    static const char* const parityLetters[] = {",E", ",O", ",N", ",M", ",S"};
    QString settings = baud;
    if (parityIndex >= 0 && parityIndex < 5)
        settings += QLatin1String(parityLetters[parityIndex]);
    settings += QLatin1Char(',') + dataBits + QLatin1Char(',') + stopBits;
    return settings;
}

std::optional<LineSettings> parse(const QString& settings)
{
    const QStringList fields = settings.split(QLatin1Char(','));
    if (fields.size() != 4)
        return std::nullopt;

    LineSettings line;

    const qint64 baud = positiveNumber(fields.at(0));
    if (baud <= 0 || baud > std::numeric_limits<qint32>::max())
        return std::nullopt;
    line.baudRate = static_cast<qint32>(baud);

    static const std::pair<const char*, QSerialPort::Parity> parities[] = {{"E", QSerialPort::EvenParity},
                                                                           {"O", QSerialPort::OddParity},
                                                                           {"N", QSerialPort::NoParity},
                                                                           {"M", QSerialPort::MarkParity},
                                                                           {"S", QSerialPort::SpaceParity}};
    // QSerialPort has no 4-bit characters; anything it cannot honour exactly is refused.
    static const std::pair<const char*, QSerialPort::DataBits> dataBits[] = {{"5", QSerialPort::Data5},
                                                                             {"6", QSerialPort::Data6},
                                                                             {"7", QSerialPort::Data7},
                                                                             {"8", QSerialPort::Data8}};
    // Elsewhere than on Windows 1.5 stop bits would quietly become 1.
    static const std::pair<const char*, QSerialPort::StopBits> stopBits[] = {
        {"1", QSerialPort::OneStop},
        {"2", QSerialPort::TwoStop},
#ifdef Q_OS_WIN
        {"1.5", QSerialPort::OneAndHalfStop},
#endif
    };
    const auto parity = lookup(fields.at(1), parities);
    const auto bits = lookup(fields.at(2), dataBits);
    const auto stops = lookup(fields.at(3), stopBits);
    if (!parity || !bits || !stops)
        return std::nullopt;
    line.parity = *parity;
    line.dataBits = *bits;
    line.stopBits = *stops;

    return line;
}

} // namespace PortSettings
