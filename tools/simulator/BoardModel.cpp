// SPDX-License-Identifier: GPL-3.0-or-later
#include "BoardModel.h"

QList<BoardModel::Line> BoardModel::receive(const QByteArray& bytes)
{
    m_pending += bytes;
    QList<Line> completed;
    qsizetype cr;
    while ((cr = m_pending.indexOf('\r')) >= 0) {
        completed << Line{m_clock(), m_pending.left(cr)};
        m_pending.remove(0, cr + 1);
    }
    m_lines << completed;
    if (m_lines.size() > Kept)
        m_lines.remove(0, m_lines.size() - Kept);
    return completed;
}

QString BoardModel::shown(const QByteArray& bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        text += b >= 0x20 && b <= 0x7E ? QChar(b) : QChar(0x00B7);
    }
    return text;
}

QString BoardModel::historyEntry(const Line& line)
{
    return line.arrival.toString(QStringLiteral("HH:mm:ss.zzz")) + QStringLiteral("  |") + shown(line.bytes) +
           QLatin1Char('|');
}
