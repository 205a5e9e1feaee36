// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

// The bytes on both sides of the converter: the timing device's records and the board's lines.
namespace BoardText {

// A board line as it goes out: padded with blanks to 22 characters, then CR.
inline QByteArray line(const QByteArray& text)
{
    return text.leftJustified(22, ' ') + '\r';
}

// The timing device's L0 record of a start number and its time, "..L0<TAB> 042<TAB>00:01:23.45<CR>".
inline QByteArray l0(const QByteArray& number, const QByteArray& time)
{
    return "..L0\t " + number + '\t' + time + '\r';
}

// The board line of that record in the mode Tag Heuer -> ALGE.
inline QByteArray l0Line(const QByteArray& number, const QByteArray& time)
{
    return line(number + ".    " + time);
}

// Start number n's record with the time 00:00:<n mod 60>.00, and its board line.
inline QByteArray l0(int n)
{
    return l0(QByteArray::number(n), "00:00:" + QByteArray::number(n % 60) + ".00");
}
inline QByteArray l0Line(int n)
{
    return l0Line(QByteArray::number(n), "00:00:" + QByteArray::number(n % 60) + ".00");
}

} // namespace BoardText
