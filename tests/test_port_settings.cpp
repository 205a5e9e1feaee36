// SPDX-License-Identifier: GPL-3.0-or-later
// The port controls on fake ports: settings strings, where COM n lives, the open/close buttons with the
// number read from the port list, discovery of the ports, and sending a typed text.

#include "EngineRig.h"
#include "ports/ComPortMap.h"
#include "ports/PortSettings.h"

#include <QTemporaryDir>
#include <QtTest>

constexpr int In = 0, Out = 1;

class TestPortSettings : public QObject
{
    Q_OBJECT
private slots:
    void settings_data()
    {
        QTest::addColumn<QStringList>("chosen"); // baud, data bits, stop bits
        QTest::addColumn<int>("parityIndex");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QList<int>>("line"); // baud, parity, data bits, stop bits; none when refused
        QTest::newRow("input defaults") << QStringList{"9600", "8", "1"} << 2 << "9600,N,8,1"
                                        << QList<int>{9600, QSerialPort::NoParity, 8, 1};
        QTest::newRow("mark, 7, 2") << QStringList{"19200", "7", "2"} << 3 << "19200,M,7,2"
                                    << QList<int>{19200, QSerialPort::MarkParity, 7, 2};
        QTest::newRow("no parity") << QStringList{"9600", "8", "1"} << -1 << "9600,8,1" << QList<int>();
        QTest::newRow("4 data bits") << QStringList{"9600", "4", "1"} << 2 << "9600,N,4,1" << QList<int>();
        // 1.5 stop bits would quietly become 1 on Linux.
        QTest::newRow("1.5 stop") << QStringList{"9600", "8", "1.5"} << 2 << "9600,N,8,1.5" << QList<int>();
        QTest::newRow("baud abc") << QStringList{"abc", "8", "1"} << 2 << "abc,N,8,1" << QList<int>();
    }

    void settings()
    {
        QFETCH(QStringList, chosen);
        QFETCH(int, parityIndex);
        QFETCH(QString, settings);
        QFETCH(QList<int>, line);
        QCOMPARE(PortSettings::settingsString(chosen[0], parityIndex, chosen[1], chosen[2]), settings);
        const auto p = PortSettings::parse(settings);
        QCOMPARE((p ? QList<int>{p->baudRate, p->parity, p->dataBits, p->stopBits} : QList<int>()), line);
    }

    // Which map is in force is decided once, at start; "~" is a temporary home.
    void comPortMap_data()
    {
        QTest::addColumn<QString>("named");  // the folder named with --ports
        QTest::addColumn<QString>("config"); // XDG_CONFIG_HOME
        QTest::addColumn<QString>(
            "folder");                      // a ports folder with a link com1: there at start, gone later ...
        QTest::addColumn<bool>("atStart");  // ... or made only after the start
        QTest::addColumn<QString>("first"); // COM 1 at start
        QTest::addColumn<QString>("later"); // COM 1 once the folder went or came
        QTest::newRow("named folder, gone") << "~/run"
                                            << "~/cfg"
                                            << "~/run" << true << "~/run/com1"
                                            << "";
        QTest::newRow("named folder, not the user's") << "~/run"
                                                      << "~/cfg"
                                                      << "~/cfg/brelox/ports" << true << ""
                                                      << "";
        QTest::newRow("the user's folder, gone") << ""
                                                 << "~/cfg"
                                                 << "~/cfg/brelox/ports" << true << "~/cfg/brelox/ports/com1"
                                                 << "";
        QTest::newRow("relative XDG_CONFIG_HOME ignored")
            << ""
            << "cfg"
            << "~/.config/brelox/ports" << true << "~/.config/brelox/ports/com1"
            << "";
        QTest::newRow("no folder at start: the fixed table") << ""
                                                             << "~/cfg"
                                                             << "~/cfg/brelox/ports" << false << "/dev/ttyS0"
                                                             << "/dev/ttyS0";
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
        QFETCH(QStringList, boxes);
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

        QCOMPARE(rig.boxes.texts(), boxes);
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

    // Ports 1 to 16 are tried; none found leaves the one entry that says so. (Two ports found, and one, are
    // in test_engine.)
    void discoveryWithoutPorts()
    {
        EngineRig rig;
        rig.in.close();
        rig.in.existing = {17};
        const PortLists lists = rig.engine.discovery.discover();
        QCOMPARE(lists.entries, QStringList{"Kein Comport verfügbar"});
        QVERIFY(lists.inputSelection == 0 && lists.outputSelection == 0);
        QCOMPARE(rig.logLines(), (QStringList{"14:03:07 +++ Kein Comport verfügbar",
                                              "14:03:07 +++ Vorhandene COM-Ports abfragen"}));
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
};

QTEST_GUILESS_MAIN(TestPortSettings)
#include "test_port_settings.moc"
