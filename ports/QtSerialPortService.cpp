// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/QtSerialPortService.h"

#include "ports/LineReadBack.h"
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
    : SerialPortService(parent), m_map(std::move(map)), m_port(this), m_retry(this)
{
    m_retry.setInterval(DefaultRetryMsecs);
    m_port.setReadBufferSize(ReadLimit);
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
    if (m_port.isOpen()) {
        m_port.clear(QSerialPort::Output); // see close()
        m_port.close();
    }
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

// Reads the line settings back from the device (see LineReadBack).
bool QtSerialPortService::settingsTookEffect() const
{
#ifdef Q_OS_LINUX
    const std::optional<PortSettings::LineSettings> line = PortSettings::parse(m_settings);
    termios tio;
    const int fd = static_cast<int>(m_port.handle());
    return line && ::tcgetattr(fd, &tio) == 0 && LineReadBack::tookEffect(tio, *line, isPseudoTerminal(fd));
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
        // What the device has not taken yet is discarded: the kernel's close() would otherwise wait until
        // it is sent (up to the port's closing_wait, 30 s by default), and the window with it. (The USB
        // serial drivers keep a write buffer of their own that no flush reaches; their close still waits
        // until it is sent.)
        m_port.clear(QSerialPort::Output);
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
