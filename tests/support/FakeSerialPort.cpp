// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeSerialPort.h"

#include "ports/PortSettings.h"
#include <utility>

FakeSerialPort::FakeSerialPort(QObject* parent) : SerialPortService(parent)
{
    connect(&m_queue, &OutputQueue::sent, this, &SerialPortService::bytesSent);
    connect(&m_queue, &OutputQueue::lineDropped, this, &SerialPortService::lineDropped);
    connect(&m_queue, &OutputQueue::overloaded, this, &SerialPortService::outputOverloaded);
}

bool FakeSerialPort::setCommPort(int number)
{
    if (m_open || number < 1 || number > 255)
        return false;
    m_commPort = number;
    return true;
}

bool FakeSerialPort::setSettings(const QString& settings)
{
    if (refuseSettings || m_open || !PortSettings::parse(settings))
        return false;
    m_settings = settings;
    return true;
}

bool FakeSerialPort::open()
{
    if (m_open || refuseOpen || board.gone || !existing.contains(m_commPort))
        return false;
    m_open = true;
    m_unplugged = false;
    return true;
}

bool FakeSerialPort::close()
{
    const bool wasOpen = m_open;
    m_received.clear();
    m_queue.clear();
    board.discard();
    m_open = false;
    m_unplugged = false;
    return wasOpen && !refuseClose;
}

void FakeSerialPort::reset()
{
    m_received.clear();
    m_queue.clear();
    board = FakeBoard();
    m_unplugged = false;
    refuseOpen = refuseClose = refuseWrite = refuseSettings = false;
    written.clear();
}

bool FakeSerialPort::output(const QString& text)
{
    if (!m_open || m_unplugged || refuseWrite)
        return false;
    const QByteArray bytes = toLatin1Bytes(text);
    const OutputQueue::Sent sent = m_queue.send(bytes);
    if (sent == OutputQueue::Sent::DeviceGone)
        lose();
    if (sent != OutputQueue::Sent::Taken)
        return false;
    written += bytes;
    return true;
}

QString FakeSerialPort::input()
{
    const QString text = QString::fromLatin1(m_received);
    if (!text.isEmpty()) {
        noteTaken();
        emit bytesRead(m_received);
    }
    m_received.truncate(0); // its storage stays for the next bytes
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
    board.gone = true;
    lose();
}

void FakeSerialPort::lose()
{
    m_unplugged = true;
    m_received.clear();
    m_queue.clear();
    board.discard();
    emit connectionLost();
}

void FakeSerialPort::replug()
{
    if (m_open && !m_unplugged && board.gone)
        lose(); // the event loop turns at least once before a device comes back
    board.gone = false;
    if (std::exchange(m_unplugged, false))
        emit reconnected();
}

void FakeSerialPort::turn(qsizetype room)
{
    if (!m_open || m_unplugged)
        return;
    if (board.gone)
        lose();
    else if (board.turn(room) > 0)
        m_queue.handOver();
}
