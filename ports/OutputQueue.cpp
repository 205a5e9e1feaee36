// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/OutputQueue.h"

#include <algorithm>

OutputQueue::OutputQueue(PortWriter& writer, QObject* parent) : QObject(parent), m_writer(writer) {}

OutputQueue::Sent OutputQueue::send(const QByteArray& line)
{
    // Straight to the device when nothing waits before it, so that a line leaves now and not on the next
    // turn of the event loop; a writer that is still busy with earlier lines makes it wait.
    if (!m_lines.empty() || m_writer.held() >= HandOverBelow) {
        enqueue(line);
        return Sent::Taken;
    }
    return put(line, false);
}

void OutputQueue::enqueue(const QByteArray& line)
{
    bool dropped = false;
    while (!m_lines.empty() && m_waitingBytes + line.size() > m_limit) {
        m_waitingBytes -= m_lines.front().size();
        m_lines.pop_front();
        dropped = true;
    }
    m_waitingBytes += line.size();
    m_lines.push_back(line);
    if (dropped && !m_overloaded) {
        m_overloaded = true;
        emit overloaded();
    }
}

void OutputQueue::handOver()
{
    while (!m_lines.empty() && m_writer.held() < HandOverBelow) {
        const QByteArray line = std::move(m_lines.front());
        m_lines.pop_front();
        m_waitingBytes -= line.size();
        put(line, true);
    }
    if (m_lines.empty())
        m_overloaded = false;
}

OutputQueue::Sent OutputQueue::put(const QByteArray& line, bool holdIfGone)
{
    // While the writer holds nothing, bytes go straight to the device, so that a backlog drains as fast as
    // the device takes it (QSerialPort writes one buffer per turn of the event loop).
    qsizetype done = m_writer.held() == 0 ? m_writer.writeNow(line.constData(), line.size()) : 0;
    if (done < 0 && !holdIfGone)
        return Sent::DeviceGone;
    done = std::max<qsizetype>(done, 0);
    if (done < line.size() && !m_writer.hold(line.constData() + done, line.size() - done))
        return Sent::Refused;
    return Sent::Taken;
}

void OutputQueue::clear()
{
    m_lines.clear();
    m_waitingBytes = 0;
    m_overloaded = false;
}
