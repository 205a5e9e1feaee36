// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FakeBoard.h"
#include "ports/OutputQueue.h"
#include "ports/SerialPortService.h"

#include <QByteArray>
#include <QSet>
#include <QStringList>

// An in-memory serial port that keeps the rules of the real port service on QSerialPort:
// - Bytes delivered to an open port collect in its receive buffer; one input() returns and removes all of
//   them. A port that is closed or whose device went away takes no bytes, and closing it empties the buffer.
// - No receive event is raised while a receive handler of this port runs (QSerialPort does not emit
//   readyRead from inside its own readyRead slot, and a modal box spins its nested event loop there): bytes
//   delivered meanwhile only collect, and are reported when the handler returns (the service's own rule).
// - A receive threshold of 0 turns receive events off; any other value (the rig leaves it unset) raises
//   them for every delivery.
// - Output goes through the real OutputQueue to `board` (see FakeBoard), which takes everything at once
//   unless a test gives it room turn by turn (turn()). Closing the port drops what waits for the board.
// - A device that goes away (unplug(), or `board.gone` found by a write or a turn) is reported once
//   (connectionLost()); the port refuses writes and drops what it had received and what waited to be sent,
//   until replug() brings the device back (reconnected(), only if the port had noticed); a port does not open
//   on a gone board.
// - A settings string is refused while the port is open and when it names anything the platform cannot
//   honour (PortSettings::parse); the port number outside 1..255 and while open.
// - input() reports what it returns with bytesRead(); the queue reports what it hands to the board
//   (bytesSent()), each line it drops (lineDropped()) and each overload (outputOverloaded()).
// Ports listed in `existing` open; everything the port took for sending is kept in `written`.
class FakeSerialPort : public SerialPortService
{
    Q_OBJECT
public:
    explicit FakeSerialPort(QObject* parent = nullptr);

    bool setCommPort(int number) override;
    int commPort() const override { return m_commPort; }
    bool setSettings(const QString& settings) override;
    QString settings() const override { return m_settings; }
    bool open() override;
    bool close() override;
    bool isOpen() const override { return m_open; }
    void setRThreshold(int threshold) override { rThreshold = threshold; }
    void setSThreshold(int threshold) override { sThreshold = threshold; }
    void setInputLen(int length) override { inputLen = length; }
    bool output(const QString& text) override;
    QString input() override;
    qint64 bytesWaiting() const override { return m_received.size(); }

    // Puts bytes into the receive buffer and raises event 2 by the rules above.
    void deliver(const QByteArray& bytes);
    // Raises an event of the given kind without data (1006, 1008, ...).
    using SerialPortService::raise;
    // The device goes away / comes back while open.
    void unplug();
    void replug();
    // One turn of the event loop: the board has room for `room` bytes until the next turn, takes what the
    // port holds, and the queue hands it the lines that wait; a gone board is noticed.
    void turn(qsizetype room);
    OutputQueue& queue() { return m_queue; }
    const OutputQueue& queue() const { return m_queue; }
    // Forgets the traffic and the faults, open or closed: nothing received, waiting or written, a device that
    // is there on a new board, no refusals.
    void reset();

    FakeBoard board;

    QSet<int> existing;          // port numbers that open
    bool refuseOpen = false;     // every open fails, as a device held elsewhere or not permitted does
    bool refuseClose = false;    // every close fails
    bool refuseWrite = false;    // every write fails
    bool refuseSettings = false; // every settings string is refused on assignment
    QByteArray written;          // all bytes taken for sending, in order
    int rThreshold = -1;
    int sThreshold = -1;
    int inputLen = -1;

protected:
    bool receiveDue() const override;

private:
    void lose();

    OutputQueue m_queue{board};
    int m_commPort = 1;
    QString m_settings = QStringLiteral("9600,N,8,1");
    bool m_open = false;
    bool m_unplugged = false;
    QByteArray m_received;
};
