// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimulatedPort.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

SimulatedPort::SimulatedPort(const QString& folder, int number)
    : m_link(QDir(folder).filePath(QStringLiteral("com%1").arg(number)))
{
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_master = -1;
        return;
    }
    termios tio;
    for (int fd : {m_master, m_slave}) {
        ::tcgetattr(fd, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(fd, TCSANOW, &tio);
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    const QFileInfo existing(m_link);
    if (existing.exists() && !existing.isSymLink()) {
        std::fprintf(stderr, "%s exists and is no link; left alone\n", qPrintable(m_link));
        return;
    }
    QFile::remove(m_link);
    m_linked = ::symlink(name, QFile::encodeName(m_link).constData()) == 0;
}

SimulatedPort::~SimulatedPort()
{
    if (m_linked)
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
