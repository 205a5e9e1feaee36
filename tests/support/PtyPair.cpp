#include "PtyPair.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

PtyPair::PtyPair(const QString& portsFolder, int number)
    : m_linkPath(QDir(portsFolder).filePath(QStringLiteral("com%1").arg(number)))
{
    relink();
}

PtyPair::~PtyPair()
{
    closeAll();
    QFile::remove(m_linkPath);
}

bool PtyPair::openPair()
{
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_master = m_slave = -1;
        return false;
    }
    termios tio;
    for (int fd : {m_master, m_slave}) {
        if (::tcgetattr(fd, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(fd, TCSANOW, &tio);
        }
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_slavePath = QString::fromLocal8Bit(name);
    return true;
}

void PtyPair::closeAll()
{
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_master = m_slave = -1;
}

bool PtyPair::relink()
{
    closeAll();
    if (!openPair())
        return false;
    // Replace the link in one step, so that the program never sees it missing.
    const QString temporary = m_linkPath + QStringLiteral(".new");
    QFile::remove(temporary);
    if (::symlink(QFile::encodeName(m_slavePath).constData(), QFile::encodeName(temporary).constData()) != 0)
        return false;
    return ::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(m_linkPath).constData()) == 0;
}

void PtyPair::closeFar()
{
    closeAll();
}

QByteArray PtyPair::readFar(int count, int timeoutMs)
{
    QByteArray got;
    if (m_master < 0)
        return got;
    QDeadlineTimer deadline(timeoutMs);
    while (got.size() < count) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            break;
        pollfd pfd{m_master, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        char buffer[256];
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0)
            got.append(buffer, static_cast<int>(n));
        else if (!(n < 0 && (errno == EAGAIN || errno == EINTR)))
            break;
    }
    return got;
}

QByteArray PtyPair::drainFar(int timeoutMs)
{
    return readFar(1 << 20, timeoutMs);
}

bool PtyPair::writeFar(const QByteArray& bytes)
{
    if (m_master < 0)
        return false;
    qsizetype done = 0;
    QDeadlineTimer deadline(2000);
    while (done < bytes.size() && !deadline.hasExpired()) {
        const ssize_t n =
            ::write(m_master, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd pfd{m_master, POLLOUT, 0};
            ::poll(&pfd, 1, 50);
        } else {
            return false;
        }
    }
    return done == bytes.size();
}

bool PtyPair::slaveSettings(termios& tio) const
{
    // On the master side the terminal settings ioctls reach the slave's settings.
    return m_master >= 0 && ::tcgetattr(m_master, &tio) == 0;
}
