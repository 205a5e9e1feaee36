// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ports/PortWriter.h"

#include <QByteArray>

#include <algorithm>
#include <limits>

// A board behind an OutputQueue, with the rules of QSerialPort and the tty driver in front of a device:
// - The device takes bytes while it has room, `room` of them until the next turn of the event loop; a write
//   takes what fits and returns at once; one that fails while the device is there (`failing`: EAGAIN, EIO)
//   takes nothing. A `gone` device takes nothing, and writes say so. By default it takes everything at once.
// - What it did not take is held in front of it (QSerialPort's write buffer) and written, as far as there is
//   room, in the next turn(), which says how many it took (bytesWritten); a failed write keeps them held.
// - Closing the port (discard()) drops what is held; a line the device took in part is left out of `taken`.
struct FakeBoard : PortWriter
{
    qint64 held() const override { return m_held.size(); }
    qsizetype writeNow(const char* data, qsizetype size) override
    {
        const qsizetype n = gone ? -1 : failing ? 0 : std::min(room, size);
        room -= std::max<qsizetype>(n, 0);
        taken.append(data, std::max<qsizetype>(n, 0));
        return n;
    }
    bool hold(const char* data, qsizetype size) override
    {
        m_held.append(data, size);
        return true;
    }
    qsizetype turn(qsizetype bytes)
    {
        room = bytes;
        const qsizetype n = m_held.isEmpty() ? 0 : writeNow(m_held.constData(), m_held.size());
        m_held.remove(0, std::max<qsizetype>(n, 0));
        return n;
    }
    void discard()
    {
        m_held.clear();
        taken.truncate(taken.lastIndexOf('\r') + 1);
    }

    QByteArray taken; // what the device took, in order
    qsizetype room = std::numeric_limits<qsizetype>::max();
    bool failing = false;
    bool gone = false;

private:
    QByteArray m_held;
};
