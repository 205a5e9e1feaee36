// SPDX-License-Identifier: GPL-3.0-or-later
// A stand-in for the hardware: a Tag Heuer timing device on COM 1 and a GAZ4 board on COM 2, as
// pseudo-terminals linked as com1 and com2 into a ports folder that Brelox is started with (--ports).
//
// The "device" sends an L0 record, then an L1 record with the rank, and every third competitor an R record,
// one record every --interval milliseconds; with --replay it sends a recording or the input of a Brelox
// journal with its original timing instead, read as it plays. The "board" prints every line it receives, and
// with
// --board-window shows it as the board would. Text that Brelox sends to COM 1 by hand is printed too.
// --record writes what a real timing device sends, in the format that --replay reads, until Ctrl+C or until
// the device goes away (status 1). It speaks German, like Brelox.
//
// Without --ports the links go into a new temporary folder, never into the user's own. A simulator holds a
// lock on its folder; a second one refuses it. Its links (and a temporary folder) are removed on Ctrl+C, on
// SIGTERM and on SIGHUP (the terminal closed).

#include "Version.h"
#include "core/ByteEscapes.h"
#include "engine/StartUp.h"
#include "simulator/BoardModel.h"
#include "simulator/BoardWindow.h"
#include "simulator/RecordedStream.h"
#include "simulator/ReplayPlayer.h"
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
#include <QTranslator>

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

// A message on stderr: "brelox-device-simulator: <text>".
int fail(const QString& text, int status = 1)
{
    std::fprintf(stderr, "brelox-device-simulator: %s\n", text.toLocal8Bit().constData());
    return status;
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
    bool hint = true;
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
        "Simuliertes Zeitmessgerät (COM 1) und GAZ4-Anzeigetafel (COM 2) auf Pseudo-Terminals, um Brelox\n"
        "ohne Hardware zu erproben. Ohne --ports kommen die Verknüpfungen in einen neuen temporären Ordner,\n"
        "der ausgegeben wird; Brelox dann starten mit\n  brelox --ports <dieser Ordner>"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Zeigt diese Hilfe."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Zeigt die Version."));
    const QCommandLineOption ports(
        QStringLiteral("ports"),
        QStringLiteral("Ordner für die Verknüpfungen com1 und com2 (Vorgabe: ein neuer temporärer)."),
        QStringLiteral("Ordner"));
    const QCommandLineOption interval(
        QStringLiteral("interval"),
        QStringLiteral("Millisekunden zwischen zwei Datensätzen (Vorgabe: 2000)."), QStringLiteral("ms"),
        QStringLiteral("2000"));
    const QCommandLineOption boardWindow(
        QStringLiteral("board-window"), QStringLiteral("Zeigt die Zeilen der Tafel in einem Fenster, wie die "
                                                       "Tafel sie zeigt."));
    const QCommandLineOption replay(
        QStringLiteral("replay"),
        QStringLiteral(
            "Sendet statt der simulierten Datensätze eine Aufnahme oder die Eingänge (in) eines "
            "Brelox-Protokolls auf COM 1, mit ihrem ursprünglichen Zeitablauf (Zeiten bis 30 Tage)."),
        QStringLiteral("Datei"));
    const QCommandLineOption record(
        QStringLiteral("record"),
        QStringLiteral(
            "Schreibt, was das Gerät von --device sendet, in diese Datei (das Format von --replay); "
            "keine simulierten Ports."),
        QStringLiteral("Datei"));
    const QCommandLineOption device(QStringLiteral("device"),
                                    QStringLiteral("Serielles Gerät, von dem --record aufnimmt."),
                                    QStringLiteral("Pfad"));
    const QCommandLineOption baud(
        QStringLiteral("baud"),
        QStringLiteral("Geschwindigkeit des Geräts für --record (8 Datenbits, keine "
                       "Parität, 1 Stoppbit; Vorgabe: 9600)."),
        QStringLiteral("Baud"), QStringLiteral("9600"));
    const QCommandLineOption noHint(
        QStringLiteral("no-hint"),
        QStringLiteral("Gibt nicht aus, wie Brelox zu starten ist (für Skripte, die "
                       "Brelox selbst starten)."));
    parser.addOptions({help, version, ports, interval, boardWindow, replay, record, device, baud, noHint});

    if (!parser.parse(QCoreApplication::arguments()))
        return fail(parser.errorText(), 2);
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        text.replace(QStringLiteral("Usage:"), QStringLiteral("Aufruf:"))
            .replace(QStringLiteral("[options]"), QStringLiteral("[Optionen]"))
            .replace(QStringLiteral("Options:"), QStringLiteral("Optionen:"));
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("brelox-device-simulator %d.%d.%d\n", Version::Major, Version::Minor, Version::Revision);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unerwartetes Argument „%1“").arg(parser.positionalArguments().first()),
                    2);
    bool ok = false;
    options.interval = parser.value(interval).toInt(&ok);
    if (!ok || options.interval <= 0)
        return fail(QStringLiteral("--interval braucht eine positive Zahl von Millisekunden"), 2);
    options.baud = parser.value(baud).toInt(&ok);
    if (!ok || options.baud <= 0)
        return fail(QStringLiteral("--baud braucht eine positive Zahl"), 2);
    options.ports = parser.value(ports);
    options.boardWindow = parser.isSet(boardWindow);
    options.hint = !parser.isSet(noHint);
    options.replay = parser.value(replay);
    options.record = parser.value(record);
    options.device = parser.value(device);
    if (options.record.isEmpty() != options.device.isEmpty())
        return fail(QStringLiteral("--record und --device gehören zusammen"), 2);
    return -1;
}

// Records until a signal (status 0) or until the device goes away (status 1); the file holds every byte
// received up to then.
int recordDevice(const Options& options)
{
    QFile file(options.record);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fail(
            QStringLiteral("%1 kann nicht geschrieben werden: %2").arg(options.record, file.errorString()));
    QSerialPort port;
    port.setPortName(options.device);
    if (!port.open(QIODevice::ReadOnly) || !port.setBaudRate(options.baud) ||
        !port.setDataBits(QSerialPort::Data8) || !port.setParity(QSerialPort::NoParity) ||
        !port.setStopBits(QSerialPort::OneStop))
        return fail(
            QStringLiteral("%1 kann nicht geöffnet werden: %2").arg(options.device, port.errorString()));
    file.write("# aufgenommen von " + QFile::encodeName(options.device) + " mit " +
               QByteArray::number(options.baud) + " Baud\n");
    file.flush();
    say("Aufnahme von " + QFile::encodeName(options.device) + " nach " + QFile::encodeName(options.record) +
        " (Strg+C beendet)");
    QElapsedTimer clock;
    clock.start();
    const auto take = [&] {
        const QByteArray bytes = port.readAll();
        if (bytes.isEmpty())
            return;
        file.write(RecordedStream::line({clock.elapsed(), bytes}));
        file.flush();
        say("Gerät sendet \"" + ByteEscapes::escape(bytes) + '"');
    };
    QObject::connect(&port, &QSerialPort::readyRead, &port, take);
    // A device that vanishes gives a resource error, or (a pseudo-terminal whose far end closed) a read error
    // at every turn of the event loop for as long as it stays open.
    QObject::connect(&port, &QSerialPort::errorOccurred, &port, [&](QSerialPort::SerialPortError error) {
        if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
            return;
        take();
        QObject::disconnect(&port, nullptr, nullptr, nullptr);
        fail(QStringLiteral("%1 ist nicht mehr da: Aufnahme beendet").arg(options.device));
        QCoreApplication::exit(1);
    });
    const int status = QCoreApplication::exec();
    port.close();
    return file.flush() ? status : fail(QStringLiteral("%1: %2").arg(options.record, file.errorString()));
}

} // namespace

int main(int argc, char* argv[])
{
    Options options;
    // Qt's own texts (the command line's errors) in German too, where Qt's translations are installed.
    QTranslator qtTexts;
    const bool german = StartUp::loadQtGermanTexts(qtTexts);
    {
        QCoreApplication commandLine(argc, argv);
        if (german)
            QCoreApplication::installTranslator(&qtTexts);
        const int status = readOptions(options);
        if (status >= 0)
            return status;
    }
    if (options.boardWindow && !hasDisplay()) {
        fail(QStringLiteral("keine Anzeige: die Zeilen der Tafel bleiben im Terminal"), 0);
        options.boardWindow = false;
    }
    std::unique_ptr<QCoreApplication> app;
    if (options.boardWindow)
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    if (german)
        QCoreApplication::installTranslator(&qtTexts);

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

    // Opened without blocking and read as it plays (ReplayPlayer).
    int replayFd = -1;
    if (!options.replay.isEmpty()) {
        QString error;
        replayFd = ReplayPlayer::open(options.replay, error);
        if (replayFd < 0)
            return fail(QStringLiteral("%1 kann nicht gelesen werden: %2").arg(options.replay, error));
    }

    // The temporary folder is declared before the lock and the ports, so that the links go first, then the
    // lock, then the folder.
    std::unique_ptr<QTemporaryDir> temporary;
    QString folder = options.ports;
    if (folder.isEmpty()) {
        temporary =
            std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("brelox-ports-XXXXXX")));
        if (!temporary->isValid())
            return fail(QStringLiteral("kein temporärer Ordner: %1").arg(temporary->errorString()));
        folder = temporary->path();
    }
    const PortsFolderLock lock(folder);
    if (!lock.error().isEmpty())
        return fail(QStringLiteral("--ports %1: %2").arg(folder, lock.error()));
    SimulatedPort device(folder, 1);
    if (!device.isReady())
        return fail(device.error());
    SimulatedPort board(folder, 2);
    if (!board.isReady())
        return fail(board.error());
    say("Ports-Ordner: " + QFile::encodeName(folder));
    say("Zeitmessgerät auf COM 1 (" + QFile::encodeName(device.link()) + "), Anzeigetafel auf COM 2 (" +
        QFile::encodeName(board.link()) + ")");
    if (options.hint)
        say("Brelox starten mit: brelox --ports " + QFile::encodeName(folder));

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
            say("Tafel  |" + line.bytes + '|');
        if (window && !lines.isEmpty())
            window->refresh();
    });
    QByteArray deviceReceived;
    QSocketNotifier deviceInput(device.fd(), QSocketNotifier::Read);
    QObject::connect(&deviceInput, &QSocketNotifier::activated, app.get(), [&] {
        deviceReceived += device.receive();
        qsizetype cr;
        while ((cr = deviceReceived.indexOf('\r')) >= 0) {
            say("Gerät empfängt \"" + deviceReceived.left(cr) + '"');
            deviceReceived.remove(0, cr + 1);
        }
    });

    QTimer records;
    int step = 0;
    std::unique_ptr<ReplayPlayer> player;
    // After a bad line the simulator ends with status 1, once COM 1 has taken what was sent before it (or
    // after three seconds when nobody reads COM 1), so that the bytes are not lost with the closing port.
    bool sentAny = false;
    bool replayFailed = false;
    int drainChecks = 0;
    QTimer drain;
    QObject::connect(&drain, &QTimer::timeout, app.get(), [&] {
        drainChecks = device.unread() > 0 ? 0 : drainChecks + 1;
        if (drainChecks >= 2 || !sentAny)
            QCoreApplication::exit(1);
    });
    if (options.replay.isEmpty()) {
        QObject::connect(&records, &QTimer::timeout, app.get(), [&] {
            QByteArray line = generatedRecord(step++);
            if (device.send(line + '\r'))
                say("Gerät sendet \"" + line.replace('\t', "<TAB>") + '"');
            else
                say("COM 1 wird nicht gelesen: Datensatz verworfen");
        });
        records.start(options.interval);
    } else {
        player = std::make_unique<ReplayPlayer>(replayFd, [&](const QByteArray& bytes) {
            if (bytes.isEmpty())
                return; // a journal's empty read
            sentAny = true;
            if (device.send(bytes))
                say("Gerät sendet \"" + ByteEscapes::escape(bytes) + '"');
            else
                say("COM 1 wird nicht gelesen: Bytes verworfen");
        });
        QObject::connect(player.get(), &ReplayPlayer::finished, app.get(), [] { say("Wiedergabe beendet"); });
        QObject::connect(player.get(), &ReplayPlayer::failed, app.get(), [&](const QString& error) {
            fail(QStringLiteral("%1: %2").arg(options.replay, error));
            replayFailed = true;
            drain.start(20);
            QTimer::singleShot(3000, app.get(), [] { QCoreApplication::exit(1); });
        });
        player->start();
    }
    const int status = QCoreApplication::exec();
    say("Verknüpfungen entfernt");
    return replayFailed ? 1 : status;
}
