// SPDX-License-Identifier: GPL-3.0-or-later
// The port controls on fake ports: settings strings, where COM n lives, the open/close buttons with the
// number read from the port list, sending a typed text; the output queue on a board that stalls and goes
// away.

#include "EngineRig.h"
#include "ports/ComPortMap.h"
#include "ports/LineReadBack.h"
#include "ports/PortSettings.h"

#include <QTemporaryDir>
#include <QtTest>

constexpr int In = 0, Out = 1;

class TestPortSettings : public QObject
{
    Q_OBJECT
private slots:
    // The settings string of every position of the lists, and the line settings it asks for; what the
    // platform cannot honour (4 data bits, 1.5 stop bits, which Linux would turn into 1) is refused.
    void settingsForEveryListPosition()
    {
        const PortSettings::Lists lists = PortSettings::startupLists(false);
        const char* const letters[] = {"E", "O", "N", "M", "S"};
        const int parities[] = {QSerialPort::EvenParity, QSerialPort::OddParity, QSerialPort::NoParity,
                                QSerialPort::MarkParity, QSerialPort::SpaceParity};
        for (const QString& baud : lists.baud.entries)
            for (int p = 0; p < 5; ++p)
                for (const QString& bits : lists.dataBits.entries)
                    for (const QString& stop : lists.stopBits.entries) {
                        const QString s = PortSettings::settingsString(baud, p, bits, stop);
                        QCOMPARE(s, baud + ',' + letters[p] + ',' + bits + ',' + stop);
                        const auto line = PortSettings::parse(s);
                        QCOMPARE(bool(line), bits != "4" && stop != "1.5");
                        if (line)
                            QCOMPARE(
                                (QList<int>{line->baudRate, line->parity, line->dataBits, line->stopBits}),
                                (QList<int>{baud.toInt(), parities[p], bits.toInt(), stop.toInt()}));
                    }
        // A parity that is no entry of the list leaves its field out, and the string is refused.
        QCOMPARE(PortSettings::settingsString("9600", -1, "8", "1"), QStringLiteral("9600,8,1"));
        QVERIFY(!PortSettings::parse("9600,8,1") && !PortSettings::parse("abc,N,8,1"));
    }

    // After the open the driver's settings are read back: they took effect exactly when the driver reports
    // what was asked. A pseudo-terminal reports only its speed and stop bits truly; a baud rate without a
    // speed constant of its own is not compared.
    void readBackAfterOpen()
    {
        const std::pair<const char*, speed_t> speeds[] = {
            {"2400", B2400}, {"9600", B9600}, {"115200", B115200}};
        const std::pair<char, tcflag_t> parities[] = {{'N', 0},
                                                      {'E', PARENB},
                                                      {'O', PARENB | PARODD},
                                                      {'M', PARENB | PARODD | CMSPAR},
                                                      {'S', PARENB | CMSPAR}};
        QList<std::pair<QString, termios>> all; // settings, and the driver reporting them
        for (const auto& [baud, speed] : speeds)
            for (const auto& [parity, flags] : parities)
                for (const auto& [bits, size] : {std::pair{5, CS5}, {6, CS6}, {7, CS7}, {8, CS8}})
                    for (int stop : {1, 2}) {
                        termios tio{};
                        ::cfmakeraw(&tio);
                        ::cfsetspeed(&tio, speed);
                        tio.c_cflag = (tio.c_cflag & ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB)) | size |
                                      flags | (stop == 2 ? CSTOPB : 0);
                        all.append(
                            {QStringLiteral("%1,%2,%3,%4").arg(baud).arg(parity).arg(bits).arg(stop), tio});
                    }
        for (const auto& [asked, unused] : all)
            for (const auto& [got, driver] : all)
                for (bool pty : {false, true}) {
                    const bool same = pty ? asked.section(',', 0, 0) == got.section(',', 0, 0) &&
                                                asked.section(',', 3) == got.section(',', 3)
                                          : asked == got;
                    QVERIFY2(LineReadBack::tookEffect(driver, *PortSettings::parse(asked), pty) == same,
                             qPrintable(asked + " read back as " + got + (pty ? " on a pty" : "")));
                }
        QCOMPARE(all[46].first,
                 QStringLiteral("9600,N,8,1")); // a baud rate without a speed constant of its own
        QVERIFY(LineReadBack::tookEffect(all[46].second, *PortSettings::parse("250000,N,8,1"), false));
    }

    // Which map is in force is decided once, at start; "~" is a temporary home.
    // Columns: the folder named with --ports, XDG_CONFIG_HOME, a ports folder with a link com1 that is there
    // at start and gone later (or made only after the start), COM 1 at start and once the folder went or
    // came.
    void comPortMap_data()
    {
        for (const char* column : {"named", "config", "folder", "atStart", "first", "later"})
            column == QLatin1String("atStart") ? QTest::addColumn<bool>(column)
                                               : QTest::addColumn<QString>(column);
        const auto row = [](const char* name, const char* named, const char* config, const char* folder,
                            bool atStart, const char* first, const char* later) {
            QTest::newRow(name) << QString(named) << QString(config) << QString(folder) << atStart
                                << QString(first) << QString(later);
        };
        row("named folder, gone", "~/run", "~/cfg", "~/run", true, "~/run/com1", "");
        row("named folder, not the user's", "~/run", "~/cfg", "~/cfg/brelox/ports", true, "", "");
        row("the user's folder, gone", "", "~/cfg", "~/cfg/brelox/ports", true, "~/cfg/brelox/ports/com1",
            "");
        row("relative XDG_CONFIG_HOME ignored", "", "cfg", "~/.config/brelox/ports", true,
            "~/.config/brelox/ports/com1", "");
        row("no folder at start: the fixed table", "", "~/cfg", "~/cfg/brelox/ports", false, "/dev/ttyS0",
            "/dev/ttyS0");
    }
    void comPortMap()
    {
        QFETCH(QString, named);
        QFETCH(QString, config);
        QFETCH(QString, folder);
        QFETCH(bool, atStart);
        QFETCH(QString, first);
        QFETCH(QString, later);
        QTemporaryDir home;
        for (QString* path : {&named, &config, &folder, &first, &later})
            path->replace(QLatin1Char('~'), home.path());
        QVERIFY(qputenv("HOME", QFile::encodeName(home.path())) &&
                qputenv("XDG_CONFIG_HOME", QFile::encodeName(config)));
        QVERIFY(named.isEmpty() || QDir().mkpath(named));
        const auto makeFolder = [&] {
            return QDir().mkpath(folder) && QFile::link("/dev/ttyS9", folder + QStringLiteral("/com1"));
        };
        QVERIFY(!atStart || makeFolder());
        const ComPortMap map = ComPortMap::atStart(named);
        QCOMPARE(map.devicePath(1), first);
        QVERIFY(atStart ? QDir(folder).removeRecursively() : makeFolder());
        QCOMPARE(map.devicePath(1), later);
        if (first.startsWith(QStringLiteral("/dev/"))) {
            QCOMPARE(map.devicePath(5), QStringLiteral("/dev/ttyUSB0"));
            QCOMPARE(map.devicePath(13), QStringLiteral("/dev/ttyACM0"));
            QCOMPARE(map.devicePath(17), QString());
        }
    }

    void toggle_data()
    {
        QTest::addColumn<int>("side");
        QTest::addColumn<bool>("wasOpen");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("number"); // read from the entry
        QTest::addColumn<QString>("refuse");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QString>("outcome");
        const QStringList none;
        const QStringList noPorts{"Fehler! Sind eventuell keine COM-Ports vorhanden?"};
        const QStringList refused{
            "Fehler! Sind eventuell keine COM-Ports vorhanden oder die Einstellungen falsch?"};
        const QString failed = " kann nicht geöffnet werden";
        QTest::newRow("no port") << In << false << QStringLiteral("Kein Comport verfügbar") << 0 << ""
                                 << noPorts << failed + ' ';
        QTest::newRow("open refused") << In << false << "COM 1" << 1 << "open" << refused << failed;
        QTest::newRow("settings refused") << Out << false << "COM 2" << 2 << "settings" << refused << failed;
        QTest::newRow("number 300") << Out << false << "COM 300" << 300 << "" << refused << failed;
        QTest::newRow("in opens 2.5 as 2")
            << In << false << "COM 2.5" << 2 << "" << none << " wurde geöffnet";
        QTest::newRow("in closes") << In << true << "COM 1" << 1 << "" << none << " geschlossen";
        QTest::newRow("close refused")
            << Out << true << "COM 2" << 2 << "close" << QStringList{"Fehler beim Schließen des Ports 2"}
            << " kann nicht geschlossen werden";
    }

    void toggle()
    {
        QFETCH(int, side);
        QFETCH(bool, wasOpen);
        QFETCH(QString, entry);
        QFETCH(int, number);
        QFETCH(QString, refuse);
        QFETCH(QString, outcome);
        EngineRig rig;
        FakeSerialPort& port = side == Out ? rig.out : rig.in;
        PortToggle& toggle = side == Out ? rig.engine.outputToggle : rig.engine.inputToggle;
        if (!wasOpen) {
            toggle.closeIfOpen();
            (void)rig.engine.outputToggle.takeClosedPortWarning(); // so that only this toggle can set it
            rig.settle();
        }
        port.rThreshold = port.sThreshold = port.inputLen = -1; // as before any open
        port.existing << number;
        port.refuseOpen = refuse == "open";
        port.refuseSettings = refuse == "settings";
        port.refuseClose = refuse == "close";

        toggle.toggle(PortChoice{entry, "9600", 2, "8", "1"});
        QTEST(rig.boxes.texts(), "boxes");
        const QString n = QString::number(number);
        QCOMPARE(rig.logLines(), (QStringList{"14:03:07 +++ COM-Port " + n + outcome,
                                              "14:03:07 +++ Versuch den COM-Port " + n +
                                                  (wasOpen ? " zu schließen" : " zu öffnen")}));
        const bool opened = outcome == " wurde geöffnet";
        QCOMPARE(toggle.isOpen(), opened);
        QCOMPARE(side == Out ? rig.form.OutPortOpen : rig.form.InPortOpen, opened);
        QCOMPARE((QList<int>{port.rThreshold, port.sThreshold, port.inputLen}),
                 (opened ? QList<int>{1, 1, 0} : QList<int>{-1, -1, -1}));
        // Only closing the output port warns that the board gets nothing.
        QCOMPARE(rig.form.WarnPortClosed, side == Out && wasOpen);
    }

    void send_data()
    {
        QTest::addColumn<QString>("port"); // closed, open or refusing to write
        QTest::addColumn<int>("side");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("port closed, no text")
            << "closed" << In << QString() << QStringList{"Bitte vorher einen Port öffnen"}
            << "Fehler beim Senden des Textes, Port ist nicht geöffnet";
        QTest::newRow("no text") << "open" << Out << QString() << QStringList{"Und was ist mit dem Text"}
                                 << "Text fehlt";
        QTest::newRow("write refused")
            << "refusing" << In << "ABC" << QStringList{"Text nicht fehlerfrei gesendet!"}
            << "Text nicht fehlerfrei gesendet";
        QTest::newRow("sent") << "open" << Out << "ABC" << QStringList() << "\"ABC\" wurde gesendet";
        QTest::newRow("sent on the input port")
            << "open" << In << "ABC" << QStringList() << "\"ABC\" wurde gesendet";
    }

    void send()
    {
        QFETCH(QString, port);
        QFETCH(int, side);
        QFETCH(QString, text);
        QFETCH(QStringList, boxes);
        QFETCH(QString, outcome);
        EngineRig rig;
        FakeSerialPort& fake = side == Out ? rig.out : rig.in;
        if (port == "closed") {
            (side == Out ? rig.engine.outputToggle : rig.engine.inputToggle).closeIfOpen();
            rig.settle();
        }
        fake.refuseWrite = port == "refusing";

        (side == Out ? rig.engine.outputSend : rig.engine.inputSend).send(text);

        QCOMPARE(rig.boxes.texts(), boxes);
        QCOMPARE(rig.logLines(), (QStringList{"14:03:07 +++ " + outcome,
                                              "14:03:07 +++ Versuch den Text " + text + " zu senden"}));
        const bool sent = boxes.isEmpty();
        QCOMPARE(fake.written, sent ? QByteArray("ABC\r") : QByteArray());
        // Only the monitor of the port it went out on shows it.
        const QString shown = sent ? "ABC\r\n" : "";
        QCOMPARE(rig.form.texts.MessIn, side == In ? shown : "");
        QCOMPARE(rig.form.texts.MessOut, side == Out ? shown : "");
    }

    // The board stalls in the first line. The lines handed to the writer go out whole, then the newest that
    // fit into the queue: the oldest waiting lines are dropped, reported once for each overload. A board that
    // goes away takes nothing of what waited, and refuses lines; back, it gets new lines straight away.
    void stallingAndVanishingBoard()
    {
        FakeBoard board;
        OutputQueue queue(board);
        QSignalSpy overloaded(&queue, &OutputQueue::overloaded);
        const auto line = [](int i) { return QByteArray::number(i).leftJustified(31, '.') + '\r'; };
        const int held = OutputQueue::HandOverBelow / 32 + 1;
        QByteArray expected;
        board.room = 10;
        for (int i = 0; i < held + OutputQueue::Limit / 32 + 5; ++i) {
            QCOMPARE(queue.send(line(i)), OutputQueue::Sent::Taken);
            expected += i < held || i >= held + 5 ? line(i) : QByteArray();
        }
        QCOMPARE(overloaded.count(), 1);
        while (board.turn(1000) > 0)
            queue.handOver();
        QCOMPARE(board.taken, expected);

        for (int overload = 2; overload <= 3; ++overload) {
            board.room = 0;
            for (int i = 0; i < 3000; ++i)
                queue.send(line(i));
            QCOMPARE(overloaded.count(), overload);
            board.gone = true;
            QCOMPARE(board.turn(1000), -1); // the port finds it gone and closes
            queue.clear();
            board.discard();
            QCOMPARE(queue.send("refused\r"), OutputQueue::Sent::DeviceGone);
            board.gone = false;
            QCOMPARE(queue.send("new\r"), OutputQueue::Sent::Taken);
            QCOMPARE(board.taken, expected += "new\r");
        }
    }
};

QTEST_GUILESS_MAIN(TestPortSettings)
#include "test_port_settings.moc"
