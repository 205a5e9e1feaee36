// SPDX-License-Identifier: GPL-3.0-or-later
// A stand-in for the hardware: a Tag Heuer timing device on COM 1 and a GAZ4 board on COM 2, as
// pseudo-terminals linked as com1 and com2 into a ports folder that Brelox is started with (--ports).
//
// The "device" sends an L0 record, then an L1 record with the rank, and every third competitor an R record,
// one record every --interval milliseconds; with --replay it sends a recorded stream with its original timing
// instead. The "board" prints every line it receives, and with --board-window shows it as the board would.
// Text that Brelox sends to COM 1 by hand is printed too. --record writes what a real timing device sends,
// in the format that --replay reads.
//
// Without --ports the links go into a new temporary folder, never into the user's own. The links (and a
// temporary folder) are removed on Ctrl+C, on SIGTERM and on SIGHUP (the terminal closed).

#include "simulator/BoardModel.h"
#include "simulator/BoardWindow.h"
#include "simulator/RecordedStream.h"
#include "simulator/SimulatedPort.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace {

QByteArray timeText(int hundredths)
{
    return QStringLiteral("%1:%2:%3.%4")
        .arg(hundredths / 360000, 2, 10, QLatin1Char('0'))
        .arg(hundredths / 6000 % 60, 2, 10, QLatin1Char('0'))
        .arg(hundredths / 100 % 60, 2, 10, QLatin1Char('0'))
        .arg(hundredths % 100, 2, 10, QLatin1Char('0'))
        .toLatin1();
}

// The simulated records: L0, then L1 with the rank, and every third competitor an R record.
QByteArray generatedRecord(int step)
{
    const int competitor = step / 2 + 1;
    const int hundredths = 6000 + competitor * 737 % 9000;
    if (step % 2 == 0)
        return "  L0\t" + QByteArray::number(competitor).rightJustified(4, ' ') + '\t' + timeText(hundredths);
    if (competitor % 3 == 0)
        return "  R   " + QByteArray::number(competitor).rightJustified(5, '0') + "   " +
               timeText(hundredths);
    return "  L1\t" + QByteArray::number(competitor % 9 + 1).rightJustified(4, ' ');
}

void say(const QByteArray& text)
{
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// SIGINT, SIGTERM and SIGHUP end the event loop through a socket pair, so that the links are removed by
// the ordinary destructors.
int signalSockets[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalSockets[1], &byte, 1);
}

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

struct Options
{
    QString ports;
    int interval = 2000;
    bool boardWindow = false;
    QString replay;
    QString record;
    QString device;
    int baud = 9600;
};

// Returns -1 to go on, else the exit status.
int readOptions(Options& options)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated timing device (COM 1) and GAZ4 board (COM 2) on pseudo-terminals, for trying Brelox "
        "without "
        "hardware.\nWithout --ports the links go into a new temporary folder, which is printed; start Brelox "
        "with\n  brelox --ports <that folder>"));
    parser.addHelpOption();
    const QCommandLineOption ports(
        QStringLiteral("ports"),
        QStringLiteral("Ports folder to link com1 and com2 in (default: a new temporary one)."),
        QStringLiteral("folder"));
    const QCommandLineOption interval(QStringLiteral("interval"),
                                      QStringLiteral("Milliseconds between two simulated records."),
                                      QStringLiteral("msecs"), QStringLiteral("2000"));
    const QCommandLineOption boardWindow(
        QStringLiteral("board-window"),
        QStringLiteral("Show the board's lines in a window, as the board would."));
    const QCommandLineOption replay(
        QStringLiteral("replay"),
        QStringLiteral("Send this recorded stream on COM 1, with its original timing, "
                       "instead of the simulated records."),
        QStringLiteral("file"));
    const QCommandLineOption record(
        QStringLiteral("record"),
        QStringLiteral("Write what the device named with --device sends to this file "
                       "(the --replay format); no simulated ports."),
        QStringLiteral("file"));
    const QCommandLineOption device(QStringLiteral("device"), QStringLiteral("Serial device to record from."),
                                    QStringLiteral("path"));
    const QCommandLineOption baud(
        QStringLiteral("baud"),
        QStringLiteral("Speed of the device to record from (8 data bits, no parity, "
                       "1 stop bit)."),
        QStringLiteral("rate"), QStringLiteral("9600"));
    parser.addOptions({ports, interval, boardWindow, replay, record, device, baud});

    const auto fail = [](const QString& reason) {
        std::fprintf(stderr, "brelox-device-simulator: %s\n", qPrintable(reason));
        return 2;
    };
    if (!parser.parse(QCoreApplication::arguments()))
        return fail(parser.errorText());
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
    bool ok = false;
    options.interval = parser.value(interval).toInt(&ok);
    if (!ok || options.interval <= 0)
        return fail(QStringLiteral("--interval needs a positive number of milliseconds"));
    options.baud = parser.value(baud).toInt(&ok);
    if (!ok || options.baud <= 0)
        return fail(QStringLiteral("--baud needs a positive number"));
    options.ports = parser.value(ports);
    options.boardWindow = parser.isSet(boardWindow);
    options.replay = parser.value(replay);
    options.record = parser.value(record);
    options.device = parser.value(device);
    if (options.record.isEmpty() != options.device.isEmpty())
        return fail(QStringLiteral("--record and --device go together"));
    return -1;
}

int recordDevice(const Options& options)
{
    QFile file(options.record);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(options.record),
                     qPrintable(file.errorString()));
        return 1;
    }
    QSerialPort port;
    port.setPortName(options.device);
    if (!port.open(QIODevice::ReadOnly) || !port.setBaudRate(options.baud) ||
        !port.setDataBits(QSerialPort::Data8) || !port.setParity(QSerialPort::NoParity) ||
        !port.setStopBits(QSerialPort::OneStop)) {
        std::fprintf(stderr, "cannot open %s: %s\n", qPrintable(options.device),
                     qPrintable(port.errorString()));
        return 1;
    }
    file.write("# recorded from " + QFile::encodeName(options.device) + " at " +
               QByteArray::number(options.baud) + " baud\n");
    file.flush();
    say("recording " + QFile::encodeName(options.device) + " to " + QFile::encodeName(options.record) +
        " (Ctrl+C ends)");
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&port, &QSerialPort::readyRead, &port, [&] {
        const QByteArray bytes = port.readAll();
        const QByteArray line = RecordedStream::line({clock.elapsed(), bytes});
        file.write(line);
        file.flush();
        say("device sent \"" + RecordedStream::escape(bytes) + '"');
    });
    QObject::connect(&port, &QSerialPort::errorOccurred, &port, [&](QSerialPort::SerialPortError error) {
        if (error == QSerialPort::ResourceError) {
            say("the device went away");
            QCoreApplication::exit(1);
        }
    });
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char* argv[])
{
    Options options;
    {
        QCoreApplication commandLine(argc, argv);
        const int status = readOptions(options);
        if (status >= 0)
            return status;
    }
    if (options.boardWindow && !hasDisplay()) {
        std::fputs("no display: the board's lines stay on the terminal\n", stderr);
        options.boardWindow = false;
    }
    std::unique_ptr<QCoreApplication> app;
    if (options.boardWindow)
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalSockets) != 0)
        return 1;
    QSocketNotifier signalled(signalSockets[0], QSocketNotifier::Read);
    QObject::connect(&signalled, &QSocketNotifier::activated, app.get(), [] { QCoreApplication::quit(); });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    if (!options.record.isEmpty())
        return recordDevice(options);

    QList<RecordedStream::Entry> replayEntries;
    if (!options.replay.isEmpty()) {
        QFile file(options.replay);
        QString error;
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s: %s\n", qPrintable(options.replay),
                         qPrintable(file.errorString()));
            return 1;
        }
        if (!RecordedStream::parse(file.readAll(), replayEntries, error)) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(options.replay), qPrintable(error));
            return 1;
        }
    }

    // The temporary folder is declared before the ports, so that the links go first and then the folder.
    std::unique_ptr<QTemporaryDir> temporary;
    QString folder = options.ports;
    if (folder.isEmpty()) {
        temporary =
            std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("brelox-ports-XXXXXX")));
        if (!temporary->isValid())
            return 1;
        folder = temporary->path();
    } else {
        QDir().mkpath(folder);
    }
    SimulatedPort device(folder, 1);
    SimulatedPort board(folder, 2);
    if (!device.isReady() || !board.isReady())
        return 1;
    say("ports folder: " + QFile::encodeName(folder));
    say("timing device on COM 1 (" + QFile::encodeName(device.link()) + "), board on COM 2 (" +
        QFile::encodeName(board.link()) + ")");
    say("start Brelox with: brelox --ports " + QFile::encodeName(folder));

    BoardModel model([] { return QTime::currentTime(); });
    std::unique_ptr<BoardWindow> window;
    if (options.boardWindow) {
        window = std::make_unique<BoardWindow>(model);
        window->show();
    }
    QSocketNotifier boardInput(board.fd(), QSocketNotifier::Read);
    QObject::connect(&boardInput, &QSocketNotifier::activated, app.get(), [&] {
        const QList<BoardModel::Line> lines = model.receive(board.receive());
        for (const BoardModel::Line& line : lines)
            say("board  |" + line.bytes + '|');
        if (window && !lines.isEmpty())
            window->refresh();
    });
    QByteArray deviceReceived;
    QSocketNotifier deviceInput(device.fd(), QSocketNotifier::Read);
    QObject::connect(&deviceInput, &QSocketNotifier::activated, app.get(), [&] {
        deviceReceived += device.receive();
        qsizetype cr;
        while ((cr = deviceReceived.indexOf('\r')) >= 0) {
            say("device got \"" + deviceReceived.left(cr) + '"');
            deviceReceived.remove(0, cr + 1);
        }
    });

    QTimer records;
    int step = 0;
    RecordedStream::Replay replay(replayEntries);
    QElapsedTimer sinceStart;
    if (options.replay.isEmpty()) {
        QObject::connect(&records, &QTimer::timeout, app.get(), [&] {
            QByteArray line = generatedRecord(step++);
            if (device.send(line + '\r'))
                say("device sent \"" + line.replace('\t', "<TAB>") + '"');
            else
                say("COM 1 is not being read: record dropped");
        });
        records.start(options.interval);
    } else {
        records.setSingleShot(true);
        records.setTimerType(Qt::PreciseTimer);
        QObject::connect(&records, &QTimer::timeout, app.get(), [&] {
            const QByteArray bytes = replay.due(sinceStart.elapsed());
            if (!bytes.isEmpty() && device.send(bytes))
                say("device sent \"" + RecordedStream::escape(bytes) + '"');
            else if (!bytes.isEmpty())
                say("COM 1 is not being read: bytes dropped");
            if (replay.finished())
                say("replay finished");
            else
                records.start(int(qMax<qint64>(0, replay.nextDue() - sinceStart.elapsed())));
        });
        sinceStart.start();
        records.start(int(qMax<qint64>(0, replay.nextDue())));
    }
    const int status = QCoreApplication::exec();
    say("links removed");
    return status;
}
