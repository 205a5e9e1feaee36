// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// The ports folder while one simulator uses it: made where missing, and held with an flock(2) on its file
// `.brelox-simulator.lock`, so that a second simulator refuses the folder instead of taking its links. The
// lock file goes when the simulator ends (and the kernel lets go of the lock when it dies).
class PortsFolderLock
{
public:
    explicit PortsFolderLock(const QString& folder);
    ~PortsFolderLock();
    PortsFolderLock(const PortsFolderLock&) = delete;
    PortsFolderLock& operator=(const PortsFolderLock&) = delete;

    // Why the folder cannot be used ("kein Ordner", "wird schon von einem anderen Simulator benutzt", ...),
    // empty when the lock is held.
    QString error() const { return m_error; }

private:
    QByteArray m_lockFile;
    int m_fd = -1;
    QString m_error;
};

// One end of a null-modem cable on a pseudo-terminal: Brelox opens the slave through the link
// <folder>/comN, the simulator works the master. Both ends raw. A `comN` that exists is replaced only when it
// is a link to a pseudo-terminal (/dev/pts/...), never a file or a link to a real device; on destruction the
// link is removed only while it still points at this port's own slave.
class SimulatedPort
{
public:
    SimulatedPort(const QString& folder, int number);
    ~SimulatedPort();
    SimulatedPort(const SimulatedPort&) = delete;
    SimulatedPort& operator=(const SimulatedPort&) = delete;

    bool isReady() const { return m_master >= 0 && m_linked; }
    // Why the port is not ready, in German; empty when it is.
    QString error() const { return m_error; }
    int fd() const { return m_master; }
    QString link() const { return m_link; }
    // Writes all bytes to the master; false when the line would not take them.
    bool send(const QByteArray& bytes) const;
    // What is waiting on the master (non-blocking read), possibly nothing.
    QByteArray receive();
    // Bytes sent that the other end has not read yet.
    int unread() const;

private:
    QString m_link;
    QByteArray m_slaveName;
    int m_master = -1;
    int m_slave = -1;
    bool m_linked = false;
    QString m_error;
};
