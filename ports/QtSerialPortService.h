// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ports/ComPortMap.h"
#include "ports/OutputQueue.h"
#include "ports/SerialPortService.h"
#include "ports/SerialPortWriter.h"

#include <QSerialPort>
#include <QTimer>

// The serial-port service on QSerialPort. Received data raises event 2 (never nested, see SerialPortService);
// overruns and receive-buffer overflows that the kernel counts (TIOCGICOUNT) raise 1006 and 1008. When the
// device of an open port goes away, the port is closed at once, connectionLost() is emitted once, and the
// same device is tried again about once a second until it opens (reconnected()) or the operator closes the
// port. The map it was given decides what "the same device" is: a port whose link is gone is not there. A
// write that fails while the device is still there (its buffer is full) loses nothing: the bytes are written
// when the device takes data again. Closing the port discards what the device's driver has not sent yet,
// so that close() does not wait for it (see close() for the USB serial drivers).
//
// Sending: lines go out through an OutputQueue whose writer is QSerialPort (SerialPortWriter): straight to
// the driver when nothing waits before them, else handed to QSerialPort one by one when its buffer is nearly
// empty. The queue holds at most QueueLimit bytes; a line that does not fit drops the oldest waiting lines
// (outputOverloaded()), since the board should show the newest. A line that has begun to go out is always
// finished whole; what waits is dropped when the port is closed or its device goes away.
class QtSerialPortService : public SerialPortService
{
    Q_OBJECT
public:
    static constexpr qsizetype QueueLimit = OutputQueue::Limit;
    // Received bytes QSerialPort holds at most while the receive handler does not take them (a box is open
    // inside it): some 18 minutes of a 9600-baud line. What comes after waits in the device's driver, which
    // holds up a pseudo-terminal's writer and, on a UART, drops what it cannot hold and counts it: that is
    // reported as a receive-buffer overflow (1008).
    static constexpr qint64 ReadLimit = qint64(1024) * 1024;

    explicit QtSerialPortService(ComPortMap map, QObject* parent = nullptr);
    ~QtSerialPortService() override;

    bool setCommPort(int number) override;
    int commPort() const override { return m_commPort; }
    bool setSettings(const QString& settings) override;
    QString settings() const override { return m_settings; }
    bool open() override;
    bool close() override;
    bool isOpen() const override { return m_wantOpen; }
    void setRThreshold(int threshold) override { m_rThreshold = threshold; }
    void setSThreshold(int threshold) override { m_sThreshold = threshold; }
    void setInputLen(int length) override { m_inputLen = length; }
    bool output(const QString& text) override;
    QString input() override;
    qint64 bytesWaiting() const override { return m_port.isOpen() ? m_port.bytesAvailable() : 0; }

    // Milliseconds between two attempts to open a lost device again.
    void setRetryInterval(int msecs) { m_retry.setInterval(msecs); }

private:
    bool openDevice();
    bool settingsTookEffect() const;
    void resetLineErrorCounts();
    bool receiveDue() const override;
    void afterReceive() override;
    void onError(QSerialPort::SerialPortError error);
    void deviceLost();
    void retryOpen();
    void checkLineErrors();

    ComPortMap m_map;
    QSerialPort m_port;
    SerialPortWriter m_writer{m_port};
    OutputQueue m_output{m_writer};
    QTimer m_retry;
    int m_commPort = 1;
    QString m_settings = QStringLiteral("9600,N,8,1");
    int m_rThreshold = 0;
    int m_sThreshold = 0;
    int m_inputLen = 0;
    bool m_wantOpen = false;   // the program has opened the port (it may be waiting for the device)
    bool m_lost = false;       // the device went away and is being retried
    bool m_closing = false;    // errors reported while the device is being closed are expected
    bool m_haveCounts = false; // the driver counts overruns (TIOCGICOUNT)
    quint64 m_overruns = 0;
    quint64 m_bufferOverruns = 0;
};
