#pragma once

#include "ports/SerialPortService.h"

#include <QByteArray>
#include <QSet>
#include <QStringList>

// An in-memory serial port. Ports listed in `existing` open; everything written is kept in `written`;
// deliver() puts bytes in the receive buffer and raises the receive event.
class FakeSerialPort : public SerialPortService
{
    Q_OBJECT
public:
    using SerialPortService::SerialPortService;

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
    int commEvent() const override { return m_commEvent; }

    // Puts bytes into the receive buffer and raises event 2.
    void deliver(const QByteArray& bytes);
    // Raises an event of the given kind without data (1006, 1008, ...).
    void raise(int code);
    // The device goes away / comes back while open.
    void unplug();
    void replug();

    QSet<int> existing;          // port numbers that open
    bool refuseOpen = false;     // every open fails
    bool refuseClose = false;    // every close fails
    bool refuseWrite = false;    // every write fails
    bool refuseSettings = false; // every settings string is refused on assignment
    QByteArray written;          // all bytes written, in order
    QList<int> openedPorts;      // port number of every successful open, in order
    int rThreshold = -1;
    int sThreshold = -1;
    int inputLen = -1;

private:
    int m_commPort = 1;
    QString m_settings = QStringLiteral("9600,N,8,1");
    bool m_open = false;
    bool m_unplugged = false;
    int m_commEvent = 0;
    QByteArray m_received;
};
