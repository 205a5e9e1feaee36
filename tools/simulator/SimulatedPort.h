// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// One end of a null-modem cable on a pseudo-terminal: Brelox opens the slave through the link
// <folder>/comN, the simulator works the master. Both ends raw. The link is removed again on destruction;
// an existing file that is no link is left alone (and the port is then not ready).
class SimulatedPort
{
public:
    SimulatedPort(const QString& folder, int number);
    ~SimulatedPort();
    SimulatedPort(const SimulatedPort&) = delete;
    SimulatedPort& operator=(const SimulatedPort&) = delete;

    bool isReady() const { return m_master >= 0 && m_linked; }
    int fd() const { return m_master; }
    QString link() const { return m_link; }
    // Writes all bytes to the master; false when the line would not take them.
    bool send(const QByteArray& bytes) const;
    // What is waiting on the master (non-blocking read), possibly nothing.
    QByteArray receive();

private:
    QString m_link;
    int m_master = -1;
    int m_slave = -1;
    bool m_linked = false;
};
