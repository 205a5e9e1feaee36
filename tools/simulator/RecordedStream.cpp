// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordedStream.h"

#include "core/ByteEscapes.h"

namespace RecordedStream {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// HH:MM:SS.mmm
bool isClockTime(QByteArrayView field)
{
    static const char shape[] = "99:99:99.999";
    if (field.size() != 12)
        return false;
    for (int i = 0; i < 12; ++i) {
        if (shape[i] == '9' ? !isDigit(field[i]) : field[i] != shape[i])
            return false;
    }
    return true;
}

} // namespace

QByteArray line(const Entry& entry)
{
    QByteArray text = QByteArray::number(entry.ms) + ' ';
    ByteEscapes::appendEscaped(text, entry.bytes);
    return text + '\n';
}

Reader::Result Reader::next(Entry& entry)
{
    while (m_error.isEmpty()) {
        const qsizetype end = m_buffer.indexOf('\n', m_start);
        const qsizetype length = (end < 0 ? m_buffer.size() : end) - m_start;
        if (length > MaxLine) {
            ++m_lineNumber;
            bad(QStringLiteral("länger als %1 Bytes").arg(MaxLine));
            break;
        }
        if (end < 0 && !m_finished) {
            m_buffer.remove(0, m_start);
            m_start = 0;
            return Result::NeedMore;
        }
        if (end < 0 && (length <= 0 || m_format == Format::Journal))
            return Result::End; // nothing left, or a journal's line cut short
        QByteArrayView text = QByteArrayView(m_buffer).sliced(m_start, length);
        m_start += length + 1;
        ++m_lineNumber;
        if (text.endsWith('\r'))
            text.chop(1);
        if (m_format == Format::Unknown) {
            m_format = text.startsWith("# Brelox ") && text.contains(" journal, started ")
                           ? Format::Journal
                           : Format::Recording;
        }
        if (text.isEmpty() || text.startsWith('#'))
            continue;
        bool replay = false;
        if (!readLine(text, entry, replay))
            break;
        if (replay)
            return Result::Entry;
    }
    return Result::Bad;
}

bool Reader::readLine(QByteArrayView text, Entry& entry, bool& replay)
{
    QByteArrayView data;
    const qsizetype blank = text.indexOf(' ');
    if (m_format == Format::Journal) {
        // <ms> <HH:MM:SS.mmm> <channel> <data>; the data may be missing for an empty chunk.
        const QByteArrayView rest = blank > 0 ? text.sliced(blank + 1) : QByteArrayView();
        if (blank <= 0 || rest.size() < 14 || !isClockTime(rest.first(12)) || rest[12] != ' ' ||
            rest[13] == ' ')
            return bad(QStringLiteral("erwartet <Millisekunden> <HH:MM:SS.mmm> <Kanal> <Daten>"));
        const QByteArrayView channel = rest.sliced(13);
        replay = channel == "in" || channel.startsWith("in ");
        if (!replay)
            return readTime(text.first(blank), entry.ms);
        data = channel.sliced(qMin<qsizetype>(3, channel.size()));
    } else {
        if (blank <= 0)
            return bad(QStringLiteral("erwartet <Millisekunden> <Bytes>"));
        replay = true;
        data = text.sliced(blank + 1);
    }
    if (!readTime(text.first(blank), entry.ms))
        return false;
    if (entry.ms < m_lastMs)
        return bad(QStringLiteral("die Zeit läuft rückwärts"));
    m_lastMs = entry.ms;
    for (const char c : data) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b > 0x7E)
            return bad(QStringLiteral("Byte 0x%1 ohne Escape")
                           .arg(QString::number(b, 16).toUpper().rightJustified(2, QLatin1Char('0'))));
    }
    if (!ByteEscapes::unescape(data, entry.bytes))
        return bad(QStringLiteral("unbekanntes oder unvollständiges Escape"));
    return true;
}

bool Reader::readTime(QByteArrayView field, qint64& ms)
{
    ms = 0;
    for (const char c : field) {
        if (!isDigit(c))
            return bad(QStringLiteral("die Zeit ist keine Zahl von Millisekunden"));
        ms = ms > MaxMs ? ms : ms * 10 + (c - '0');
    }
    if (ms > MaxMs)
        return bad(QStringLiteral("die Zeit ist größer als %1 ms (30 Tage)").arg(MaxMs));
    return true;
}

bool Reader::bad(const QString& what)
{
    m_error = QStringLiteral("Zeile %1: %2").arg(m_lineNumber).arg(what);
    return false;
}

} // namespace RecordedStream
