#include "ports/PortSettings.h"

#include <QStringList>
#include <cmath>
#include <limits>

namespace PortSettings {

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Rounds to the nearest whole number, a half to the even neighbour (2.5 -> 2, 3.5 -> 4).
double roundHalfToEven(double value)
{
    const double below = std::floor(value);
    const double rest = value - below;
    if (rest > 0.5)
        return below + 1.0;
    if (rest < 0.5)
        return below;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
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
    const double value = roundHalfToEven(number.toDouble(&ok));
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

    const QString& parity = fields.at(1);
    if (parity == QLatin1String("E"))
        line.parity = QSerialPort::EvenParity;
    else if (parity == QLatin1String("O"))
        line.parity = QSerialPort::OddParity;
    else if (parity == QLatin1String("N"))
        line.parity = QSerialPort::NoParity;
    else if (parity == QLatin1String("M"))
        line.parity = QSerialPort::MarkParity;
    else if (parity == QLatin1String("S"))
        line.parity = QSerialPort::SpaceParity;
    else
        return std::nullopt;

    // QSerialPort has no 4-bit characters; anything it cannot honour exactly is refused.
    const QString& dataBits = fields.at(2);
    if (dataBits == QLatin1String("5"))
        line.dataBits = QSerialPort::Data5;
    else if (dataBits == QLatin1String("6"))
        line.dataBits = QSerialPort::Data6;
    else if (dataBits == QLatin1String("7"))
        line.dataBits = QSerialPort::Data7;
    else if (dataBits == QLatin1String("8"))
        line.dataBits = QSerialPort::Data8;
    else
        return std::nullopt;

    const QString& stopBits = fields.at(3);
    if (stopBits == QLatin1String("1"))
        line.stopBits = QSerialPort::OneStop;
    else if (stopBits == QLatin1String("2"))
        line.stopBits = QSerialPort::TwoStop;
#ifdef Q_OS_WIN
    else if (stopBits == QLatin1String("1.5"))
        line.stopBits = QSerialPort::OneAndHalfStop;
#endif
    else
        return std::nullopt; // elsewhere 1.5 stop bits would quietly become 1

    return line;
}

} // namespace PortSettings
