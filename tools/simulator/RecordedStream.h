// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A recorded input stream, one entry a line: `<milliseconds since the start> <bytes>`. In the bytes a TAB is
// written `\t`, a CR `\r`, a LF `\n`, a backslash `\\` and any other byte outside 0x20-0x7E `\xNN` (two hex
// digits); every other byte stands for itself, blanks included. Empty lines and lines starting with `#` are
// comments.
namespace RecordedStream {

struct Entry
{
    qint64 ms = 0;
    QByteArray bytes;
    bool operator==(const Entry& other) const { return ms == other.ms && bytes == other.bytes; }
};

QByteArray escape(const QByteArray& bytes);
// False when `text` holds an unknown or unfinished escape.
bool unescape(const QByteArray& text, QByteArray& bytes);

// One line of the file, ending in '\n'.
QByteArray line(const Entry& entry);
// All entries of a file's text, in file order; false with `error` ("line 3: ...") on the first bad line.
// Times must not go backwards.
bool parse(const QByteArray& text, QList<Entry>& entries, QString& error);

// Hands out the entries when their time has come, measured from the start of the replay.
class Replay
{
public:
    explicit Replay(QList<Entry> entries) : m_entries(std::move(entries)) {}
    // The bytes of every entry due at `elapsedMs` that was not handed out before, in order.
    QByteArray due(qint64 elapsedMs);
    // Milliseconds from the start at which the next entry is due; -1 when all are out.
    qint64 nextDue() const;
    bool finished() const { return m_next >= m_entries.size(); }

private:
    QList<Entry> m_entries;
    qsizetype m_next = 0;
};

} // namespace RecordedStream
