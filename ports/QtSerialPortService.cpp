// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/QtSerialPortService.h"

#include "ports/PortSettings.h"

#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <poll.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#endif

namespace {

constexpr int DefaultRetryMsecs = 1000;

#ifdef Q_OS_LINUX

// The speed constant for a standard baud rate, or B0 for a rate that has none.
speed_t standardSpeed(qint32 baud)
{
    struct Rate
    {
        qint32 baud;
        speed_t speed;
    };
    static const Rate rates[] = {
        {50, B50},           {75, B75},         {110, B110},         {134, B134},         {150, B150},
        {200, B200},         {300, B300},       {600, B600},         {1200, B1200},       {1800, B1800},
        {2400, B2400},       {4800, B4800},     {9600, B9600},       {19200, B19200},     {38400, B38400},
        {57600, B57600},     {115200, B115200}, {230400, B230400},   {460800, B460800},   {500000, B500000},
        {576000, B576000},   {921600, B921600}, {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
        {2000000, B2000000},
    };
    for (const Rate& rate : rates) {
        if (rate.baud == baud)
            return rate.speed;
    }
    return B0;
}

tcflag_t characterSize(QSerialPort::DataBits bits)
{
    switch (bits) {
    case QSerialPort::Data5:
        return CS5;
    case QSerialPort::Data6:
        return CS6;
    case QSerialPort::Data7:
        return CS7;
    default:
        return CS8;
    }
}

// Pseudo-terminal slaves have no line: their driver always reports 8 bits without parity.
bool isPseudoTerminal(int fd)
{
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    const unsigned int majorNumber = major(st.st_rdev);
    return (majorNumber >= 136 && majorNumber <= 143) || majorNumber == 3;
}

#endif

} // namespace

QtSerialPortService::QtSerialPortService(ComPortMap map, QObject* parent)
    : SerialPortService(parent), m_map(std::move(map)), m_port(this)
{
    m_retry.setInterval(DefaultRetryMsecs);
    connect(&m_port, &QSerialPort::readyRead, this, &QtSerialPortService::bytesArrived);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPortService::onError);
    connect(&m_retry, &QTimer::timeout, this, &QtSerialPortService::retryOpen);
    connect(&m_port, &QSerialPort::bytesWritten, this, &QtSerialPortService::handOver);
}

QtSerialPortService::~QtSerialPortService()
{
    m_retry.stop();
    m_port.disconnect(this);
    if (m_port.isOpen())
        m_port.close();
}

bool QtSerialPortService::setCommPort(int number)
{
    if (m_wantOpen || number < 1 || number > 255)
        return false;
    m_commPort = number;
    return true;
}

bool QtSerialPortService::setSettings(const QString& settings)
{
    if (m_wantOpen || !PortSettings::parse(settings))
        return false;
    m_settings = settings;
    return true;
}

bool QtSerialPortService::open()
{
    if (m_wantOpen)
        return false;
    if (!openDevice())
        return false;
    m_wantOpen = true;
    m_lost = false;
    return true;
}

bool QtSerialPortService::openDevice()
{
    const QString path = m_map.devicePath(m_commPort);
    const std::optional<PortSettings::LineSettings> line = PortSettings::parse(m_settings);
    if (path.isEmpty() || !line)
        return false;

    // Everything is set before the open, which hands it to the device in one go.
    m_port.setPortName(path);
    if (!m_port.setBaudRate(line->baudRate) || !m_port.setParity(line->parity) ||
        !m_port.setDataBits(line->dataBits) || !m_port.setStopBits(line->stopBits) ||
        !m_port.setFlowControl(QSerialPort::NoFlowControl))
        return false;
    if (!m_port.open(QIODevice::ReadWrite))
        return false;

    if (!settingsTookEffect()) {
        m_closing = true;
        m_port.close();
        m_closing = false;
        return false;
    }
    m_port.clearError();
    resetLineErrorCounts();
    return true;
}

// Reads the line settings back from the device: a driver that cannot do a setting quietly keeps another
// one, and the port must not run with settings other than those asked for.
bool QtSerialPortService::settingsTookEffect() const
{
#ifdef Q_OS_LINUX
    const std::optional<PortSettings::LineSettings> line = PortSettings::parse(m_settings);
    termios tio;
    const int fd = static_cast<int>(m_port.handle());
    if (!line || ::tcgetattr(fd, &tio) != 0)
        return false;

    const speed_t speed = standardSpeed(line->baudRate);
    if (speed != B0 && (::cfgetospeed(&tio) != speed || ::cfgetispeed(&tio) != speed))
        return false;
    if (((tio.c_cflag & CSTOPB) != 0) != (line->stopBits == QSerialPort::TwoStop))
        return false;
    if (isPseudoTerminal(fd))
        return true;

    if ((tio.c_cflag & CSIZE) != characterSize(line->dataBits))
        return false;
    const bool withParity = line->parity != QSerialPort::NoParity;
    if (((tio.c_cflag & PARENB) != 0) != withParity)
        return false;
    if (withParity) {
        const bool odd = line->parity == QSerialPort::OddParity || line->parity == QSerialPort::MarkParity;
        const bool sticky =
            line->parity == QSerialPort::MarkParity || line->parity == QSerialPort::SpaceParity;
        if (((tio.c_cflag & PARODD) != 0) != odd || ((tio.c_cflag & CMSPAR) != 0) != sticky)
            return false;
    }
    return true;
#else
    return true;
#endif
}

bool QtSerialPortService::close()
{
    m_retry.stop();
    const bool wasOpen = m_wantOpen;
    m_wantOpen = false;
    m_lost = false;
    clearQueue();
    bool closedCleanly = true;
    if (m_port.isOpen()) {
        m_port.clearError();
        m_closing = true;
        m_port.close();
        m_closing = false;
        closedCleanly = m_port.error() == QSerialPort::NoError;
        m_port.clearError();
    }
    return wasOpen && closedCleanly;
}

bool QtSerialPortService::output(const QString& text)
{
    if (!m_wantOpen || m_lost || !m_port.isOpen())
        return false;
    const QByteArray bytes = toLatin1Bytes(text);
    if (!m_queue.empty()) {
        enqueue(bytes);
        return true;
    }
    // Straight to the driver when nothing waits before it, so that a line leaves now and not on the next
    // turn of the event loop.
    qsizetype done = 0;
    if (m_port.bytesToWrite() == 0) {
        done = writeNow(bytes);
        if (done < 0) {
            deviceLost();
            return false;
        }
        if (done > 0)
            emit bytesSent(bytes.left(done));
    }
    const qsizetype left = bytes.size() - done;
    if (left == 0)
        return true;
    // The rest of a line begun on the device goes out whole; a nearly empty QSerialPort buffer takes the
    // next line at once; the others wait in the queue.
    if (done == 0 && m_port.bytesToWrite() >= HandOverBelow) {
        enqueue(bytes);
        return true;
    }
    if (m_port.write(bytes.constData() + done, left) != left)
        return false;
    emit bytesSent(bytes.mid(done));
    return !m_lost && m_port.isOpen();
}

void QtSerialPortService::enqueue(QByteArray line)
{
    bool dropped = false;
    while (!m_queue.empty() && m_queuedBytes + line.size() > QueueLimit) {
        m_queuedBytes -= m_queue.front().size();
        emit lineDropped(m_queue.front());
        m_queue.pop_front();
        dropped = true;
    }
    m_queuedBytes += line.size();
    m_queue.push_back(std::move(line));
    if (dropped && !m_overloaded) {
        m_overloaded = true;
        emit outputOverloaded();
    }
}

void QtSerialPortService::handOver()
{
    while (!m_queue.empty() && m_port.isOpen() && m_port.bytesToWrite() < HandOverBelow) {
        const QByteArray line = std::move(m_queue.front());
        m_queue.pop_front();
        m_queuedBytes -= line.size();
        // While QSerialPort holds nothing, waiting lines go straight to the driver too, so that a backlog
        // drains as fast as the device takes it (QSerialPort writes one buffer per turn of the event loop).
        // A device that went away is found by QSerialPort's own next write.
        const qsizetype done = m_port.bytesToWrite() == 0 ? std::max<qsizetype>(writeNow(line), 0) : 0;
        if (done < line.size())
            m_port.write(line.constData() + done, line.size() - done);
        emit bytesSent(line);
    }
    if (m_queue.empty())
        m_overloaded = false;
}

qsizetype QtSerialPortService::writeNow(const QByteArray& bytes)
{
#ifdef Q_OS_UNIX
    // Not QSerialPort::flush(): it would report a full output buffer as a write error.
    const ssize_t n = ::write(m_port.handle(), bytes.constData(), static_cast<size_t>(bytes.size()));
    if (n >= 0)
        return n;
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR || deviceStillThere() ? 0 : -1;
#else
    return 0;
#endif
}

void QtSerialPortService::clearQueue()
{
    m_queue.clear();
    m_queuedBytes = 0;
    m_overloaded = false;
}

QString QtSerialPortService::input()
{
    if (!m_port.isOpen())
        return {};
    const QByteArray bytes = m_inputLen > 0 ? m_port.read(m_inputLen) : m_port.readAll();
    if (!bytes.isEmpty()) {
        noteTaken();
        emit bytesRead(bytes);
    }
    return QString::fromLatin1(bytes);
}

// QSerialPort raises readyRead neither while a slot of it is running nor for bytes that came in meanwhile:
// bytesArrived() asks here again after each handler.
bool QtSerialPortService::receiveDue() const
{
    return m_wantOpen && !m_lost && m_port.isOpen() && m_rThreshold > 0 &&
           m_port.bytesAvailable() >= m_rThreshold;
}

void QtSerialPortService::afterReceive()
{
    // The handler may have closed the port.
    if (m_wantOpen && !m_lost && m_port.isOpen())
        checkLineErrors();
}

void QtSerialPortService::resetLineErrorCounts()
{
    m_haveCounts = false;
#ifdef Q_OS_LINUX
    serial_icounter_struct counts{};
    if (::ioctl(static_cast<int>(m_port.handle()), TIOCGICOUNT, &counts) == 0) {
        m_haveCounts = true;
        m_overruns = static_cast<quint64>(counts.overrun);
        m_bufferOverruns = static_cast<quint64>(counts.buf_overrun);
    }
#endif
}

void QtSerialPortService::checkLineErrors()
{
#ifdef Q_OS_LINUX
    if (!m_haveCounts)
        return; // pseudo-terminals and other devices without counters
    serial_icounter_struct counts{};
    if (::ioctl(static_cast<int>(m_port.handle()), TIOCGICOUNT, &counts) != 0)
        return;
    const auto overruns = static_cast<quint64>(counts.overrun);
    const auto bufferOverruns = static_cast<quint64>(counts.buf_overrun);
    const bool overrun = overruns != m_overruns;
    const bool bufferOverrun = bufferOverruns != m_bufferOverruns;
    m_overruns = overruns;
    m_bufferOverruns = bufferOverruns;
    if (overrun)
        raise(comEventOverrun);
    if (bufferOverrun && m_wantOpen && !m_lost)
        raise(comEventRxOver);
#endif
}

void QtSerialPortService::onError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError)
        return;
    if (!m_wantOpen || m_lost || m_closing)
        return; // failed opens are reported by open() itself; a lost device is already being retried

    // QSerialPort's write notifier may act on a readiness that other handlers used up meanwhile: its write
    // finds the device full (EAGAIN, reported as a resource error) and the bytes stay in its buffer. That is
    // no lost device: it writes them when the device takes data again.
    const bool writeFailed = error == QSerialPort::WriteError ||
                             (error == QSerialPort::ResourceError && m_port.bytesToWrite() > 0);
    if (writeFailed && deviceStillThere()) {
        m_port.clearError();
        return;
    }
    deviceLost();
}

// A far end that hung up or a device that was removed shows as a hang-up or an error on the handle.
bool QtSerialPortService::deviceStillThere() const
{
#ifdef Q_OS_UNIX
    pollfd pfd{static_cast<int>(m_port.handle()), 0, 0};
    return ::poll(&pfd, 1, 0) >= 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) == 0;
#else
    return false;
#endif
}

void QtSerialPortService::deviceLost()
{
    // A vanished device keeps reporting errors for as long as it stays open: close it now. What waited
    // for it is dropped with it.
    m_lost = true;
    clearQueue();
    m_closing = true;
    m_port.close();
    m_closing = false;
    m_port.clearError();
    m_retry.start();
    emit connectionLost();
}

void QtSerialPortService::retryOpen()
{
    if (!m_wantOpen || !m_lost) {
        m_retry.stop();
        return;
    }
    if (!openDevice())
        return;
    m_lost = false;
    m_retry.stop();
    emit reconnected();
}
