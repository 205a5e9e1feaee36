// SPDX-License-Identifier: GPL-3.0-or-later
// The device simulator: recordings and journals read as they play, the board window (offscreen) fed over a
// pseudo-terminal by Brelox's port service, and the program itself: folder, links, signals, replay,
// recording.

#include "PtyPair.h"
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
#include <sys/stat.h>
#include <unistd.h>

constexpr int IoTimeout = 5000;
using RecordedStream::Entry;
static const QString Simulator = QStringLiteral(BRELOX_SIMULATOR);
static const QString Me = QStringLiteral("brelox-device-simulator: ");
static const QByteArray JournalHeader = "# Brelox 1.0.2 journal, started 2027-01-15 09:30:12 +0100\n";

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
    // (Replays into Brelox: test_journal.)
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
        QFile file(path);
        QList<Entry> entries;
        QByteArray bytes;
        if (file.open(QIODevice::ReadOnly) && readText(file.readAll(), entries).isEmpty())
            for (const Entry& entry : entries)
                bytes += entry.bytes;
        return bytes;
    }
};

QTEST_MAIN(TestSimulator)
#include "test_simulator.moc"
