// SPDX-License-Identifier: GPL-3.0-or-later
// The device simulator: recordings and journals read as they play, the board window (offscreen) fed over a
// pseudo-terminal by Brelox's port service, and the program itself: folder, links, signals, replay,
// recording. The race journal: exact entries, its bounds, and the journal of a Brelox on pseudo-terminals
// that is killed, cannot write, or is replayed by the simulator into a second Brelox.

#include "BoardText.h"
#include "FakeClocks.h"
#include "PtyPair.h"
#include "RecordingPresenter.h"
#include "core/ByteEscapes.h"
#include "engine/Engine.h"
#include "engine/Journal.h"
#include "ports/QtSerialPortService.h"
#include "simulator/BoardModel.h"
#include "simulator/BoardWindow.h"
#include "simulator/RecordedStream.h"
#include "simulator/SimulatedPort.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <numeric>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using Channel = Journal::Channel;
using RecordedStream::Entry;
constexpr int IoTimeout = 10000;
static const QString Simulator = QStringLiteral(BRELOX_SIMULATOR);
static const QString Me = QStringLiteral("brelox-device-simulator: ");
static const QByteArray JournalHeader = "# Brelox 1.0.2 journal, started 2027-01-15 09:30:12 +0100\n";

// A journaled Brelox (this program with --journaled-brelox PORTS JOURNAL LIMIT, LIMIT > 0 the system's file
// size limit): both ports opened in mode 1:1 IN->OUT, "ready" once they are; at the end of its standard
// input it ends as "Datei > Ende" does and prints its message log.
static int journaledBrelox(int argc, char* argv[])
{
    for (int fd = 3; fd < 1024; ++fd) // nothing of the test's own: not its pseudo-terminals' other ends
        ::close(fd);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL); // and no life beyond the test's
    QCoreApplication app(argc, argv);
    SystemWallClock wall;
    SystemMonotonicClock mono;
    Journal journal(mono, wall);
    const qint64 limit = std::strtoll(argv[4], nullptr, 10);
    const rlimit fileSize{rlim_t(limit), rlim_t(limit)};
    if (limit > 0 && ::setrlimit(RLIMIT_FSIZE, &fileSize) == 0)
        ::signal(SIGXFSZ, SIG_IGN);
    QtSerialPortService in{ComPortMap(argv[2])}, out{ComPortMap(argv[2])};
    RecordingPresenter boxes;
    journal.open(argv[3], QDateTime::currentDateTime(), u"Brelox 9.9.9"_s);
    Engine engine(in, out, wall, mono, boxes, SleepInhibitor::none(), &journal);
    QObject::connect(&in, &SerialPortService::onComm, &in, [&] { engine.receive.MSComm1_OnComm(); });
    engine.Form_Load();
    engine.modes.in_out_Click();
    engine.inputToggle.toggle(PortChoice{"COM 1", "9600", 2, "8", "1"});
    engine.outputToggle.toggle(PortChoice{"COM 2", "9600", 2, "8", "1"});
    std::puts(in.isOpen() && out.isOpen() ? "ready" : "ports not open");
    std::fflush(stdout);
    QSocketNotifier input(0, QSocketNotifier::Read); // readable at the end of its standard input
    QObject::connect(&input, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    QCoreApplication::exec();
    engine.Ende_Click();
    journal.close();
    QCoreApplication::processEvents(); // a fault found by the writer reaches the log
    std::fputs(engine.form().texts.Text1.toUtf8().constData(), stdout);
    return 0;
}
static QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
// A journal read as a reader does, to the end (a last line cut by a kill is the only one skipped): each
// channel's data joined; "bad" collects the lines that do not parse.
static QMap<QString, QByteArray> channels(const QString& path)
{
    static const QRegularExpression entry(
        u"^\\d+ \\d\\d:\\d\\d:\\d\\d\\.\\d{3} (in|out|drop|to-in|log|mode|port) (.+)$"_s);
    QMap<QString, QByteArray> joined;
    QList<QByteArray> lines = contents(path).split('\n');
    for (const QByteArray& line : lines.mid(0, lines.size() - 1)) {
        const QRegularExpressionMatch match = entry.match(QString::fromUtf8(line));
        QByteArray data = match.captured(2).toUtf8();
        if (!line.startsWith('#') &&
            (!match.hasMatch() || (QStringList{"in", "out", "drop", "to-in"}.contains(match.captured(1)) &&
                                   !ByteEscapes::unescape(match.captured(2).toUtf8(), data))))
            joined["bad"] += line + '\n';
        joined[match.captured(1)] += data;
    }
    return joined;
}
// The records of a race, one CR-ended line each, and what the board shows of them in mode 1:1 IN->OUT.
static QByteArray records(int from, int count, QByteArray* board = nullptr)
{
    QByteArray sent;
    for (int n = from; n < from + count; ++n) {
        const QByteArray line = "  L0\t" + QByteArray::number(n).rightJustified(4, ' ') + "\t00:01:23.45";
        sent += line + '\r';
        if (board)
            *board += BoardText::line(line);
    }
    return sent;
}
// The journaled Brelox of journaledBrelox() with its journal in `journal`, started on the pseudo-terminals
// com1 and com2 in `ports`; `far` is the board's end.
struct Run
{
    Run(const QString& ports, const QString& journal, qint64 limit = 0) : far(ports, 2), journal(journal)
    {
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QCoreApplication::applicationFilePath(),
                      {u"--journaled-brelox"_s, ports, journal, QString::number(limit)});
        ready = process.waitForReadyRead(IoTimeout) && process.readLine() == "ready\n";
    }
    // Sends records [from, from + count) from `device` and awaits their board bytes; false when it shows
    // anything else.
    bool stream(PtyPair& device, int from, int count)
    {
        QByteArray board;
        const QByteArray part = records(from, count, &board);
        sent += part;
        shown += board;
        return device.writeFar(part) && far.collect(board.size(), IoTimeout) == board;
    }
    // Ends it as "Datei > Ende" does and returns its message log.
    QString end()
    {
        process.closeWriteChannel();
        return process.waitForFinished(IoTimeout) ? QString::fromUtf8(process.readAll()) : QString();
    }
    QString journalFile() const { return QDir(journal).entryInfoList({u"*.journal"_s}).value(0).filePath(); }
    PtyPair far;
    QString journal;
    QProcess process;
    bool ready = false;
    QByteArray sent, shown;
};

class TestSimulator : public QObject
{
    Q_OBJECT
private slots:
    void read_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QList<Entry>>("entries");
        QTest::newRow("recording")
            << QByteArray("#\n\n0   L0\\t 1\\r\r\n15 \\xE4\\x01\\\\\\n\n15 \n2592000000 x") << QString()
            << QList<Entry>{{0, "  L0\t 1\r"}, {15, "\xE4\x01\\\n"}, {15, ""}, {2592000000, "x"}};
        QTest::newRow("journal: in only, cut last line skipped")
            << JournalHeader + "7 09:30:12.007 in   L0\\t 0\\r\n9 09:30:12.009 log 09:30 +++ \\\\ geöffnet\n"
                               "2147483648 09:30:12.010 in \\x01\n2147483649 09:30:12.011 in\n2147483650 "
                               "09:30:12.012 in x\\"
            << QString() << QList<Entry>{{7, "  L0\t 0\r"}, {2147483648, "\x01"}, {2147483649, ""}};
        const auto error = [](const char* name, const QByteArray& text, const char* message) {
            QTest::newRow(name) << text << "Zeile " + QString::fromUtf8(message) << QList<Entry>{};
        };
        error("no number", "+5 x\n", "1: die Zeit ist keine Zahl von Millisekunden");
        error("backwards", "5 a\n4 b\n", "2: die Zeit läuft rückwärts");
        error("beyond 30 days", "0 a\n2592000001 b\n", "2: die Zeit ist größer als 2592000000 ms (30 Tage)");
        error("2^64", "99999999999999999999 b\n", "1: die Zeit ist größer als 2592000000 ms (30 Tage)");
        for (const char* text : {"1 \\q\n", "1 \\x4\n", "1 \\x 1A\n", "1 \\x+1\n", "1 a\\\n"})
            error(text, text, "1: unbekanntes oder unvollständiges Escape");
        error("raw control byte", "1 a\tb\n", "1: Byte 0x09 ohne Escape");
        error("journal entry without time", JournalHeader + "5 in a\n",
              "2: erwartet <Millisekunden> <HH:MM:SS.mmm> <Kanal> <Daten>");
    }
    void read()
    {
        QFETCH(QByteArray, text);
        QList<Entry> parsed;
        QTEST(readText(text, parsed), "error");
        QTEST(parsed, "entries");
    }

    // Brelox's port service writes to the simulated board; the window shows exactly what the pty received,
    // newest line on top, every kept line visible at the default size, each character in its own cell.
    void boardWindowShowsWhatThePtyReceived()
    {
        QTemporaryDir dir;
        SimulatedPort board(dir.path(), 2);
        // The line is raw also for a program that leaves it as it finds it: a CR stays, nothing waits for it.
        const int plain = ::open(qPrintable(dir.filePath("com2")), O_RDONLY | O_NONBLOCK | O_NOCTTY);
        QVERIFY(plain >= 0 && board.send("a\rb"));
        QByteArray raw(3, 0);
        pollfd p{plain, POLLIN, 0};
        for (qsizetype got = 0; got < 3 && ::poll(&p, 1, IoTimeout) == 1;)
            got += qMax(0, int(::read(plain, raw.data() + got, size_t(3 - got))));
        ::close(plain);
        QCOMPARE(raw, QByteArray("a\rb"));
        QtSerialPortService out{ComPortMap(dir.path())};
        QVERIFY(board.isReady() && out.setCommPort(2) && out.setSettings("9600,N,8,1") && out.open());
        QTime now(9, 30, 0);
        BoardModel model([&] { return now; });
        BoardWindow window(model);
        window.findChild<QPlainTextEdit*>("History")->setFont(QFont("DejaVu Sans Mono", 20)); // any font
        window.show();
        QList<QByteArray> sent = {"042.    00:01:23.45   ", QByteArray("\x01Z\xFC\t\x7F x\xB7", 8),
                                  ".:.:.:.:.:.:.:.:.:.:.:"};
        for (int i = 3; i < BoardModel::Kept + 2; ++i)
            sent.prepend(QByteArray::number(i));
        for (const QByteArray& line : sent) {
            now = now.addSecs(1);
            QVERIFY(out.output(QString::fromLatin1(line + '\r')));
            QByteArray received;
            QTRY_COMPARE_WITH_TIMEOUT(received += board.receive(), line + '\r', IoTimeout);
            QCOMPARE(model.receive(received).size(), 1);
            window.refresh();
        }
        QCOMPARE(window.panelText(),
                 QStringLiteral(".:.:.:.:.:.:.:.:.:.:.:").leftJustified(BoardModel::Columns));
        QCOMPARE(window.historyTexts().mid(0, 3),
                 (QStringList{"09:30:14.000  |.:.:.:.:.:.:.:.:.:.:.:|", "09:30:13.000  |·Z··· x·|",
                              "09:30:12.000  |042.    00:01:23.45   |"}));
        QCOMPARE(window.historyTexts().mid(BoardModel::Kept - 1),
                 QStringList{"09:30:03.000  |11|"}); // the oldest kept
        QCOMPARE(window.findChild<QPlainTextEdit*>("History")->verticalScrollBar()->maximum(), 0);
        QCOMPARE(model.receive("x\r\rrest").size(), 2); // cut at every CR, the rest kept
    }

    // It ends by itself with a message (D: a new folder with com1 -> /dev/null); a large replay under a
    // memory limit is read as it plays.
    void endsWithMessage_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, const char* options, const QByteArray& file, int status,
                            const QString& message) {
            QTest::newRow(name) << options << file << status << (status ? Me + message + '\n' : message);
        };
        row("ports is a file", "--ports D/file", "x", 1, "--ports D/file: kein Ordner");
        row("ports under /proc", "--ports /proc/x", {}, 1,
            "--ports /proc/x: Ordner kann nicht angelegt werden (existiert nicht)");
        row("ports not writable", "--ports /proc", {}, 1,
            "--ports /proc: Ordner nicht beschreibbar (existiert nicht)");
        row("com1 is a device", "--ports D", {}, 1,
            "D/com1 zeigt auf /dev/null, kein Pseudo-Terminal: bleibt, wie es ist");
        row("replay /dev/zero", "--ports D/p --replay /dev/zero", {}, 1,
            "/dev/zero: Zeile 1: länger als 1048576 Bytes");
        row("replay of 40 MB, memory limited, bad line at its end", "--ports D/p --replay D/file",
            QByteArray("#\n").repeated(20'000'000) + "x\n", 1,
            "D/file: Zeile 20000001: erwartet <Millisekunden> <Bytes>");
    }
    void endsWithMessage()
    {
        QFETCH(QString, options);
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QFile content(dir.filePath("file"));
        QVERIFY(QFile::link("/dev/null", dir.filePath("com1")));
        QVERIFY(file.isEmpty() || (content.open(QIODevice::WriteOnly) && content.write(file) == file.size() &&
                                   content.flush()));
        QProcess run;
#ifndef __SANITIZE_ADDRESS__ // which reserves far more address space than any limit
        options.prepend(Simulator + ' ').prepend("prlimit --as=805306368 -- ");
#endif
        QStringList arguments = options.replace("D", dir.path()).split(' ');
        run.start(arguments.first() == "prlimit" ? arguments.takeFirst() : Simulator, arguments);
        QVERIFY(run.waitForFinished(30000));
        const QString output = QString::fromUtf8(run.readAllStandardOutput() + run.readAllStandardError());
        QVERIFY2(output.contains(message.replace("D/", dir.path() + '/')), qPrintable(output));
        QTEST(run.exitCode(), "status");
        QCOMPARE(QFile::symLinkTarget(dir.filePath("com1")), "/dev/null");
    }

    // Without --ports a temporary folder, gone after SIGHUP; else only its links still pointing at its own
    // ports go. A second simulator refuses the folder. Signals end it also while its replay waits.
    void linksGoOnEverySignal_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<QString>("options"); // H: a new folder with a FIFO and a record due in 25 days
        QTest::newRow("SIGHUP, temporary folder") << int(SIGHUP) << QString();
        QTest::newRow("SIGTERM, temporary folder, FIFO") << int(SIGTERM) << "--replay H/fifo";
        QTest::newRow("SIGINT, named folder, 2^31 ms")
            << int(SIGINT) << "--ports H/ports --no-hint --replay H/late";
    }
    void linksGoOnEverySignal()
    {
        QFETCH(int, signal);
        QFETCH(QString, options);
        QTemporaryDir home;
        QFile late(home.filePath("late"));
        QVERIFY(::mkfifo(qPrintable(home.filePath("fifo")), 0600) == 0 && late.open(QIODevice::WriteOnly) &&
                late.write("2147483648 x\n") == 13 && late.flush());
        QProcess simulator;
        simulator.setEnvironment(QProcess::systemEnvironment()
                                 << "QT_FATAL_WARNINGS=1"
                                 << "HOME=" + home.path() << "XDG_CONFIG_HOME=" + home.filePath("config"));
        simulator.start(
            Simulator,
            ("--interval 100000 " + options.replace("H", home.path())).split(' ', Qt::SkipEmptyParts));
        const bool named = options.contains("--ports");
        // The line comes in one write.
        QVERIFY(simulator.waitForReadyRead(IoTimeout) && simulator.read(14) == "Ports-Ordner: ");
        const QString folder = QString::fromLocal8Bit(simulator.readLine().trimmed());
        QVERIFY(named ? folder == home.filePath("ports")
                      : QFileInfo(folder).fileName().startsWith("brelox-ports-"));
        QProcess second;
        second.start(Simulator, {"--ports", folder});
        QVERIFY(second.waitForFinished(IoTimeout) && second.exitCode() == 1);
        QCOMPARE(QString::fromUtf8(second.readAllStandardError()),
                 Me + "--ports " + folder + ": wird schon von einem anderen Simulator benutzt\n");
        QVERIFY(QFileInfo(folder + "/com1").isSymLink() && QFile::remove(folder + "/com2") &&
                QFile::link("/dev/null", folder + "/com2"));
        ::kill(pid_t(simulator.processId()), signal);
        QVERIFY(simulator.waitForFinished(IoTimeout) && simulator.exitStatus() == QProcess::NormalExit &&
                simulator.exitCode() == 0);
        QCOMPARE(simulator.readAll().contains("Brelox starten mit: brelox --ports "), !named);
        QVERIFY(!QFileInfo(folder + "/com1").isSymLink());
        QCOMPARE(QFile::symLinkTarget(folder + "/com2"), named ? "/dev/null" : "");
        QCOMPARE(QFileInfo::exists(folder), named);
        QVERIFY(!QFileInfo::exists(home.filePath("config/brelox")));
    }

    // A recording ends complete, status 1, when the device goes away, and reads back as it was received.
    // (Replays into Brelox: replayedJournalShowsTheSameBoard.)
    void recordingEndsCompleteWhenTheDeviceGoes()
    {
        QTemporaryDir dir;
        PtyPair device(dir.path(), 5);
        QFile file(dir.filePath("recorded.txt"));
        QProcess simulator;
        simulator.start(Simulator, {"--record", file.fileName(), "--device", dir.filePath("com5")});
        QVERIFY(device.isValid() && simulator.waitForReadyRead(IoTimeout));
        QCOMPARE(simulator.readLine(), "Aufnahme von " + QFile::encodeName(dir.filePath("com5")) + " nach " +
                                           QFile::encodeName(file.fileName()) + " (Strg+C beendet)\n");
        QByteArray sent(256, 0);
        std::iota(sent.begin(), sent.end(), char(0)); // every byte value, through the escapes and back
        QVERIFY(device.writeFar(sent.left(10)) && device.writeFar(sent.mid(10)));
        QTRY_COMPARE_WITH_TIMEOUT(recordedBytes(file.fileName()), sent, IoTimeout);
        QVERIFY(device.vanish() && simulator.waitForFinished(IoTimeout) && simulator.exitCode() == 1);
        QCOMPARE(QString::fromUtf8(simulator.readAllStandardError()),
                 Me + dir.filePath("com5") + " ist nicht mehr da: Aufnahme beendet\n");
        QCOMPARE(recordedBytes(file.fileName()), sent);
        QVERIFY(!recordedBytes(QStringLiteral(BRELOX_EXAMPLE_RACE)).isEmpty()); // and the example race reads
    }

    // Exact entries (every kind of byte: escaped, as it is, beyond ASCII); a second start in the same second,
    // its file stopping at its limit (1 GB, lower here) after the last whole entry that fits.
    void entriesAreWrittenExactly()
    {
        QTemporaryDir home;
        const QString folder = home.filePath(u"state/brelox/journal"_s);
        FakeMonotonicClock mono;
        FakeWallClock wall;
        wall.now = QTime(9, 30, 12, 345);
        const QDateTime started(QDate(2027, 1, 15), QTime(9, 30, 12), Qt::OffsetFromUTC, 3600);
        const QByteArray header = JournalHeader + "# <ms since start> <local time> <channel> <data>\n";
        QByteArray limited = header;
        for (int n = 0; n < 7; ++n)
            limited += "1234 09:30:12.345 in record " + QByteArray::number(n) + '\n';
        Journal journal(mono, wall), secondInTheSameSecond(mono, wall);
        secondInTheSameSecond.setFileLimit(limited.size() + 20); // the eighth entry (30 bytes) does not fit
        QSignalSpy failed(&secondInTheSameSecond, &Journal::failed);
        QVERIFY(journal.open(folder, started, u"Brelox 1.0.2"_s));
        QVERIFY(secondInTheSameSecond.open(folder, started, u"Brelox 1.0.2"_s));
        mono.advance(1234);
        journal.record(Channel::In, QByteArray("\t\r\n\\\x00\x1f\x7f ~A\xe4", 11));
        journal.recordText(Channel::Log, u"09:30:13 +++ COM-Port 1 wurde geöffnet\t\\\r\n"_s);
        for (int n = 0; n < 20; ++n)
            secondInTheSameSecond.record(Channel::In, "record " + QByteArray::number(n));
        journal.record(Channel::Out, "042.    00:01:23.45   \r");
        journal.close();
        secondInTheSameSecond.close();
        QCOMPARE(contents(journal.fileName()),
                 header + "1234 09:30:12.345 in \\t\\r\\n\\\\\\x00\\x1F\\x7F ~A\\xE4\n"
                          "1234 09:30:12.345 log 09:30:13 +++ COM-Port 1 wurde geöffnet\\t\\\\\\r\\n\n"
                          "1234 09:30:12.345 out 042.    00:01:23.45   \\r\n");
        QCOMPARE(contents(secondInTheSameSecond.fileName()), limited);
        QCOMPARE(failed, QList<QVariantList>{{u"Datei größer als 1 GB"_s}});
        QCOMPARE(journal.fileName(), folder + u"/2027-01-15_09-30-12.journal"_s);
        QCOMPARE(secondInTheSameSecond.fileName(), folder + u"/2027-01-15_09-30-12-2.journal"_s);
        QCOMPARE(QFile::permissions(journal.fileName()), QFile::Permissions(0x6600)); // rw for the owner only
        QCOMPARE(QFile::permissions(home.filePath(u"state/brelox"_s)), QFile::Permissions(0x7700)); // rwx
    }
    // At start the oldest journals go while the folder holds more than 500 MB of them, never the run's own
    // file nor the three newest before it, nor anything else. Sparse files: sizes count, blocks cost nothing.
    void oldJournalsAreDeletedAtStart_data()
    {
        QTest::addColumn<QList<int>>("sizes"); // MiB of each journal, oldest first
        QTest::addColumn<int>("deleted");      // how many of the oldest go
        QTest::newRow("1000 MB: the three newest stay") << QList<int>{200, 200, 200, 200, 200} << 2;
        QTest::newRow("550 MB: the oldest goes") << QList<int>{200, 200, 50, 50, 50} << 1;
        QTest::newRow("450 MB: none goes") << QList<int>{150, 100, 100, 50, 50} << 0;
    }
    void oldJournalsAreDeletedAtStart()
    {
        QFETCH(QList<int>, sizes);
        QFETCH(int, deleted);
        QTemporaryDir dir;
        const QDateTime first(QDate(2026, 1, 1), QTime(8, 0));
        QStringList expected{u"notes.txt"_s}; // older and bigger than any journal
        for (int i = -1; i < sizes.size(); ++i) {
            QFile file(dir.filePath(i < 0 ? expected[0]
                                          : first.addDays(i).toString(u"yyyy-MM-dd_HH-mm-ss'.journal'"_s)));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(qint64(i < 0 ? 600 : sizes[i]) << 20));
            QVERIFY(file.setFileTime(first.addDays(i), QFileDevice::FileModificationTime));
            if (i >= deleted)
                expected << QFileInfo(file).fileName();
        }
        FakeMonotonicClock mono;
        FakeWallClock wall;
        Journal journal(mono, wall);
        QVERIFY(journal.open(dir.path(), first.addYears(-1), u"Brelox"_s)); // named oldest: a clock set back
        journal.close();
        expected << QFileInfo(journal.fileName()).fileName();
        expected.sort();
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name), expected);
    }
    // A run whose journal cannot be written gives one log line and the board gets every line. A run killed in
    // the middle of a stream or 0.5 s after it leaves a journal that parses to the end and holds what was
    // read and shown up to at least 250 ms before the kill; all of it when the stream had finished.
    void faultOrKill_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<QString>("reason"); // of the one log line; none: the run is killed
        QTest::addColumn<bool>("finished");  // the stream, 0.5 s before the kill
        QTest::newRow("disk full") << "journal" << qint64(3000) << "Datei zu groß für das System" << false;
        QTest::newRow("unwritable folder") << "/sys/kernel" << qint64(0) << "keine Schreibrechte" << false;
        QTest::newRow("folder that is a file") << "file" << qint64(0) << "Ordner ist eine Datei" << false;
        QTest::newRow("killed mid-stream") << "journal" << qint64(0) << QString() << false;
        QTest::newRow("killed 0.5 s after the stream") << "journal" << qint64(0) << QString() << true;
    }
    void faultOrKill()
    {
        QFETCH(QString, folder);
        QFETCH(qint64, limit);
        QFETCH(QString, reason);
        QFETCH(bool, finished);
        QTemporaryDir dir;
        QFile(dir.filePath(u"file"_s)).open(QIODevice::WriteOnly);
        PtyPair device(dir.path(), 1);
        Run run(dir.path(), QDir(dir.path()).filePath(folder), limit);
        QVERIFY(run.ready && run.stream(device, 0, 100));
        if (!reason.isEmpty()) {
            const QStringList log = run.end().split(u"\r\n"_s).filter(u"Protokoll"_s);
            QCOMPARE(log.size(), 1);
            QCOMPARE(log[0].mid(8), u" +++ Protokoll kann nicht geschrieben werden: "_s + reason);
            return;
        }
        QTest::qSleep(500); // what the board showed by now was read and journaled by the kill
        if (!finished)
            QVERIFY(device.writeFar(records(100, 100)));
        ::kill(pid_t(run.process.processId()), SIGKILL);
        QVERIFY(run.process.waitForFinished(IoTimeout));
        QVERIFY(contents(run.journalFile()).startsWith("# Brelox 9.9.9 journal, started "));
        QMap<QString, QByteArray> parsed = channels(run.journalFile());
        QCOMPARE(parsed["bad"], QByteArray());
        QCOMPARE(parsed["in"].left(run.sent.size()), run.sent);
        QCOMPARE(parsed["out"].left(run.shown.size()), run.shown);
        QVERIFY(records(0, 200).startsWith(parsed["in"]));
        QVERIFY(!finished || (parsed["in"] == run.sent && parsed["out"] == run.shown));
    }
    // The journal of a run, replayed by the device simulator into a second Brelox: the same board bytes. What
    // the simulator sends before the second Brelox opens COM 1 waits in the port for it.
    void replayedJournalShowsTheSameBoard()
    {
        QTemporaryDir dir;
        PtyPair device(dir.path(), 1);
        Run first(dir.path(), dir.filePath(u"journal"_s));
        // Three parts some milliseconds apart, replayed with the journal's timing.
        QVERIFY(first.ready && first.stream(device, 0, 10) && first.stream(device, 10, 10) &&
                first.stream(device, 20, 10));
        first.end();
        QProcess simulator;
        simulator.start(Simulator,
                        {u"--ports"_s, dir.filePath(u"replay"_s), u"--replay"_s, first.journalFile()});
        QVERIFY(simulator.waitForReadyRead(IoTimeout) && QDir(dir.path()).mkdir(u"second"_s));
        QVERIFY(QFile::link(dir.filePath(u"replay/com1"_s), dir.filePath(u"second/com1"_s)));
        Run second(dir.filePath(u"second"_s), dir.filePath(u"journal2"_s));
        QVERIFY(second.ready);
        QCOMPARE(second.far.collect(first.shown.size(), IoTimeout), first.shown);
        second.end();
        simulator.terminate();
        QVERIFY(simulator.waitForFinished(IoTimeout));
    }

private:
    // The entries of a file's text fed in pieces of 7 bytes, as a slow FIFO gives them; returns the error.
    static QString readText(const QByteArray& text, QList<Entry>& entries)
    {
        using Result = RecordedStream::Reader::Result;
        RecordedStream::Reader reader;
        Entry entry;
        for (qsizetype at = 0;; at += 7) {
            Result result;
            while ((result = reader.next(entry)) == Result::Entry)
                entries << entry;
            if (result != Result::NeedMore)
                return result == Result::End ? QString() : (entries.clear(), reader.error());
            at < text.size() ? reader.feed(text.mid(at, 7)) : reader.finish();
        }
    }
    static QByteArray recordedBytes(const QString& path)
    {
        QList<Entry> entries;
        QByteArray bytes;
        if (readText(contents(path), entries).isEmpty())
            for (const Entry& entry : entries)
                bytes += entry.bytes;
        return bytes;
    }
};

int main(int argc, char* argv[])
{
    if (argc == 5 && std::strcmp(argv[1], "--journaled-brelox") == 0)
        return journaledBrelox(argc, argv);
    QApplication app(argc, argv);
    TestSimulator test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_simulator.moc"
