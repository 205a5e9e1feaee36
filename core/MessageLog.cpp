// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/MessageLog.h"

#include "core/Clock.h"

MessageLog::MessageLog(const WallClock& clock, QString& text) : m_clock(clock), m_text(text) {}

QString MessageLog::timeText() const
{
    return m_clock.timeOfDay().toString(QStringLiteral("HH:mm:ss"));
}

void MessageLog::WriteLog(const QString& message)
{
    const QString line = timeText() + message;
    m_text.prepend(line + QStringLiteral("\r\n"));
    if (m_written)
        m_written(line);
}

void MessageLog::start()
{
    const QString line = timeText() + QStringLiteral(" +++ Programmstart. ");
    m_text = line + QStringLiteral("\r\n\r\n");
    if (m_written)
        m_written(line);
}
