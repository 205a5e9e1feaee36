// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

class WallClock;

// The message log: one line per message, newest first, each with the time of day.
class MessageLog
{
public:
    MessageLog(const WallClock& clock, QString& text);

    // Puts "<time> <message>" CR LF on top of the log.
    void WriteLog(const QString& message);
    // Replaces the whole log with the start line and an empty line.
    void start();

    // The time of day as the log writes it: HH:MM:SS on the 24-hour clock, whatever the locale.
    QString timeText() const;

    // Called with each line as it is written ("<time> <message>", without CR LF).
    void onWritten(std::function<void(const QString& line)> written) { m_written = std::move(written); }

private:
    const WallClock& m_clock;
    QString& m_text;
    std::function<void(const QString&)> m_written;
};
