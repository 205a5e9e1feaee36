// SPDX-License-Identifier: GPL-3.0-or-later
// The device simulator: recorded streams, the board's model and window (offscreen) fed over a real pseudo-
// terminal by Brelox's own port service, and the simulator program's links, replay and recording.

#include "PtyPair.h"
#include "ports/QtSerialPortService.h"
#include "simulator/BoardModel.h"
#include "simulator/BoardWindow.h"
#include "simulator/RecordedStream.h"
#include "simulator/SimulatedPort.h"

#include <QApplication>
#include <QFontDatabase>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

constexpr int IoTimeout = 5000;
using RecordedStream::Entry;

static QByteArray allBytes()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    return all;
}

class TestSimulator : public QObject
{
    Q_OBJECT
private slots:
    void escapes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("record") << QByteArray("  L0\t 042\t00:01:23.45\r")
                                << QByteArray("  L0\\t 042\\t00:01:23.45\\r");
        QTest::newRow("line feed, backslash") << QByteArray("a\\b\n") << QByteArray("a\\\\b\\n");
        QTest::newRow("bytes outside 0x20-0x7E")
            << QByteArray("\x00\x1F\x7F\xE4\xFF", 5) << QByteArray("\\x00\\x1F\\x7F\\xE4\\xFF");
        QTest::newRow("blanks at both ends") << QByteArray("  x  ") << QByteArray("  x  ");
    }
    void escapes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, text);
        QCOMPARE(RecordedStream::escape(bytes), text);
        QCOMPARE(RecordedStream::line({1234, bytes}), "1234 " + text + '\n');
        QByteArray back;
        QVERIFY(RecordedStream::unescape(text, back));
        QCOMPARE(back, bytes);
    }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QList<Entry>>("entries");
        QTest::newRow("comments, empty lines, CR LF")
            << QByteArray("# a race\n\n0   L0\\t   1\\r\r\n1500 x\n1500 \n") << QString()
            << QList<Entry>{{0, "  L0\t   1\r"}, {1500, "x"}, {1500, ""}};
        const auto error = [](const char* name, const char* text, const char* message) {
            QTest::newRow(name) << QByteArray(text) << QString::fromLatin1(message) << QList<Entry>{};
        };
        const char* const escape = "line 1: unknown or unfinished escape";
        error("no blank", "# c\n100\n", "line 2: expected <milliseconds> <bytes>");
        error("no number", "+5 x\n", "line 1: the time is no number of milliseconds");
        error("backwards", "10 a\n9 b\n", "line 2: the time goes backwards");
        error("unknown escape", "1 \\q\n", escape);
        error("short hex", "1 \\x4\n", escape);
        error("lone backslash", "1 a\\\n", escape);
    }
    void parse()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, error);
        QFETCH(QList<Entry>, entries);
        QList<Entry> parsed;
        QString reported;
        QCOMPARE(RecordedStream::parse(text, parsed, reported), error.isEmpty());
        QCOMPARE(reported, error);
        if (error.isEmpty())
            QCOMPARE(parsed, entries);
    }

    void replayHandsOutEntriesWhenDue()
    {
        RecordedStream::Replay replay({{0, "a"}, {100, "b"}, {100, "c"}, {250, "d"}});
        QCOMPARE(replay.nextDue(), 0);
        QCOMPARE(replay.due(0), QByteArray("a"));
        QCOMPARE(replay.due(99), QByteArray());
        QCOMPARE(replay.nextDue(), 100);
        QCOMPARE(replay.due(260), QByteArray("bcd"));
        QVERIFY(replay.finished());
        QCOMPARE(replay.nextDue(), -1);
    }

    void exampleRaceIsReadable()
    {
        QFile file(QStringLiteral(BRELOX_EXAMPLE_RACE));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QList<Entry> entries;
        QString error;
        QVERIFY2(RecordedStream::parse(file.readAll(), entries, error), qPrintable(error));
        QVERIFY(entries.size() >= 10);
        for (const Entry& entry : entries)
            QVERIFY2(entry.bytes.endsWith('\r'), entry.bytes.constData());
    }

    void boardModelCutsLinesAtCr()
    {
        QTime now(14, 3, 7, 250);
        BoardModel model([&] { return now; });
        QVERIFY(model.receive("042.  ").isEmpty());
        QVERIFY(!model.hasLine());
        const QList<BoardModel::Line> lines = model.receive(QByteArray("00:01\r\x01\xE4\t~\r\rrest", 13));
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0].bytes, QByteArray("042.  00:01"));
        QCOMPARE(lines[1].bytes, QByteArray("\x01\xE4\t~"));
        QCOMPARE(lines[2].bytes, QByteArray());
        QCOMPARE(model.lastLine(), QByteArray());
        QCOMPARE(BoardModel::shown(lines[1].bytes), QStringLiteral("···~"));
        QCOMPARE(BoardModel::historyEntry(lines[0]), QStringLiteral("14:03:07.250  |042.  00:01|"));
        for (int i = 0; i < 20; ++i)
            model.receive(QByteArray::number(i) + '\r');
        QCOMPARE(model.lines().size(), BoardModel::Kept);
        QCOMPARE(model.lines().first().bytes, QByteArray("8"));
        QCOMPARE(model.lastLine(), QByteArray("19"));
        // Every byte outside 0x20-0x7E shows as a middle dot.
        const QString shown = BoardModel::shown(allBytes());
        QCOMPARE(shown.size(), 256);
        for (int b = 0; b < 256; ++b)
            QCOMPARE(shown[b], b >= 0x20 && b <= 0x7E ? QChar(b) : QChar(0x00B7));
    }

    // Brelox's port service writes to the simulated board; the window shows exactly what the pty received.
    void boardWindowShowsWhatThePtyReceived()
    {
        QTemporaryDir dir;
        SimulatedPort board(dir.path(), 2);
        QVERIFY(board.isReady());
        QtSerialPortService out{ComPortMap(dir.path())};
        QVERIFY(out.setCommPort(2) && out.setSettings(QStringLiteral("9600,N,8,1")) && out.open());

        QTime now(9, 30, 0);
        BoardModel model([&] { return now; });
        BoardWindow window(model);
        window.show();
        const QList<QByteArray> sent = {"042.    00:01:23.45   ", QByteArray("\x01Z\xFC\t\x7F x\xB7", 8),
                                        " 0042   : 1:23.455    "};
        for (const QByteArray& line : sent) {
            now = now.addSecs(1);
            QVERIFY(out.output(QString::fromLatin1(line + '\r')));
            QByteArray received;
            QTRY_COMPARE_WITH_TIMEOUT(received += board.receive(), line + '\r', IoTimeout);
            QCOMPARE(model.receive(received).size(), 1);
            window.refresh();
            QCOMPARE(window.panelText(), BoardModel::shown(line).leftJustified(BoardModel::Columns));
        }
        QCOMPARE(window.historyTexts(),
                 (QStringList{"09:30:01.000  |042.    00:01:23.45   |", "09:30:02.000  |·Z··· x·|",
                              "09:30:03.000  | 0042   : 1:23.455    |"}));
        if (QFontDatabase::hasFamily(QStringLiteral("DSEG14 Classic")))
            QCOMPARE(window.panelFontFamily(), QStringLiteral("DSEG14 Classic"));
    }

    // The simulator program: without --ports a temporary folder, gone after SIGHUP; with --ports only its
    // links are removed. Either way the user's own ports folder stays untouched.
    void linksGoOnEverySignal_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("named");
        QTest::newRow("SIGHUP, temporary folder") << int(SIGHUP) << false;
        QTest::newRow("SIGTERM, temporary folder") << int(SIGTERM) << false;
        QTest::newRow("SIGINT, named folder") << int(SIGINT) << true;
    }
    void linksGoOnEverySignal()
    {
        QFETCH(int, signal);
        QFETCH(bool, named);
        QTemporaryDir home;
        const QString namedFolder = home.filePath(QStringLiteral("ports"));
        QProcess simulator;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("HOME"), home.path());
        env.remove(QStringLiteral("DISPLAY"));
        simulator.setProcessEnvironment(env);
        QStringList arguments{QStringLiteral("--interval"), QStringLiteral("100000")};
        if (named)
            arguments << QStringLiteral("--ports") << namedFolder;
        simulator.start(QStringLiteral(BRELOX_SIMULATOR), arguments);
        const QString folder = readPortsFolder(simulator);
        QVERIFY(named ? folder == namedFolder
                      : QFileInfo(folder).fileName().startsWith(QStringLiteral("brelox-ports-")));
        QVERIFY(QFileInfo(folder + "/com1").isSymLink() && QFileInfo(folder + "/com2").isSymLink());

        ::kill(pid_t(simulator.processId()), signal);
        QVERIFY(simulator.waitForFinished(IoTimeout));
        QCOMPARE(simulator.exitStatus(), QProcess::NormalExit);
        QCOMPARE(simulator.exitCode(), 0);
        QVERIFY(!QFileInfo(folder + "/com1").isSymLink() && !QFileInfo(folder + "/com2").isSymLink());
        QCOMPARE(QFileInfo::exists(folder), named);
        QVERIFY(!QFileInfo::exists(home.filePath(QStringLiteral("config/brelox"))));
    }

    void replaySendsTheRecordedBytes()
    {
        QTemporaryDir dir;
        QFile race(dir.filePath(QStringLiteral("race.txt")));
        QVERIFY(race.open(QIODevice::WriteOnly));
        race.write("# two records\n0   L0\\t 042\\t00:01:23.45\\r\n20 \\xE4\\\\\\r\n40   L1\\t  12\\r\n");
        race.close();
        QProcess simulator;
        simulator.start(QStringLiteral(BRELOX_SIMULATOR),
                        {QStringLiteral("--ports"), dir.filePath(QStringLiteral("ports")),
                         QStringLiteral("--replay"), race.fileName()});
        QVERIFY(!readPortsFolder(simulator).isEmpty());
        QtSerialPortService in{ComPortMap(dir.filePath(QStringLiteral("ports")))};
        QVERIFY(in.setCommPort(1) && in.open());
        in.setRThreshold(1);
        QString received;
        connect(&in, &SerialPortService::onComm, this, [&] { received += in.input(); });
        const QString expected = QString::fromLatin1("  L0\t 042\t00:01:23.45\r\xE4\\\r  L1\t  12\r");
        QTRY_VERIFY_WITH_TIMEOUT(received.size() >= expected.size(), IoTimeout);
        QCOMPARE(received, expected);
        simulator.terminate();
        QVERIFY(simulator.waitForFinished(IoTimeout));
    }

    void recordWritesWhatTheDeviceSends()
    {
        QTemporaryDir dir;
        PtyPair device(dir.path(), 5);
        QVERIFY(device.isValid());
        const QString file = dir.filePath(QStringLiteral("recorded.txt"));
        QProcess simulator;
        simulator.start(QStringLiteral(BRELOX_SIMULATOR),
                        {QStringLiteral("--record"), file, QStringLiteral("--device"),
                         dir.filePath(QStringLiteral("com5"))});
        QVERIFY(simulator.waitForReadyRead(IoTimeout));
        QVERIFY(simulator.readLine().startsWith("recording "));
        const QByteArray sent("  L0\t 042\t00:01:23.45\r\x00\xE4\\\n", 26);
        QVERIFY(device.writeFar(sent.left(10)));
        QVERIFY(device.writeFar(sent.mid(10)));
        QList<Entry> entries;
        QTRY_VERIFY_WITH_TIMEOUT(recordedBytes(file, entries) == sent, IoTimeout);
        for (qsizetype i = 1; i < entries.size(); ++i)
            QVERIFY(entries[i].ms >= entries[i - 1].ms);
        simulator.terminate();
        QVERIFY(simulator.waitForFinished(IoTimeout));
        QCOMPARE(simulator.exitCode(), 0);
    }

private:
    static QString readPortsFolder(QProcess& simulator)
    {
        while (simulator.canReadLine() || simulator.waitForReadyRead(IoTimeout)) {
            while (simulator.canReadLine()) {
                const QByteArray line = simulator.readLine().trimmed();
                if (line.startsWith("ports folder: "))
                    return QString::fromLocal8Bit(line.mid(14));
            }
        }
        return {};
    }
    static QByteArray recordedBytes(const QString& path, QList<Entry>& entries)
    {
        QFile file(path);
        QString error;
        if (!file.open(QIODevice::ReadOnly) || !RecordedStream::parse(file.readAll(), entries, error))
            return {};
        QByteArray bytes;
        for (const Entry& entry : entries)
            bytes += entry.bytes;
        return bytes;
    }
};

QTEST_MAIN(TestSimulator)
#include "test_simulator.moc"
