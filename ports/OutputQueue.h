// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ports/PortWriter.h"

#include <QByteArray>
#include <QObject>

#include <deque>

// The lines for one output port on their way to its device. A line goes straight to the device when nothing
// waits before it, and so do waiting lines while the writer holds nothing. Lines the device cannot take yet
// wait here and are handed to the writer one by one when it holds fewer than HandOverBelow bytes. At most
// Limit bytes wait; a line that does not fit drops the oldest waiting lines (overloaded()), since the board
// should show the newest. A line that has begun to go out is always finished whole.
class OutputQueue : public QObject
{
    Q_OBJECT
public:
    static constexpr qsizetype Limit = qsizetype(64) * 1024;
    // The writer is handed the next waiting line while it holds fewer bytes than this.
    static constexpr qint64 HandOverBelow = 512;

    enum class Sent
    {
        Taken,     // the line goes out, now or later
        Refused,   // the writer refused it
        DeviceGone // the device is gone; nothing of the line went out
    };

    explicit OutputQueue(PortWriter& writer, QObject* parent = nullptr);

    Sent send(const QByteArray& line);
    // Hands waiting lines to the writer while it holds few bytes: its owner calls this whenever the device
    // has taken some of them.
    void handOver();
    // Drops every waiting line (the port is closed or its device went away).
    void clear();
    // How many bytes and lines wait in the queue (not those the writer holds).
    qsizetype waitingBytes() const { return m_waitingBytes; }
    qsizetype waitingLines() const { return qsizetype(m_lines.size()); }
    // At most this many bytes wait (Limit, unless a test asks for less); a single line may be longer.
    qsizetype limit() const { return m_limit; }
    void setLimit(qsizetype bytes) { m_limit = bytes; }

signals:
    // Waiting lines were dropped; once for each overload, which ends when nothing waits any more.
    void overloaded();

private:
    // Queues a line, dropping the oldest waiting lines when it does not fit.
    void enqueue(const QByteArray& line);
    // The one place where bytes go to the device: what it takes now goes straight to it while the writer
    // holds nothing, the writer holds the rest. A gone device takes nothing; its line is held only when
    // `holdIfGone` (the writer's own next write then finds the device gone).
    Sent put(const QByteArray& line, bool holdIfGone);

    PortWriter& m_writer;
    std::deque<QByteArray> m_lines; // oldest first
    qsizetype m_waitingBytes = 0;
    qsizetype m_limit = Limit;
    bool m_overloaded = false; // lines were dropped since the queue was last empty
};
