// A stand-in for the hardware: a Tag Heuer timing device on COM 1 and a GAZ4 board on COM 2, as
// pseudo-terminals linked into the ports folder that Brelox reads.
//
// The "device" sends an L0 record, then an L1 record with the rank, and every third competitor an R record,
// one record every --interval milliseconds. The "board" prints every line it receives. Text that Brelox
// sends to COM 1 by hand is printed too. The links are removed again on exit (Ctrl+C).
//
// Usage: brelox_device_simulator [--ports FOLDER] [--interval MSECS]
//        (FOLDER defaults to $XDG_CONFIG_HOME/brelox/ports, else ~/.config/brelox/ports)

#include "ports/ComPortMap.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

namespace {

// One end of a null-modem cable: Brelox opens the linked slave, the simulator works the master.
class SimulatedPort
{
public:
    SimulatedPort(const QString& folder, int number)
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
        const QFileInfo existing(m_link);
        if (existing.exists() && !existing.isSymLink()) {
            std::fprintf(stderr, "%s exists and is no link; left alone\n", qPrintable(m_link));
            return;
        }
        QFile::remove(m_link);
        m_linked = ::symlink(name, QFile::encodeName(m_link).constData()) == 0;
    }
    ~SimulatedPort()
    {
        if (m_linked)
            QFile::remove(m_link);
        ::close(m_slave);
        ::close(m_master);
    }
    bool isReady() const { return m_master >= 0 && m_linked; }
    int fd() const { return m_master; }
    QString link() const { return m_link; }
    void send(const QByteArray& bytes) const
    {
        if (::write(m_master, bytes.constData(), size_t(bytes.size())) < 0)
            std::perror("write");
    }
    // Everything received so far, cut into CR-ended lines; an unfinished rest waits for the next call.
    QList<QByteArray> receiveLines()
    {
        char buffer[1024];
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0)
            m_pending.append(buffer, int(n));
        QList<QByteArray> lines;
        qsizetype cr;
        while ((cr = m_pending.indexOf('\r')) >= 0) {
            lines << m_pending.left(cr);
            m_pending.remove(0, cr + 1);
        }
        return lines;
    }

private:
    QString m_link;
    int m_master = -1;
    int m_slave = -1;
    bool m_linked = false;
    QByteArray m_pending;
};

QByteArray timeText(int hundredths)
{
    return QStringLiteral("%1:%2:%3.%4")
        .arg(hundredths / 360000, 2, 10, QLatin1Char('0'))
        .arg(hundredths / 6000 % 60, 2, 10, QLatin1Char('0'))
        .arg(hundredths / 100 % 60, 2, 10, QLatin1Char('0'))
        .arg(hundredths % 100, 2, 10, QLatin1Char('0'))
        .toLatin1();
}

void quitOnSignal(int)
{
    QCoreApplication::quit();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Simulated timing device (COM 1) and GAZ4 board (COM 2)"));
    options.addHelpOption();
    options.addOption({QStringLiteral("ports"), QStringLiteral("Ports folder to link com1 and com2 in."),
                       QStringLiteral("folder"), ComPortMap::defaultPortsFolder()});
    options.addOption({QStringLiteral("interval"), QStringLiteral("Milliseconds between two records."),
                       QStringLiteral("msecs"), QStringLiteral("2000")});
    options.process(app);

    const QString folder = options.value(QStringLiteral("ports"));
    QDir().mkpath(folder);
    SimulatedPort device(folder, 1);
    SimulatedPort board(folder, 2);
    if (!device.isReady() || !board.isReady())
        return 1;
    std::printf("timing device on COM 1 (%s), board on COM 2 (%s)\n", qPrintable(device.link()),
                qPrintable(board.link()));
    std::fflush(stdout);

    std::signal(SIGINT, quitOnSignal);
    std::signal(SIGTERM, quitOnSignal);

    QSocketNotifier boardInput(board.fd(), QSocketNotifier::Read);
    QObject::connect(&boardInput, &QSocketNotifier::activated, &app, [&board] {
        for (const QByteArray& line : board.receiveLines())
            std::printf("board  |%s|\n", line.constData());
        std::fflush(stdout);
    });
    QSocketNotifier deviceInput(device.fd(), QSocketNotifier::Read);
    QObject::connect(&deviceInput, &QSocketNotifier::activated, &app, [&device] {
        for (const QByteArray& line : device.receiveLines())
            std::printf("device got \"%s\"\n", line.constData());
        std::fflush(stdout);
    });

    int step = 0;
    QTimer records;
    QObject::connect(&records, &QTimer::timeout, &app, [&] {
        const int competitor = step / 2 + 1;
        const int hundredths = 6000 + competitor * 737 % 9000;
        QByteArray line;
        if (step % 2 == 0)
            line = "  L0\t" + QByteArray::number(competitor).rightJustified(4, ' ') + '\t' +
                   timeText(hundredths);
        else if (competitor % 3 == 0)
            line = "  R   " + QByteArray::number(competitor).rightJustified(5, '0') + "   " +
                   timeText(hundredths);
        else
            line = "  L1\t" + QByteArray::number(competitor % 9 + 1).rightJustified(4, ' ');
        device.send(line + '\r');
        std::printf("device sent \"%s\"\n", line.replace('\t', "<TAB>").constData());
        std::fflush(stdout);
        ++step;
    });
    records.start(options.value(QStringLiteral("interval")).toInt());
    return QCoreApplication::exec();
}
