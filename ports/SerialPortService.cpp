// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/SerialPortService.h"

#include <QScopedValueRollback>

QByteArray SerialPortService::toLatin1Bytes(const QString& text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    for (QChar c : text)
        *out++ = c.unicode() < 0x100 ? static_cast<char>(c.unicode()) : '?';
    return bytes;
}

void SerialPortService::bytesArrived()
{
    if (m_receiving)
        return; // the handler running further up the stack raises the event again when it returns
    const QScopedValueRollback<bool> receiving(m_receiving, true);
    for (;;) {
        const bool due = receiveDue();
        m_taken = false;
        if (due)
            raise(comEvReceive);
        afterReceive();
        // A handler that leaves the bytes waiting is not asked again until more arrive.
        if (!due || !m_taken || !receiveDue())
            break;
    }
}

void SerialPortService::raise(int code)
{
    m_commEvent = code;
    emit onComm();
}
