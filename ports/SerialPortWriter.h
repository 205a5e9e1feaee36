// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ports/PortWriter.h"

class QSerialPort;

// The writer of an OutputQueue on an open QSerialPort: QSerialPort's write buffer holds what the device has
// not taken yet (it emits bytesWritten() whenever the device took some); a write now goes to the descriptor
// without waiting.
class SerialPortWriter : public PortWriter
{
public:
    explicit SerialPortWriter(QSerialPort& port) : m_port(port) {}

    qint64 held() const override;
    qsizetype writeNow(const char* data, qsizetype size) override;
    bool hold(const char* data, qsizetype size) override;

    // A far end that hung up or a device that was removed shows as a hang-up or an error on the handle.
    bool deviceStillThere() const;

private:
    QSerialPort& m_port;
};
