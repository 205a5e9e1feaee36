// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordedStream.h"

#include <cctype>

namespace RecordedStream {

QByteArray escape(const QByteArray& bytes)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        switch (b) {
        case '\t':
            text += "\\t";
            break;
        case '\r':
            text += "\\r";
            break;
        case '\n':
            text += "\\n";
            break;
        case '\\':
            text += "\\\\";
            break;
        default:
            if (b >= 0x20 && b <= 0x7E) {
                text += c;
            } else {
                text += "\\x";
                text += hex[b >> 4];
                text += hex[b & 0x0F];
            }
        }
    }
    return text;
}

bool unescape(const QByteArray& text, QByteArray& bytes)
{
    bytes.clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes += text[i];
            continue;
        }
        if (++i >= text.size())
            return false;
        switch (text[i]) {
        case 't':
            bytes += '\t';
            break;
        case 'r':
            bytes += '\r';
            break;
        case 'n':
            bytes += '\n';
            break;
        case '\\':
            bytes += '\\';
            break;
        case 'x': {
            bool ok = false;
            const QByteArray digits = text.mid(i + 1, 2);
            const int value = digits.size() == 2 ? digits.toInt(&ok, 16) : 0;
            if (!ok || digits.startsWith('+') || digits.startsWith('-'))
                return false;
            bytes += char(value);
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

QByteArray line(const Entry& entry)
{
    return QByteArray::number(entry.ms) + ' ' + escape(entry.bytes) + '\n';
}

bool parse(const QByteArray& text, QList<Entry>& entries, QString& error)
{
    entries.clear();
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QByteArray content = lines[n];
        if (content.endsWith('\r'))
            content.chop(1);
        if (content.isEmpty() || content.startsWith('#'))
            continue;
        auto bad = [&](const char* what) {
            error = QStringLiteral("line %1: %2").arg(n + 1).arg(QLatin1String(what));
            return false;
        };
        const qsizetype blank = content.indexOf(' ');
        if (blank <= 0)
            return bad("expected <milliseconds> <bytes>");
        bool ok = false;
        Entry entry;
        entry.ms = content.left(blank).toLongLong(&ok);
        if (!ok || entry.ms < 0 || !std::isdigit(static_cast<unsigned char>(content[0])))
            return bad("the time is no number of milliseconds");
        if (!entries.isEmpty() && entry.ms < entries.last().ms)
            return bad("the time goes backwards");
        if (!unescape(content.mid(blank + 1), entry.bytes))
            return bad("unknown or unfinished escape");
        entries << entry;
    }
    return true;
}

QByteArray Replay::due(qint64 elapsedMs)
{
    QByteArray bytes;
    while (m_next < m_entries.size() && m_entries[m_next].ms <= elapsedMs)
        bytes += m_entries[m_next++].bytes;
    return bytes;
}

qint64 Replay::nextDue() const
{
    return finished() ? -1 : m_entries[m_next].ms;
}

} // namespace RecordedStream
