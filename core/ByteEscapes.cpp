// SPDX-License-Identifier: GPL-3.0-or-later
#include "ByteEscapes.h"

namespace ByteEscapes {

namespace {

const char* shortEscape(char c)
{
    switch (c) {
    case '\t':
        return "\\t";
    case '\r':
        return "\\r";
    case '\n':
        return "\\n";
    case '\\':
        return "\\\\";
    default:
        return nullptr;
    }
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

void appendEscaped(QByteArray& text, QByteArrayView bytes)
{
    static const char hex[] = "0123456789ABCDEF";
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (const char* escaped = shortEscape(c)) {
            text += escaped;
        } else if (b >= 0x20 && b <= 0x7E) {
            text += c;
        } else {
            const char code[4] = {'\\', 'x', hex[b >> 4], hex[b & 0x0F]};
            text.append(code, 4);
        }
    }
}

QByteArray escape(QByteArrayView bytes)
{
    QByteArray text;
    text.reserve(bytes.size());
    appendEscaped(text, bytes);
    return text;
}

QByteArray escapeText(QByteArrayView utf8)
{
    QByteArray text;
    text.reserve(utf8.size());
    for (const char c : utf8) {
        if (const char* escaped = shortEscape(c))
            text += escaped;
        else
            text += c;
    }
    return text;
}

bool unescape(QByteArrayView text, QByteArray& bytes)
{
    bytes.clear();
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x20 || b > 0x7E)
            return false;
        if (b != '\\') {
            bytes += char(b);
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
            const int high = i + 1 < text.size() ? hexValue(text[i + 1]) : -1;
            const int low = i + 2 < text.size() ? hexValue(text[i + 2]) : -1;
            if (high < 0 || low < 0)
                return false;
            bytes += char(high << 4 | low);
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

} // namespace ByteEscapes
