// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// How the race journal writes data on one text line. Bytes: \t, \r, \n and \\ for TAB, CR, LF and the
// backslash, every other byte of 0x20-0x7E stands for itself, and all others are \xNN (two upper-case hex
// digits). Texts: UTF-8 with only \\, \t, \r and \n escaped. Neither ever contains a line break.
namespace JournalEscapes {

// Appends the escaped bytes to `out`.
void appendBytes(QByteArray& out, QByteArrayView bytes);
// Appends the UTF-8 text (already encoded) with its backslashes, TABs, CRs and LFs escaped.
void appendText(QByteArray& out, QByteArrayView utf8);
// The bytes an escaped field stands for (either kind); nothing for a malformed escape.
std::optional<QByteArray> unescape(QByteArrayView escaped);

} // namespace JournalEscapes
