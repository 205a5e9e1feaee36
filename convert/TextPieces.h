// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringView>
#include <algorithm>

// Cutting pieces out of records and time texts, with positions counted from 1 as the formats give them.
namespace TextPieces {

// At most `count` characters (all the rest for -1) from position `from`; empty when the text ends before it.
inline QStringView piece(QStringView text, qsizetype from, qsizetype count = -1)
{
    const qsizetype start = from - 1;
    if (start < 0 || start >= text.size())
        return {};
    const qsizetype available = text.size() - start;
    return text.sliced(start, count < 0 ? available : std::min(count, available));
}

// The text without the blanks around it (only blanks: a TAB is part of the text).
inline QStringView trimBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.sliced(begin, end - begin);
}

} // namespace TextPieces
