// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// What the simulator replays, read line by line as it plays. Two kinds of file, told apart by their first
// line:
//
// - A recording, one entry a line: `<milliseconds since the start> <bytes>`, one blank between the two. The
//   bytes are escaped as core/ByteEscapes.h says (`\t`, `\r`, `\n`, `\\`, `\xNN`; every other byte of
//   0x20-0x7E stands for itself, blanks included).
// - A Brelox journal, whose first line reads `# Brelox <version> journal, started <date> <time> <offset>`:
//   entries `<milliseconds since the start> <HH:MM:SS.mmm> <channel> <data>`, one blank between the fields.
//   Only the channel `in` (the bytes read from the input port, escaped as above) is replayed; the other
//   channels are skipped. A last line without its line feed (cut by a crash) is skipped too.
//
// In both, empty lines and lines starting with `#` are comments, a CR before the line feed is ignored, times
// never go backwards and are at most MaxMs (30 days). A line is at most MaxLine bytes long.
namespace RecordedStream {

constexpr qint64 MaxMs = 30LL * 24 * 60 * 60 * 1000;
constexpr qsizetype MaxLine = 1 << 20;

struct Entry
{
    qint64 ms = 0;
    QByteArray bytes;
    bool operator==(const Entry& other) const { return ms == other.ms && bytes == other.bytes; }
};

// One line of a recording, ending in '\n'.
QByteArray line(const Entry& entry);

// Cuts the bytes of a file, handed in as they are read, into entries. Holds at most one unfinished line.
class Reader
{
public:
    enum class Result
    {
        Entry,
        NeedMore,
        End,
        Bad
    };

    // The next bytes of the file; only after next() said NeedMore.
    void feed(QByteArrayView bytes) { m_buffer.append(bytes.data(), bytes.size()); }
    // The file has no more bytes.
    void finish() { m_finished = true; }
    // The next entry to replay; Bad with error() ("Zeile 3: ...") on the first bad line, and from then on.
    Result next(Entry& entry);
    QString error() const { return m_error; }
    bool isJournal() const { return m_format == Format::Journal; }

private:
    enum class Format
    {
        Unknown,
        Recording,
        Journal
    };
    // False with m_error set; true with `replay` telling whether the line is an entry to replay.
    bool readLine(QByteArrayView text, Entry& entry, bool& replay);
    bool readTime(QByteArrayView field, qint64& ms);
    bool bad(const QString& what);

    QByteArray m_buffer;
    qsizetype m_start = 0;
    qint64 m_lineNumber = 0;
    qint64 m_lastMs = 0;
    Format m_format = Format::Unknown;
    bool m_finished = false;
    QString m_error;
};

} // namespace RecordedStream
