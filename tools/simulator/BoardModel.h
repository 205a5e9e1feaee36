// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTime>

#include <functional>

// What a GAZ4 board has received: the bytes arrive in pieces of any size, a CR ends a line. Keeps the last
// line and the lines before it with their arrival times, exactly as received; nothing is interpreted.
class BoardModel
{
public:
    struct Line
    {
        QTime arrival;
        QByteArray bytes;
    };
    static constexpr int Columns = 22;
    static constexpr int Kept = 12;

    explicit BoardModel(std::function<QTime()> clock) : m_clock(std::move(clock)) {}

    // Takes received bytes; returns the lines they completed, in order.
    QList<Line> receive(const QByteArray& bytes);

    bool hasLine() const { return !m_lines.isEmpty(); }
    // The line the board shows: the last complete one.
    QByteArray lastLine() const { return hasLine() ? m_lines.last().bytes : QByteArray(); }
    // The last lines, oldest first, at most Kept.
    const QList<Line>& lines() const { return m_lines; }

    // The text shown for received bytes: each byte 0x20-0x7E as itself, every other byte as "·".
    static QString shown(const QByteArray& bytes);
    // "14:03:07.250  |042.    00:01:23.45   |"
    static QString historyEntry(const Line& line);

private:
    std::function<QTime()> m_clock;
    QByteArray m_pending;
    QList<Line> m_lines;
};
