// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QVariant>

#include <cstdio>
#include <cstdlib>
#include <string>

// A property every input must keep: when it does not, say which and stop, so that libFuzzer keeps the input.
// The detail (a text, bytes or a number) is written out only then.
template <class Detail = QString> void check(bool holds, const char* property, const Detail& detail = {})
{
    if (holds)
        return;
    std::fprintf(stderr, "property violated: %s\n%s\n", property,
                 qPrintable(QVariant(detail).toString().left(400)));
    std::abort();
}

// Bytes in place, copied only when the property does not hold.
inline void check(bool holds, const char* property, QByteArrayView detail)
{
    if (!holds)
        check(holds, property, detail.toByteArray());
}

// The fuzzer's bytes as text, one character per byte.
inline QString latin1(const std::string& bytes)
{
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}
