// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

// Where an OutputQueue hands its bytes: a device that takes bytes while it has room, behind a buffer of the
// writer's own that keeps what the device has not taken yet (QSerialPort's write buffer).
class PortWriter
{
public:
    virtual ~PortWriter() = default;

    // Bytes the writer keeps that the device has not taken yet.
    virtual qint64 held() const = 0;
    // Writes what the device takes of the bytes now, without waiting: how many it took (0 while it has no
    // room or a write fails), or -1 when the device is gone.
    virtual qsizetype writeNow(const char* data, qsizetype size) = 0;
    // Keeps the bytes and writes them as the device takes them; false when the writer refuses them. Each time
    // the device has taken some of them, the writer's owner calls OutputQueue::handOver().
    virtual bool hold(const char* data, qsizetype size) = 0;
};
