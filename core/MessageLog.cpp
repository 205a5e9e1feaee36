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
    m_text.prepend(timeText() + message + QStringLiteral("\r\n"));
}

void MessageLog::start()
{
    m_text = timeText() + QStringLiteral(" +++ Programmstart. \r\n\r\n");
}
