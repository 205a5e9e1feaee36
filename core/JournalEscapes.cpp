// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/JournalEscapes.h"

namespace JournalEscapes {

namespace {

// The escape of a byte that has a name, or 0.
char namedEscape(char byte)
{
    switch (byte) {
    case '\t':
        return 't';
    case '\r':
        return 'r';
    case '\n':
        return 'n';
    case '\\':
        return '\\';
    default:
        return 0;
    }
}

int hexValue(char digit)
{
    if (digit >= '0' && digit <= '9')
        return digit - '0';
    if (digit >= 'A' && digit <= 'F')
        return digit - 'A' + 10;
    if (digit >= 'a' && digit <= 'f')
        return digit - 'a' + 10;
    return -1;
}

} // namespace

void appendBytes(QByteArray& out, QByteArrayView bytes)
{
    static const char hex[] = "0123456789ABCDEF";
    for (const char byte : bytes) {
        const auto code = static_cast<unsigned char>(byte);
        if (const char name = namedEscape(byte)) {
            out += '\\';
            out += name;
        } else if (code >= 0x20 && code <= 0x7E) {
            out += byte;
        } else {
            const char escape[] = {'\\', 'x', hex[code >> 4], hex[code & 0xF]};
            out.append(escape, 4);
        }
    }
}

void appendText(QByteArray& out, QByteArrayView utf8)
{
    for (const char byte : utf8) {
        if (const char name = namedEscape(byte)) {
            out += '\\';
            out += name;
        } else {
            out += byte;
        }
    }
}

std::optional<QByteArray> unescape(QByteArrayView escaped)
{
    QByteArray bytes;
    bytes.reserve(escaped.size());
    for (qsizetype i = 0; i < escaped.size(); ++i) {
        if (escaped[i] != '\\') {
            bytes += escaped[i];
            continue;
        }
        if (++i == escaped.size())
            return std::nullopt;
        switch (escaped[i]) {
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
            const int high = i + 1 < escaped.size() ? hexValue(escaped[i + 1]) : -1;
            const int low = i + 2 < escaped.size() ? hexValue(escaped[i + 2]) : -1;
            if (high < 0 || low < 0)
                return std::nullopt;
            bytes += char(high * 16 + low);
            i += 2;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return bytes;
}

} // namespace JournalEscapes
