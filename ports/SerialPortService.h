// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

// One serial port as the window uses it: a port number and a settings string assigned while closed, open and
// close that fail detectably, text written and read one byte per character (Latin-1), and one communication
// event, raised on the window's thread, whose kind commEvent() tells.
//
// Receive events never nest: while a handler of the receive event runs (a modal box may spin a nested event
// loop inside it), bytes that arrive only collect. When the handler returns, the event is raised again as
// long as bytes wait and the handler took input the last time, so no received byte waits for further input.
class SerialPortService : public QObject
{
    Q_OBJECT
public:
    enum CommEventCode : int
    {
        comEvReceive = 2,       // characters were received
        comEventOverrun = 1006, // a character was lost before it could be read from the hardware
        comEventRxOver = 1008,  // the receive buffer overflowed
    };

    using QObject::QObject;

    // Assigns the port number; false when the number is not accepted (outside 1..255 or port open).
    virtual bool setCommPort(int number) = 0;
    virtual int commPort() const = 0;
    // Assigns a settings string such as "9600,N,8,1"; false when the string is not accepted.
    virtual bool setSettings(const QString& settings) = 0;
    virtual QString settings() const = 0;

    // Opens the port with the number and settings assigned; false when that fails (the port stays closed).
    virtual bool open() = 0;
    // Closes the port; false when that fails. The port counts as closed afterwards in any case.
    virtual bool close() = 0;
    virtual bool isOpen() const = 0;

    virtual void setRThreshold(int threshold) = 0;
    virtual void setSThreshold(int threshold) = 0;
    virtual void setInputLen(int length) = 0;

    // Queues the whole text for sending, one byte per character; false when the port refused it.
    virtual bool output(const QString& text) = 0;
    // Returns and removes everything received so far.
    virtual QString input() = 0;
    // How many received bytes wait to be read with input().
    virtual qint64 bytesWaiting() const = 0;
    // The kind of the event being reported by onComm().
    int commEvent() const { return m_commEvent; }

    // Characters not in Latin-1 go out as "?".
    static QByteArray toLatin1Bytes(const QString& text);

signals:
    void onComm();
    // The device of an open port went away; the service keeps trying to open it again.
    void connectionLost();
    // The device came back and the port is open again with the same settings.
    void reconnected();
    // Text waiting to be sent was dropped, oldest first, because the device takes it more slowly than it
    // comes. Once for each overload, which ends when nothing waits any more.
    void outputOverloaded();
    // Bytes input() took from the port, as read (for the race journal).
    void bytesRead(const QByteArray& bytes);
    // Bytes handed on to the device, when they go; a line may go in pieces.
    void bytesSent(const QByteArray& bytes);
    // A waiting line dropped by the overload rule above.
    void lineDropped(const QByteArray& line);

protected:
    // A service calls this whenever received bytes have come in (see the class comment).
    void bytesArrived();
    // Whether received bytes are due for a receive event now (port open, receive threshold reached).
    virtual bool receiveDue() const = 0;
    // Runs once for each round of bytesArrived(), after the receive event's handler (if one was due).
    virtual void afterReceive() {}
    // input() calls this when it hands out characters.
    void noteTaken() { m_taken = true; }
    // Reports an event of the given kind through onComm().
    void raise(int code);

private:
    int m_commEvent = 0;
    bool m_receiving = false; // a receive event's handler is running
    bool m_taken = false;     // the handler read input since the event was raised
};
