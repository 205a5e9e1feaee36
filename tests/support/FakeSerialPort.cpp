// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeSerialPort.h"

bool FakeSerialPort::setCommPort(int number)
{
    if (m_open || number < 1 || number > 255)
        return false;
    m_commPort = number;
    return true;
}

bool FakeSerialPort::setSettings(const QString& settings)
{
    if (refuseSettings)
        return false;
    m_settings = settings;
    return true;
}

bool FakeSerialPort::open()
{
    if (m_open || refuseOpen || !existing.contains(m_commPort))
        return false;
    m_open = true;
    m_unplugged = false;
    openedPorts << m_commPort;
    return true;
}

bool FakeSerialPort::close()
{
    const bool wasOpen = m_open;
    m_received.clear();
    m_open = false;
    m_unplugged = false;
    return wasOpen && !refuseClose;
}

bool FakeSerialPort::output(const QString& text)
{
    if (!m_open || m_unplugged || refuseWrite)
        return false;
    const QByteArray bytes = toLatin1Bytes(text);
    written += bytes;
    emit bytesSent(bytes);
    return true;
}

QString FakeSerialPort::input()
{
    const QString text = QString::fromLatin1(m_received);
    if (!text.isEmpty()) {
        noteTaken();
        emit bytesRead(m_received);
    }
    m_received.clear();
    return text;
}

void FakeSerialPort::deliver(const QByteArray& bytes)
{
    if (!m_open || m_unplugged)
        return;
    m_received += bytes;
    bytesArrived();
}

bool FakeSerialPort::receiveDue() const
{
    return m_open && !m_unplugged && rThreshold != 0 && !m_received.isEmpty();
}

void FakeSerialPort::unplug()
{
    m_unplugged = true;
    m_received.clear();
    emit connectionLost();
}

void FakeSerialPort::replug()
{
    m_unplugged = false;
    emit reconnected();
}
