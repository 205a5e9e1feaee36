// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Bytes written as one line of text, as the simulator's recordings and the race journal hold them: a TAB is
// `\t`, a CR `\r`, a LF `\n`, a backslash `\\`, every other byte outside 0x20-0x7E `\xNN` (two hex digits,
// upper case); every other byte stands for itself, blanks included. The text never holds a line break.
namespace ByteEscapes {

QByteArray escape(QByteArrayView bytes);
// Appends the escaped bytes to `text` (no allocation per byte).
void appendEscaped(QByteArray& text, QByteArrayView bytes);
// UTF-8 text written on one line: only `\\`, TAB, CR and LF are escaped, so "geöffnet" reads as itself.
QByteArray escapeText(QByteArrayView utf8);

// The bytes of an escaped text. False, with `bytes` undefined, when the text holds an unknown or unfinished
// escape, a `\x` without two hex digits after it, or an unescaped byte outside 0x20-0x7E.
bool unescape(QByteArrayView text, QByteArray& bytes);

} // namespace ByteEscapes
