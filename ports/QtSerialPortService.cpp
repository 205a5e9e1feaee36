// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/QtSerialPortService.h"

#include "ports/PortSettings.h"

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
    connect(&m_port, &QSerialPort::bytesWritten, &m_output, &OutputQueue::handOver);
    connect(&m_output, &OutputQueue::overloaded, this, &SerialPortService::outputOverloaded);
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
    m_output.clear();
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
    switch (m_output.send(toLatin1Bytes(text))) {
    case OutputQueue::Sent::Taken:
        return true;
    case OutputQueue::Sent::Refused:
        return false;
    case OutputQueue::Sent::DeviceGone:
        deviceLost();
        return false;
    }
    return false;
}

QString QtSerialPortService::input()
{
    if (!m_port.isOpen())
        return {};
    const QByteArray bytes = m_inputLen > 0 ? m_port.read(m_inputLen) : m_port.readAll();
    if (!bytes.isEmpty())
        noteTaken();
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
    if (writeFailed && m_writer.deviceStillThere()) {
        m_port.clearError();
        return;
    }
    deviceLost();
}

void QtSerialPortService::deviceLost()
{
    // A vanished device keeps reporting errors for as long as it stays open: close it now. What waited
    // for it is dropped with it.
    m_lost = true;
    m_output.clear();
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
