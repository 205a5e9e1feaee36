#include "ports/SerialPortService.h"

QByteArray SerialPortService::toLatin1Bytes(const QString& text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    for (QChar c : text)
        *out++ = c.unicode() < 0x100 ? static_cast<char>(c.unicode()) : '?';
    return bytes;
}
