// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimulatedPort.h"

#include "SystemReason.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

// mkdir -p, keeping the reason of the step that failed in errno.
bool makeFolder(const QByteArray& path)
{
    if (::mkdir(path.constData(), 0777) == 0 || errno == EEXIST)
        return true;
    const qsizetype slash = path.lastIndexOf('/');
    if (errno != ENOENT || slash <= 0 || !makeFolder(path.left(slash)))
        return false;
    return ::mkdir(path.constData(), 0777) == 0 || errno == EEXIST;
}

QByteArray linkTarget(const QString& link)
{
    char target[4096];
    const ssize_t n = ::readlink(QFile::encodeName(link).constData(), target, sizeof target);
    return n > 0 ? QByteArray(target, n) : QByteArray();
}

} // namespace

PortsFolderLock::PortsFolderLock(const QString& folder)
{
    const QByteArray path = QFile::encodeName(folder);
    if (!makeFolder(path)) {
        m_error = errno == ENOTDIR || errno == EEXIST
                      ? QStringLiteral("kein Ordner")
                      : QStringLiteral("Ordner kann nicht angelegt werden (%1)").arg(systemReason(errno));
        return;
    }
    if (!QFileInfo(folder).isDir()) {
        m_error = QStringLiteral("kein Ordner");
        return;
    }
    m_lockFile = path + "/.brelox-simulator.lock";
    // The lock counts only on the file that has the name: one that was removed meanwhile is tried again.
    for (;;) {
        m_fd = ::open(m_lockFile.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (m_fd < 0) {
            m_error = QStringLiteral("Ordner nicht beschreibbar (%1)").arg(systemReason(errno));
            return;
        }
        if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            m_error = errno == EWOULDBLOCK
                          ? QStringLiteral("wird schon von einem anderen Simulator benutzt")
                          : QStringLiteral("keine Sperre möglich (%1)").arg(systemReason(errno));
            ::close(m_fd);
            m_fd = -1;
            return;
        }
        struct stat held = {}, named = {};
        if (::fstat(m_fd, &held) == 0 && ::stat(m_lockFile.constData(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino)
            return;
        ::close(m_fd);
    }
}

PortsFolderLock::~PortsFolderLock()
{
    if (m_fd >= 0) {
        ::unlink(m_lockFile.constData());
        ::close(m_fd);
    }
}

SimulatedPort::SimulatedPort(const QString& folder, int number)
    : m_link(QDir(folder).filePath(QStringLiteral("com%1").arg(number)))
{
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_error = QStringLiteral("kein Pseudo-Terminal zu bekommen (%1)").arg(systemReason(errno));
        m_master = -1;
        return;
    }
    m_slaveName = name;
    termios tio;
    for (int fd : {m_master, m_slave}) {
        ::tcgetattr(fd, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(fd, TCSANOW, &tio);
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    const QFileInfo existing(m_link);
    if (existing.isSymLink()) {
        const QByteArray target = linkTarget(m_link);
        if (!target.startsWith("/dev/pts/")) {
            m_error = QStringLiteral("%1 zeigt auf %2, kein Pseudo-Terminal: bleibt, wie es ist")
                          .arg(m_link, QFile::decodeName(target));
            return;
        }
    } else if (existing.exists()) {
        m_error = QStringLiteral("%1 ist keine Verknüpfung: bleibt, wie es ist").arg(m_link);
        return;
    }
    QFile::remove(m_link);
    m_linked = ::symlink(name, QFile::encodeName(m_link).constData()) == 0;
    if (!m_linked)
        m_error = QStringLiteral("%1 kann nicht angelegt werden (%2)").arg(m_link, systemReason(errno));
}

SimulatedPort::~SimulatedPort()
{
    if (m_linked && linkTarget(m_link) == m_slaveName)
        QFile::remove(m_link);
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
}

bool SimulatedPort::send(const QByteArray& bytes) const
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

QByteArray SimulatedPort::receive()
{
    QByteArray bytes;
    char buffer[1024];
    ssize_t n;
    while ((n = ::read(m_master, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, n);
    return bytes;
}

int SimulatedPort::unread() const
{
    int count = 0;
    return m_slave >= 0 && ::ioctl(m_slave, FIONREAD, &count) == 0 ? count : 0;
}
