// SPDX-License-Identifier: GPL-3.0-or-later
#include "PtyPair.h"

#include <QDeadlineTimer>
#include <QFile>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

PtyPair::PtyPair(const QString& portsFolder, int number)
    : m_link(QFile::encodeName(portsFolder + QStringLiteral("/com%1").arg(number)))
{
    relink();
}

PtyPair::~PtyPair()
{
    closeFar();
    ::unlink(m_link.constData());
}

void PtyPair::closeFar()
{
    // Closing -1 (an end already closed) does nothing.
    ::close(m_slave);
    ::close(m_master);
    m_master = m_slave = -1;
}

bool PtyPair::vanish()
{
    const QByteArray temporary = m_link + ".new";
    const bool relinked = ::symlink((m_link + ".gone").constData(), temporary.constData()) == 0 &&
                          ::rename(temporary.constData(), m_link.constData()) == 0;
    closeFar();
    return relinked;
}

bool PtyPair::relink()
{
    closeFar();
    char name[256] = {};
    termios tio;
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0 || ::tcgetattr(m_slave, &tio) != 0)
        return false;
    ::cfmakeraw(&tio);
    ::tcsetattr(m_slave, TCSANOW, &tio);
    ::fcntl(m_master, F_SETFL, O_NONBLOCK);
    // A program the test starts must not hold the device open: closing the far end must reach it.
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    m_slavePath = QString::fromLocal8Bit(name);
    // Replace the link in one step, so that the program never sees it missing.
    const QByteArray temporary = m_link + ".new";
    return ::symlink(name, temporary.constData()) == 0 &&
           ::rename(temporary.constData(), m_link.constData()) == 0;
}

QByteArray PtyPair::readFar(int count, int timeoutMs)
{
    QByteArray got;
    QDeadlineTimer deadline(timeoutMs);
    pollfd pfd{m_master, POLLIN, 0};
    char buffer[4096];
    ssize_t n = 0;
    while (got.size() < count && ::poll(&pfd, 1, int(deadline.remainingTime())) > 0 &&
           (n = ::read(m_master, buffer, sizeof buffer)) > 0)
        got.append(buffer, int(n));
    return got;
}

bool PtyPair::writeFar(const QByteArray& bytes)
{
    return ::write(m_master, bytes.constData(), size_t(bytes.size())) == bytes.size();
}

unsigned PtyPair::speed() const
{
    // On the master side the terminal settings ioctls reach the slave's settings.
    termios tio{};
    return ::tcgetattr(m_master, &tio) == 0 ? unsigned(::cfgetospeed(&tio)) : 0;
}
