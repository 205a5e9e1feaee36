// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/SerialPortWriter.h"

#include <QSerialPort>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <poll.h>
#include <unistd.h>
#endif

qint64 SerialPortWriter::held() const
{
    return m_port.bytesToWrite();
}

qsizetype SerialPortWriter::writeNow(const char* data, qsizetype size)
{
#ifdef Q_OS_UNIX
    // Not QSerialPort::flush(): it would report a full output buffer as a write error.
    const ssize_t n = ::write(static_cast<int>(m_port.handle()), data, static_cast<size_t>(size));
    if (n >= 0)
        return n;
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR || deviceStillThere() ? 0 : -1;
#else
    Q_UNUSED(data);
    Q_UNUSED(size);
    return 0;
#endif
}

bool SerialPortWriter::hold(const char* data, qsizetype size)
{
    return m_port.write(data, size) == size;
}

bool SerialPortWriter::deviceStillThere() const
{
#ifdef Q_OS_UNIX
    pollfd pfd{static_cast<int>(m_port.handle()), 0, 0};
    return ::poll(&pfd, 1, 0) >= 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) == 0;
#else
    return false;
#endif
}
