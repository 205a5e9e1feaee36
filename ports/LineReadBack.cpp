// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/LineReadBack.h"

#ifdef Q_OS_LINUX

namespace {

// The speed constant for a standard baud rate, or B0 for a rate that has none.
speed_t standardSpeed(qint32 baud)
{
    struct Rate
    {
        qint32 baud;
        speed_t speed;
    };
    static const Rate rates[] = {
        {50, B50},           {75, B75},         {110, B110},         {134, B134},         {150, B150},
        {200, B200},         {300, B300},       {600, B600},         {1200, B1200},       {1800, B1800},
        {2400, B2400},       {4800, B4800},     {9600, B9600},       {19200, B19200},     {38400, B38400},
        {57600, B57600},     {115200, B115200}, {230400, B230400},   {460800, B460800},   {500000, B500000},
        {576000, B576000},   {921600, B921600}, {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
        {2000000, B2000000},
    };
    for (const Rate& rate : rates) {
        if (rate.baud == baud)
            return rate.speed;
    }
    return B0;
}

tcflag_t characterSize(QSerialPort::DataBits bits)
{
    switch (bits) {
    case QSerialPort::Data5:
        return CS5;
    case QSerialPort::Data6:
        return CS6;
    case QSerialPort::Data7:
        return CS7;
    default:
        return CS8;
    }
}

} // namespace

bool LineReadBack::tookEffect(const termios& reported, const PortSettings::LineSettings& asked,
                              bool pseudoTerminal)
{
    const speed_t speed = standardSpeed(asked.baudRate);
    if (speed != B0 && (::cfgetospeed(&reported) != speed || ::cfgetispeed(&reported) != speed))
        return false;
    const tcflag_t flags = reported.c_cflag;
    if (((flags & CSTOPB) != 0) != (asked.stopBits == QSerialPort::TwoStop))
        return false;
    if (pseudoTerminal)
        return true;

    if ((flags & CSIZE) != characterSize(asked.dataBits))
        return false;
    const bool withParity = asked.parity != QSerialPort::NoParity;
    if (((flags & PARENB) != 0) != withParity)
        return false;
    if (withParity) {
        // Mark is odd and space is even parity, each made sticky.
        const bool odd = asked.parity == QSerialPort::OddParity || asked.parity == QSerialPort::MarkParity;
        const bool sticky =
            asked.parity == QSerialPort::MarkParity || asked.parity == QSerialPort::SpaceParity;
        if (((flags & PARODD) != 0) != odd || ((flags & CMSPAR) != 0) != sticky)
            return false;
    }
    return true;
}

#endif
