// SPDX-License-Identifier: GPL-3.0-or-later
// The device simulator: recordings and journals read as they play, the board's model and window (offscreen)
// fed over a real pseudo-terminal by Brelox's own port service, and the simulator program itself: its folder,
// links, signals, replay and recording.

#include "PtyPair.h"
#include "Version.h"
#include "ports/QtSerialPortService.h"
#include "simulator/BoardModel.h"
#include "simulator/BoardWindow.h"
#include "simulator/RecordedStream.h"
#include "simulator/SimulatedPort.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

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
        QTest::newRow("comments, empty lines, CR LF, escapes, last line unended")
            << QByteArray("# a race\n\n0   L0\\t   1\\r\r\n1500 \\xE4\\x00\\\\\\n\n1500 \n2592000000 x")
            << QString()
            << QList<Entry>{
                   {0, "  L0\t   1\r"}, {1500, QByteArray("\xE4\0\\\n", 4)}, {1500, ""}, {2592000000, "x"}};
        QTest::newRow("journal: in entries only, a cut last line skipped")
            << JournalHeader +
                   "# more\n5 09:30:12.005 port in COM 1 open 9600,N,8,1\n7 09:30:12.007 in   L0\\t 0\\r\n"
                   "9 09:30:12.009 log 09:30:12 +++ \\\\ geöffnet\n2147483648 09:30:12.010 in \\x01\n"
                   "2147483649 09:30:12.011 in\n2147483650 09:30:12.012 in x\\"
            << QString() << QList<Entry>{{7, "  L0\t 0\r"}, {2147483648, "\x01"}, {2147483649, ""}};
        const auto error = [](const char* name, const QByteArray& text, const char* message) {
            QTest::newRow(name) << text << QString::fromUtf8(message) << QList<Entry>{};
        };
        const char* const escape = "Zeile 1: unbekanntes oder unvollständiges Escape";
        error("no blank", "# c\n100\n", "Zeile 2: erwartet <Millisekunden> <Bytes>");
        error("no number", "+5 x\n", "Zeile 1: die Zeit ist keine Zahl von Millisekunden");
        error("backwards", JournalHeader + "5 09:30:12.005 in a\n4 09:30:12.004 in b\n",
              "Zeile 3: die Zeit läuft rückwärts");
        error("beyond 30 days", "0 a\n2592000001 b\n",
              "Zeile 2: die Zeit ist größer als 2592000000 ms (30 Tage)");
        error("huge number", "99999999999999999999 b\n",
              "Zeile 1: die Zeit ist größer als 2592000000 ms (30 Tage)");
        for (const char* text : {"1 \\q\n", "1 \\x4\n", "1 \\x 1A\n", "1 \\x+1\n", "1 a\\\n"})
            error(text, text, escape);
        error("raw control byte", "1 a\tb\n", "Zeile 1: Byte 0x09 ohne Escape");
        error("journal entry without time", JournalHeader + "5 in a\n",
              "Zeile 2: erwartet <Millisekunden> <HH:MM:SS.mmm> <Kanal> <Daten>");
    }
    void read()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, error);
        QFETCH(QList<Entry>, entries);
        QList<Entry> parsed;
        QString reported;
        QCOMPARE(readText(text, parsed, reported), error.isEmpty());
        QCOMPARE(reported, error);
        QCOMPARE(parsed, entries);
    }

    void exampleRaceIsReadable()
    {
        QFile file(QStringLiteral(BRELOX_EXAMPLE_RACE));
        QList<Entry> entries;
        QString error;
        QVERIFY(file.open(QIODevice::ReadOnly) && readText(file.readAll(), entries, error) &&
                entries.size() > 10);
    }

    // Brelox's port service writes to the simulated board; the window shows exactly what the pty received,
    // newest line on top, every kept line visible at the default size, each character in its own cell.
    void boardWindowShowsWhatThePtyReceived()
    {
        QTemporaryDir dir;
        SimulatedPort board(dir.path(), 2);
        QtSerialPortService out{ComPortMap(dir.path())};
        QVERIFY(board.isReady() && out.setCommPort(2) && out.setSettings("9600,N,8,1") && out.open());
        QTime now(9, 30, 0);
        BoardModel model([&] { return now; });
        BoardWindow window(model);
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
            QCOMPARE(window.panelText(), BoardModel::shown(line).leftJustified(BoardModel::Columns));
        }
        const QStringList history = window.historyTexts();
        QCOMPARE(history.size(), BoardModel::Kept);
        QCOMPARE(history.mid(0, 3),
                 (QStringList{"09:30:14.000  |.:.:.:.:.:.:.:.:.:.:.:|", "09:30:13.000  |·Z··· x·|",
                              "09:30:12.000  |042.    00:01:23.45   |"}));
        QCOMPARE(history.last(), "09:30:03.000  |11|");
        QCOMPARE(model.receive("x\r\rrest").size(), 2); // the model cuts at every CR, keeps the rest
        QCOMPARE(window.findChild<QPlainTextEdit*>("History")->verticalScrollBar()->maximum(), 0);
        // In a proportional face "." and ":" are narrow; each of them still fills its own cell of 22.
        auto* panel = window.findChild<QWidget*>("Panel");
        panel->setFont(QFont("DejaVu Sans", 36));
        const QImage image = panel->grab().toImage();
        const QRect face = panel->contentsRect();
        for (int cell = 0; cell < BoardModel::Columns; ++cell) {
            bool lit = false;
            for (int x = face.left() + face.width() * cell / 22;
                 x < face.left() + face.width() * (cell + 1) / 22; ++x)
                for (int y = face.top(); y <= face.bottom(); ++y)
                    lit = lit || qRed(image.pixel(x, y)) > 0xA0;
            QVERIFY2(lit, qPrintable(QString("cell %1 is empty").arg(cell + 1)));
        }
    }

    // The program ends by itself with a message (D is a new folder holding com1 -> /dev/null): a folder it
    // cannot use, a link it must not replace, a replay that is no readable recording (a large one under a
    // memory limit: it is read as it plays), --version and --help.
    void endsWithMessage_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, const char* options, const QByteArray& file, int status,
                            const QString& message) {
            QTest::newRow(name) << options << file << status << (status ? Me + message : message);
        };
        const QString version("brelox-device-simulator %1.%2.%3\n");
        row("version", "--version", {}, 0,
            version.arg(Version::Major).arg(Version::Minor).arg(Version::Revision));
        row("help", "--help", {}, 0, "Millisekunden zwischen zwei Datensätzen (Vorgabe: 2000).");
        row("ports is a file", "--ports D/file", "x", 1, "--ports D/file: kein Ordner\n");
        row("ports under /proc", "--ports /proc/brelox", {}, 1,
            "--ports /proc/brelox: Ordner kann nicht angelegt werden (existiert "
            "nicht)\n");
        row("ports not writable", "--ports /proc", {}, 1,
            "--ports /proc: Ordner nicht beschreibbar (existiert nicht)\n");
        row("com1 is a device", "--ports D", {}, 1,
            "D/com1 zeigt auf /dev/null, kein Pseudo-Terminal: bleibt, wie es "
            "ist\n");
        row("replay /dev/zero", "--ports D/p --replay /dev/zero", {}, 1,
            "/dev/zero: Zeile 1: länger als 1048576 Bytes\n");
        row("replay of 40 MB, memory limited, bad line at its end", "--ports D/p --replay D/file",
            QByteArray("#\n").repeated(20'000'000) + "x\n", 1,
            "D/file: Zeile 20000001: erwartet <Millisekunden> <Bytes>\n");
    }
    void endsWithMessage()
    {
        QFETCH(QString, options);
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QFile content(dir.filePath("file"));
        QVERIFY(QFile::link("/dev/null", dir.filePath("com1")));
        QVERIFY(file.isEmpty() || (content.open(QIODevice::WriteOnly) && content.write(file) == file.size()));
        content.close();
        QProcess simulator;
        simulator.setProcessChannelMode(QProcess::MergedChannels);
#ifndef __SANITIZE_ADDRESS__ // which reserves far more address space than any limit
        options.prepend(Simulator + ' ').prepend("prlimit --as=805306368 -- ");
#endif
        QStringList arguments = options.replace("D", dir.path()).split(' ');
        simulator.start(arguments.first() == "prlimit" ? arguments.takeFirst() : Simulator, arguments);
        QVERIFY(simulator.waitForFinished(30000));
        const QString output = QString::fromUtf8(simulator.readAll());
        QVERIFY2(output.contains(message.replace("D/", dir.path() + '/')), qPrintable(output));
        QTEST(simulator.exitCode(), "status");
        QCOMPARE(QFile::symLinkTarget(dir.filePath("com1")), "/dev/null");
    }

    // Without --ports a temporary folder, gone after SIGHUP; with --ports only its links are removed, and
    // only while they still point at its own devices; a second simulator refuses the folder. Signals end it
    // also while its replay waits (a FIFO without a writer, a record due in 25 days), with no warning from
    // Qt.
    void linksGoOnEverySignal_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("named");
        QTest::addColumn<QByteArray>("replay");
        QTest::newRow("SIGHUP, temporary folder") << int(SIGHUP) << false << QByteArray();
        QTest::newRow("SIGTERM, temporary folder, FIFO") << int(SIGTERM) << false << QByteArray("fifo");
        QTest::newRow("SIGINT, named folder, 2^31 ms") << int(SIGINT) << true << QByteArray("2147483648 x\n");
    }
    void linksGoOnEverySignal()
    {
        QFETCH(int, signal);
        QFETCH(bool, named);
        QFETCH(QByteArray, replay);
        QTemporaryDir home;
        QFile file(home.filePath("replay"));
        QVERIFY(replay == "fifo" ? ::mkfifo(qPrintable(file.fileName()), 0600) == 0
                                 : file.open(QIODevice::WriteOnly) && file.write(replay) == replay.size());
        file.close();
        QProcess simulator;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", home.filePath("config"));
        env.insert("HOME", home.path());
        env.insert("QT_FATAL_WARNINGS", "1");
        env.remove("DISPLAY");
        simulator.setProcessEnvironment(env);
        QStringList arguments{"--interval", "100000"};
        arguments << (named ? QStringList{"--ports", home.filePath("ports")} : QStringList());
        simulator.start(
            Simulator,
            arguments << (replay.isEmpty() ? QStringList() : QStringList{"--replay", file.fileName()}));
        const QString folder = readPortsFolder(simulator);
        QVERIFY(named ? folder == home.filePath("ports")
                      : QFileInfo(folder).fileName().startsWith("brelox-ports-"));
        QVERIFY(QFileInfo(folder + "/com1").isSymLink() && QFileInfo(folder + "/com2").isSymLink());
        QProcess second;
        second.start(Simulator, {"--ports", folder});
        QVERIFY(second.waitForFinished(IoTimeout));
        QCOMPARE(second.exitCode(), 1);
        QCOMPARE(QString::fromUtf8(second.readAllStandardError()),
                 Me + "--ports " + folder + ": wird schon von einem anderen Simulator benutzt\n");
        QVERIFY(QFile::remove(folder + "/com2") && QFile::link("/dev/null", folder + "/com2"));
        ::kill(pid_t(simulator.processId()), signal);
        QVERIFY(simulator.waitForFinished(IoTimeout));
        QVERIFY(simulator.exitStatus() == QProcess::NormalExit && simulator.exitCode() == 0);
        QVERIFY(!QFileInfo(folder + "/com1").isSymLink());
        QCOMPARE(QFile::symLinkTarget(folder + "/com2"), named ? "/dev/null" : "");
        QCOMPARE(QFileInfo::exists(folder), named);
        QVERIFY(!QFileInfo::exists(home.filePath("config/brelox")));
    }

    // What the device sends is recorded; when the device goes away the recording ends, complete, status 1.
    // Replayed over Brelox's port service, with a bad line added, the same bytes arrive before the replay
    // ends.
    void recordedBytesComeBackInTheReplay()
    {
        QTemporaryDir dir;
        PtyPair device(dir.path(), 5);
        QFile file(dir.filePath("recorded.txt"));
        QProcess simulator;
        simulator.start(Simulator, {"--record", file.fileName(), "--device", dir.filePath("com5")});
        QVERIFY(device.isValid() && simulator.waitForReadyRead(IoTimeout));
        QCOMPARE(simulator.readLine(), "Aufnahme von " + QFile::encodeName(dir.filePath("com5")) + " nach " +
                                           QFile::encodeName(file.fileName()) + " (Strg+C beendet)\n");
        const QByteArray sent("  L0\t 042\t00:01:23.45\r\x00\xE4\\\n", 26);
        QVERIFY(device.writeFar(sent.left(10)) && device.writeFar(sent.mid(10)));
        QTRY_COMPARE_WITH_TIMEOUT(recordedBytes(file.fileName()), sent, IoTimeout);
        QVERIFY(device.vanish() && simulator.waitForFinished(IoTimeout));
        QCOMPARE(simulator.exitCode(), 1);
        QCOMPARE(QString::fromUtf8(simulator.readAllStandardError()),
                 Me + dir.filePath("com5") + " ist nicht mehr da: Aufnahme beendet\n");
        QCOMPARE(recordedBytes(file.fileName()), sent);

        QVERIFY(file.open(QIODevice::Append) && file.write("99 \\x4G\n") == 8);
        file.close();
        simulator.start(Simulator, {"--ports", dir.filePath("ports"), "--replay", file.fileName()});
        QVERIFY(!readPortsFolder(simulator).isEmpty());
        QtSerialPortService in{ComPortMap(dir.filePath("ports"))};
        QVERIFY(in.setCommPort(1) && in.open());
        in.setRThreshold(1);
        QString received;
        connect(&in, &SerialPortService::onComm, this, [&] { received += in.input(); });
        QTRY_VERIFY_WITH_TIMEOUT(received.size() >= sent.size(), IoTimeout);
        QCOMPARE(received, QString::fromLatin1(sent));
        QVERIFY(simulator.waitForFinished(IoTimeout));
        QCOMPARE(simulator.exitCode(), 1);
        int lines = 0;
        recordedBytes(file.fileName(), &lines);
        QCOMPARE(QString::fromUtf8(simulator.readAllStandardError()),
                 Me + file.fileName() + ": Zeile " + QString::number(lines) +
                     ": unbekanntes oder unvollständiges Escape\n");
    }

private:
    static QString readPortsFolder(QProcess& simulator)
    {
        while (simulator.canReadLine() || simulator.waitForReadyRead(IoTimeout)) {
            const QByteArray line = simulator.canReadLine() ? simulator.readLine().trimmed() : QByteArray();
            if (line.startsWith("Ports-Ordner: "))
                return QString::fromLocal8Bit(line.mid(14));
        }
        return {};
    }
    static bool readText(const QByteArray& text, QList<Entry>& entries, QString& error)
    {
        RecordedStream::Reader reader;
        RecordedStream::Reader::Result result;
        Entry entry;
        entries.clear();
        for (qsizetype at = 0; (result = reader.next(entry)) != RecordedStream::Reader::Result::End;) {
            if (result == RecordedStream::Reader::Result::Bad)
                return error = reader.error(), entries.clear(), false;
            if (result == RecordedStream::Reader::Result::Entry)
                entries << entry;
            else if (at < text.size()) // fed in pieces of 7 bytes, as a slow FIFO would
                reader.feed(text.mid(at, 7)), at += 7;
            else
                reader.finish();
        }
        return true;
    }
    // The bytes of a recording, and its number of lines.
    static QByteArray recordedBytes(const QString& path, int* lines = nullptr)
    {
        QFile file(path);
        QList<Entry> entries;
        QString error;
        QByteArray bytes, text = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        if (lines)
            *lines = int(text.count('\n'));
        if (readText(text, entries, error))
            for (const Entry& entry : entries)
                bytes += entry.bytes;
        return bytes;
    }
};

QTEST_MAIN(TestSimulator)
#include "test_simulator.moc"
