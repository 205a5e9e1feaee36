// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Journal.h"

#include "core/ByteEscapes.h"
#include "core/Clock.h"

#include <QDir>
#include <QFileInfo>
#include <QTime>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// After a write the writer pauses this long and then writes what came meanwhile in one go: a steady stream
// costs a few dozen wakeups a second, an entry still reaches the kernel well within WriteWithinMsecs, and
// the two buffers hold no more than a short burst (a longer pause lets them grow by megabytes at full rate).
constexpr auto CollectFor = std::chrono::milliseconds(20);
// A buffer that a burst made larger than this gives its memory back after the write.
constexpr qsizetype KeepCapacity = qsizetype(256) * 1024;
static_assert(CollectFor.count() < Journal::WriteWithinMsecs);

const char* channelName(Journal::Channel channel)
{
    switch (channel) {
    case Journal::Channel::In:
        return "in";
    case Journal::Channel::Out:
        return "out";
    case Journal::Channel::Drop:
        return "drop";
    case Journal::Channel::ToIn:
        return "to-in";
    case Journal::Channel::Log:
        return "log";
    case Journal::Channel::Mode:
        return "mode";
    case Journal::Channel::Port:
        return "port";
    }
    return "?";
}

bool isBytes(Journal::Channel channel)
{
    return channel == Journal::Channel::In || channel == Journal::Channel::Out ||
           channel == Journal::Channel::Drop || channel == Journal::Channel::ToIn;
}

void appendDigits(QByteArray& out, int value, int width)
{
    char digits[8];
    for (int i = width - 1; i >= 0; --i) {
        digits[i] = char('0' + value % 10);
        value /= 10;
    }
    out.append(digits, width);
}

// Makes the folder and its missing parents with mode 0700; 0 or the errno of the failure.
int makeFolder(const QString& folder)
{
    const QByteArray path = QFile::encodeName(QDir::cleanPath(QDir(folder).absolutePath()));
    for (qsizetype slash = path.indexOf('/', 1);; slash = path.indexOf('/', slash + 1)) {
        const QByteArray part = slash < 0 ? path : path.left(slash);
        if (::mkdir(part.constData(), 0700) != 0 && errno != EEXIST)
            return errno;
        if (slash < 0)
            break;
    }
    struct stat st;
    if (::stat(path.constData(), &st) != 0)
        return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

QString utcOffset(const QDateTime& time)
{
    const int minutes = time.offsetFromUtc() / 60;
    const int magnitude = std::abs(minutes);
    return QStringLiteral("%1%2%3")
        .arg(minutes < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(magnitude / 60, 2, 10, QLatin1Char('0'))
        .arg(magnitude % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

Journal::Journal(const MonotonicClock& monotonicClock, const WallClock& wallClock, QObject* parent)
    : QObject(parent), m_monotonic(monotonicClock), m_wall(wallClock)
{
}

Journal::~Journal()
{
    close();
}

QString Journal::defaultFolder()
{
    // The XDG rules: a relative path in the variable is invalid and ignored.
    QString stateHome = qEnvironmentVariable("XDG_STATE_HOME");
    if (stateHome.isEmpty() || QDir::isRelativePath(stateHome))
        stateHome = QDir::homePath() + QStringLiteral("/.local/state");
    return stateHome + QStringLiteral("/brelox/journal");
}

QString Journal::reasonFor(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("Datenträger voll");
    case EACCES:
    case EPERM:
        return QStringLiteral("keine Schreibrechte");
    case EROFS:
        return QStringLiteral("Datenträger schreibgeschützt");
    case ENOTDIR:
        return QStringLiteral("Ordner ist eine Datei");
    case ENOENT:
        return QStringLiteral("Ordner nicht gefunden");
    case EFBIG:
        return QStringLiteral("Datei zu groß für das System");
    case EIO:
        return QStringLiteral("Ein-/Ausgabefehler");
    default:
        return QStringLiteral("Systemfehler %1").arg(error);
    }
}

bool Journal::open(const QString& folder, const QDateTime& started, const QString& programVersion)
{
    if (m_fd >= 0 || !m_failure.isEmpty())
        return false;
    if (const int error = makeFolder(folder)) {
        m_failure = reasonFor(error);
        return false;
    }
    const QString base = QDir(folder).filePath(started.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")));
    for (int number = 1; m_fd < 0; ++number) {
        m_fileName = number == 1 ? base + QStringLiteral(".journal")
                                 : QStringLiteral("%1-%2.journal").arg(base).arg(number);
        m_fd =
            ::open(QFile::encodeName(m_fileName).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (m_fd < 0 && errno != EEXIST) {
            m_failure = reasonFor(errno);
            m_fileName.clear();
            return false;
        }
    }
    const QString header =
        QStringLiteral("# %1 journal, started %2 %3\n"
                       "# <ms since start> <local time> <channel> <data>\n")
            .arg(programVersion, started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), utcOffset(started));
    m_startMsecs = m_monotonic.msecs();
    // The header goes first, written by the writer like every entry.
    m_pendingText = header.toUtf8();
    m_recording.store(true);
    m_writer = std::thread(&Journal::writerLoop, this, folder);
    return true;
}

void Journal::record(Channel channel, const QByteArray& bytes)
{
    if (!m_recording.load(std::memory_order_relaxed) || bytes.isEmpty())
        return;
    // Both clocks at the same moment, to the millisecond: within one millisecond the wall clock is read
    // and the times are written once.
    const qint64 msecs = m_monotonic.msecs() - m_startMsecs;
    if (msecs != m_lastMsecs) {
        m_lastMsecs = msecs;
        m_times = timesText(msecs, m_wall.timeOfDay().msecsSinceStartOfDay());
    }
    // The entry is formatted here, into the text the writer takes next: no allocation per entry.
    std::unique_lock lock(m_mutex);
    m_pendingText += m_times;
    m_pendingText += channelName(channel);
    m_pendingText += ' ';
    if (isBytes(channel))
        ByteEscapes::appendEscaped(m_pendingText, bytes);
    else
        m_pendingText += ByteEscapes::escapeText(bytes);
    m_pendingText += '\n';
    if (m_pendingText.size() > BacklogLimit) {
        // The disk has not taken anything for a long time: rather no journal than all memory.
        m_pendingText = QByteArray();
        lock.unlock();
        fail(QStringLiteral("Datenträger antwortet nicht"));
        return;
    }
    if (m_writerWaiting)
        m_wake.notify_one();
}

void Journal::recordText(Channel channel, const QString& text)
{
    if (m_recording.load(std::memory_order_relaxed))
        record(channel, text.toUtf8());
}

QByteArray Journal::timesText(qint64 msecs, int timeOfDayMsecs)
{
    QByteArray out;
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof digits, msecs).ptr;
    out.append(digits, end - digits);
    out += ' ';
    const int t = timeOfDayMsecs;
    appendDigits(out, t / 3600000, 2);
    out += ':';
    appendDigits(out, t / 60000 % 60, 2);
    out += ':';
    appendDigits(out, t / 1000 % 60, 2);
    out += '.';
    appendDigits(out, t % 1000, 3);
    out += ' ';
    return out;
}

void Journal::writerLoop(const QString& folder)
{
    using Clock = std::chrono::steady_clock;
    deleteOldJournals(folder);
    auto lastSync = Clock::now();
    bool unsynced = false;
    bool ok = true;
    QByteArray text;
    std::unique_lock lock(m_mutex);
    const auto stopping = [this] { return m_stopping; };
    const auto due = [this] { return m_stopping || !m_pendingText.isEmpty(); };
    for (;;) {
        if (!m_pendingText.isEmpty()) {
            text.swap(m_pendingText); // the writer's empty buffer, with its capacity, takes the next entries
            lock.unlock();
            ok = writeOut(text);
            if (text.capacity() > KeepCapacity)
                text = QByteArray();
            else
                text.resize(0); // keeps its capacity for the next batch
            unsynced = true;
            if (ok && Clock::now() - lastSync >= std::chrono::milliseconds(SyncEveryMsecs)) {
                ::fdatasync(m_fd);
                lastSync = Clock::now();
                unsynced = false;
            }
            lock.lock();
            if (!ok)
                break;
            // Entries that come meanwhile go out together at the end of this pause, without waking the
            // writer one by one.
            if (!m_stopping)
                m_wake.wait_for(lock, CollectFor, stopping);
            continue;
        }
        if (m_stopping)
            break;
        if (unsynced && Clock::now() - lastSync >= std::chrono::milliseconds(SyncEveryMsecs)) {
            lock.unlock();
            ::fdatasync(m_fd);
            lastSync = Clock::now();
            unsynced = false;
            lock.lock();
            continue;
        }
        // Idle: the next entry wakes the writer at once; until then nothing is armed but the pending sync.
        m_writerWaiting = true;
        if (unsynced)
            m_wake.wait_until(lock, lastSync + std::chrono::milliseconds(SyncEveryMsecs), due);
        else
            m_wake.wait(lock, due);
        m_writerWaiting = false;
    }
    m_pendingText = QByteArray();
    lock.unlock();
    if (ok)
        ::fdatasync(m_fd);
}

bool Journal::writeOut(const QByteArray& text)
{
    qsizetype length = text.size();
    const bool overLimit = m_fileSize + length > m_fileLimit;
    if (overLimit) { // whole entries only, up to the limit
        const qsizetype room = m_fileLimit - m_fileSize;
        length = room > 0 ? text.lastIndexOf('\n', room - 1) + 1 : 0;
    }
    for (qsizetype done = 0; done < length;) {
        const ssize_t n = ::write(m_fd, text.constData() + done, size_t(length - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            fail(reasonFor(n < 0 ? errno : ENOSPC));
            return false;
        }
        done += n;
        m_fileSize += n;
    }
    if (overLimit)
        fail(QStringLiteral("Datei größer als 1 GB"));
    return !overLimit;
}

void Journal::fail(const QString& reason)
{
    if (m_recording.exchange(false))
        emit failed(reason);
}

void Journal::deleteOldJournals(const QString& folder) const
{
    QDir dir(folder);
    // Oldest first; the run's own file is not among them.
    QFileInfoList files =
        dir.entryInfoList({QStringLiteral("*.journal")}, QDir::Files | QDir::Hidden | QDir::NoSymLinks,
                          QDir::Time | QDir::Reversed);
    files.removeIf([this](const QFileInfo& file) {
        return file.absoluteFilePath() == QFileInfo(m_fileName).absoluteFilePath();
    });
    qint64 total = 0;
    for (const QFileInfo& file : files)
        total += file.size();
    for (qsizetype i = 0; i + KeptBefore < files.size() && total > FolderLimit; ++i) {
        if (QFile::remove(files[i].absoluteFilePath()))
            total -= files[i].size();
    }
}

void Journal::close()
{
    if (!m_writer.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_wake.notify_one();
    }
    m_writer.join();
    m_recording.store(false);
    ::close(m_fd);
    m_fd = -1;
}
