// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReplayPlayer.h"

#include "SystemReason.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int Batch = 1000;             // entries sent before the event loop runs again
constexpr qint64 LongestWait = 3600000; // a timer never waits longer; the wait is then measured again
} // namespace

ReplayPlayer::ReplayPlayer(int fd, std::function<void(const QByteArray&)> send, QObject* parent)
    : QObject(parent), m_fd(fd), m_send(std::move(send)), m_readable(fd, QSocketNotifier::Read)
{
    m_readable.setEnabled(false);
    connect(&m_readable, &QSocketNotifier::activated, this, &ReplayPlayer::readMore);
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ReplayPlayer::play);
}

ReplayPlayer::~ReplayPlayer()
{
    m_readable.setEnabled(false);
    ::close(m_fd);
}

int ReplayPlayer::open(const QString& path, QString& error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat status = {};
    if (fd < 0 || ::fstat(fd, &status) != 0) {
        error = systemReason(errno);
    } else if (S_ISDIR(status.st_mode)) {
        error = systemReason(EISDIR);
        ::close(fd);
        return -1;
    }
    return fd;
}

void ReplayPlayer::start()
{
    m_clock.start();
    play();
}

void ReplayPlayer::play()
{
    for (int sent = 0; sent < Batch; ++sent) {
        if (!m_pending) {
            switch (m_reader.next(m_entry)) {
            case RecordedStream::Reader::Result::NeedMore:
                m_readable.setEnabled(true);
                return;
            case RecordedStream::Reader::Result::End:
                emit finished();
                return;
            case RecordedStream::Reader::Result::Bad:
                emit failed(m_reader.error());
                return;
            case RecordedStream::Reader::Result::Entry:
                m_pending = true;
            }
        }
        const qint64 wait = m_entry.ms - m_clock.elapsed();
        if (wait > 0) {
            m_timer.start(int(qMin(wait, LongestWait)));
            return;
        }
        m_pending = false;
        m_send(m_entry.bytes);
    }
    m_timer.start(0);
}

void ReplayPlayer::readMore()
{
    char chunk[65536];
    const ssize_t n = ::read(m_fd, chunk, sizeof chunk);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return; // stays enabled
    m_readable.setEnabled(false);
    if (n < 0) {
        emit failed(systemReason(errno));
        return;
    }
    if (n == 0)
        m_reader.finish();
    else
        m_reader.feed(QByteArrayView(chunk, n));
    play();
}
