// Port numbers from the port lists' entries, settings strings, their line settings, and where COM n lives.

#include "ports/ComPortMap.h"
#include "ports/PortSettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

Q_DECLARE_METATYPE(QSerialPort::Parity)
Q_DECLARE_METATYPE(QSerialPort::DataBits)
Q_DECLARE_METATYPE(QSerialPort::StopBits)

class TestPortSettings : public QObject
{
    Q_OBJECT
private slots:
    void portNumberFromEntry_data();
    void portNumberFromEntry();
    void entryForPort_data();
    void entryForPort();
    void entryReadsBackAsItsNumber();
    void settingsString_data();
    void settingsString();
    void parseAccepts_data();
    void parseAccepts();
    void parseRefuses_data();
    void parseRefuses();
    void mapWithPortsFolder();
    void mapWithoutPortsFolder_data();
    void mapWithoutPortsFolder();
    void defaultPortsFolder();
};

void TestPortSettings::portNumberFromEntry_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("number");

    QTest::newRow("COM 7") << "COM 7" << 7;
    QTest::newRow("COM 1") << "COM 1" << 1;
    QTest::newRow("COM 12") << "COM 12" << 12;
    QTest::newRow("COM 16") << "COM 16" << 16;
    QTest::newRow("no port") << QStringLiteral("Kein Comport verfügbar") << 0;
    QTest::newRow("no blank") << "COM3" << 3;
    QTest::newRow("several blanks") << "COM    9" << 9;
    QTest::newRow("any three characters") << "xyz5" << 5;
    QTest::newRow("trailing text") << "COM 4 (USB)" << 4;
    QTest::newRow("fraction below half") << "COM 2.4" << 2;
    QTest::newRow("fraction above half") << "COM 2.6" << 3;
    QTest::newRow("half to even, down") << "COM 2.5" << 2;
    QTest::newRow("half to even, up") << "COM 3.5" << 4;
    QTest::newRow("half to zero") << "COM 0.5" << 0;
    QTest::newRow("fraction only") << "COM .7" << 1;
    QTest::newRow("trailing point") << "COM 6." << 6;
    QTest::newRow("nothing after COM") << "COM" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("letters") << "COM abc" << 0;
    QTest::newRow("beyond 8 bits") << "COM 300" << 300;
    QTest::newRow("255") << "COM 255" << 255;
    QTest::newRow("negative") << "COM -3" << -3;
    QTest::newRow("huge") << "COM 99999999999999999999" << std::numeric_limits<int>::max();
}

void TestPortSettings::portNumberFromEntry()
{
    QFETCH(QString, entry);
    QFETCH(int, number);
    QCOMPARE(PortSettings::portNumberFromEntry(entry), number);
}

void TestPortSettings::entryForPort_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("entry");
    QTest::newRow("1") << 1 << "COM 1";
    QTest::newRow("3") << 3 << "COM 3";
    QTest::newRow("12") << 12 << "COM 12";
    QTest::newRow("16") << 16 << "COM 16";
}

void TestPortSettings::entryForPort()
{
    QFETCH(int, number);
    QFETCH(QString, entry);
    QCOMPARE(PortSettings::entryForPort(number), entry);
}

void TestPortSettings::entryReadsBackAsItsNumber()
{
    for (int n = 1; n <= 16; ++n)
        QCOMPARE(PortSettings::portNumberFromEntry(PortSettings::entryForPort(n)), n);
}

void TestPortSettings::settingsString_data()
{
    QTest::addColumn<QString>("baud");
    QTest::addColumn<int>("parityIndex");
    QTest::addColumn<QString>("dataBits");
    QTest::addColumn<QString>("stopBits");
    QTest::addColumn<QString>("settings");

    QTest::newRow("input defaults") << "9600" << 2 << "8"
                                    << "1"
                                    << "9600,N,8,1";
    QTest::newRow("output defaults") << "2400" << 2 << "8"
                                     << "1"
                                     << "2400,N,8,1";
    QTest::newRow("Markierung 7 2") << "19200" << 3 << "7"
                                    << "2"
                                    << "19200,M,7,2";
    QTest::newRow("Gerade") << "2400" << 0 << "7"
                            << "1.5"
                            << "2400,E,7,1.5";
    QTest::newRow("Ungerade") << "4800" << 1 << "8"
                              << "1"
                              << "4800,O,8,1";
    QTest::newRow("Leerzeichen") << "115200" << 4 << "5"
                                 << "2"
                                 << "115200,S,5,2";
    QTest::newRow("no parity selected") << "9600" << -1 << "8"
                                        << "1"
                                        << "9600,8,1";
    QTest::newRow("parity position 5") << "9600" << 5 << "8"
                                       << "1"
                                       << "9600,8,1";
    QTest::newRow("typed entries kept as typed") << "12345" << 2 << "4"
                                                 << "3"
                                                 << "12345,N,4,3";
}

void TestPortSettings::settingsString()
{
    QFETCH(QString, baud);
    QFETCH(int, parityIndex);
    QFETCH(QString, dataBits);
    QFETCH(QString, stopBits);
    QFETCH(QString, settings);
    QCOMPARE(PortSettings::settingsString(baud, parityIndex, dataBits, stopBits), settings);
}

void TestPortSettings::parseAccepts_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("baud");
    QTest::addColumn<QSerialPort::Parity>("parity");
    QTest::addColumn<QSerialPort::DataBits>("dataBits");
    QTest::addColumn<QSerialPort::StopBits>("stopBits");

    QTest::newRow("9600,N,8,1") << "9600,N,8,1" << 9600 << QSerialPort::NoParity << QSerialPort::Data8
                                << QSerialPort::OneStop;
    QTest::newRow("2400,E,7,1") << "2400,E,7,1" << 2400 << QSerialPort::EvenParity << QSerialPort::Data7
                                << QSerialPort::OneStop;
    QTest::newRow("19200,M,7,2") << "19200,M,7,2" << 19200 << QSerialPort::MarkParity << QSerialPort::Data7
                                 << QSerialPort::TwoStop;
    QTest::newRow("4800,O,6,2") << "4800,O,6,2" << 4800 << QSerialPort::OddParity << QSerialPort::Data6
                                << QSerialPort::TwoStop;
    QTest::newRow("115200,S,5,1") << "115200,S,5,1" << 115200 << QSerialPort::SpaceParity
                                  << QSerialPort::Data5 << QSerialPort::OneStop;
    QTest::newRow("unusual baud") << "12345,N,8,1" << 12345 << QSerialPort::NoParity << QSerialPort::Data8
                                  << QSerialPort::OneStop;
}

void TestPortSettings::parseAccepts()
{
    QFETCH(QString, settings);
    QFETCH(int, baud);
    QFETCH(QSerialPort::Parity, parity);
    QFETCH(QSerialPort::DataBits, dataBits);
    QFETCH(QSerialPort::StopBits, stopBits);

    const auto line = PortSettings::parse(settings);
    QVERIFY(line.has_value());
    QCOMPARE(line->baudRate, baud);
    QCOMPARE(line->parity, parity);
    QCOMPARE(line->dataBits, dataBits);
    QCOMPARE(line->stopBits, stopBits);
}

void TestPortSettings::parseRefuses_data()
{
    QTest::addColumn<QString>("settings");

    QTest::newRow("4 data bits") << "9600,N,4,1";
    QTest::newRow("9 data bits") << "9600,N,9,1";
#ifndef Q_OS_WIN
    QTest::newRow("1.5 stop bits") << "9600,N,8,1.5";
#endif
    QTest::newRow("3 stop bits") << "9600,N,8,3";
    QTest::newRow("baud abc") << "abc,N,8,1";
    QTest::newRow("baud 0") << "0,N,8,1";
    QTest::newRow("negative baud") << "-9600,N,8,1";
    QTest::newRow("fractional baud") << "9600.5,N,8,1";
    QTest::newRow("baud too large") << "99999999999,N,8,1";
    QTest::newRow("empty baud") << ",N,8,1";
    QTest::newRow("three fields") << "9600,8,1";
    QTest::newRow("five fields") << "9600,N,8,1,1";
    QTest::newRow("parity X") << "9600,X,8,1";
    QTest::newRow("parity word") << "9600,Keine,8,1";
    QTest::newRow("blank in field") << "9600, N,8,1";
    QTest::newRow("empty") << "";
}

void TestPortSettings::parseRefuses()
{
    QFETCH(QString, settings);
    QVERIFY(!PortSettings::parse(settings).has_value());
}

void TestPortSettings::mapWithPortsFolder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.path();
    // COM 1 points at a device, COM 3 at one that is gone, COM 17 is beyond the mapped range.
    QVERIFY(::symlink("/dev/null", QFile::encodeName(folder + "/com1").constData()) == 0);
    QVERIFY(::symlink("/nonexistent/device", QFile::encodeName(folder + "/com3").constData()) == 0);
    QVERIFY(::symlink("/dev/null", QFile::encodeName(folder + "/com17").constData()) == 0);

    const ComPortMap map(folder);
    QCOMPARE(map.portsFolder(), folder);
    QCOMPARE(map.devicePath(1), folder + "/com1");
    QCOMPARE(map.devicePath(3), folder + "/com3");
    QCOMPARE(map.devicePath(2), QString());
    QCOMPARE(map.devicePath(4), QString());
    QCOMPARE(map.devicePath(16), QString());
    QCOMPARE(map.devicePath(17), QString());
    QCOMPARE(map.devicePath(0), QString());
    QCOMPARE(map.devicePath(-1), QString());

    // The link is what is handed out, so it is followed anew at every open.
    QVERIFY(QFile::remove(folder + "/com1"));
    QCOMPARE(map.devicePath(1), QString());
    QVERIFY(::symlink("/dev/zero", QFile::encodeName(folder + "/com1").constData()) == 0);
    QCOMPARE(map.devicePath(1), folder + "/com1");
}

void TestPortSettings::mapWithoutPortsFolder_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("device");
    QTest::newRow("COM 1") << 1 << "/dev/ttyS0";
    QTest::newRow("COM 4") << 4 << "/dev/ttyS3";
    QTest::newRow("COM 5") << 5 << "/dev/ttyUSB0";
    QTest::newRow("COM 12") << 12 << "/dev/ttyUSB7";
    QTest::newRow("COM 13") << 13 << "/dev/ttyACM0";
    QTest::newRow("COM 16") << 16 << "/dev/ttyACM3";
    QTest::newRow("COM 17") << 17 << "";
    QTest::newRow("COM 0") << 0 << "";
}

void TestPortSettings::mapWithoutPortsFolder()
{
    QFETCH(int, number);
    QFETCH(QString, device);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // Only asks where the devices are; nothing here opens them.
    const ComPortMap map(dir.filePath("no-such-folder"));
    QCOMPARE(map.devicePath(number), device);
}

void TestPortSettings::defaultPortsFolder()
{
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    const bool hadConfig = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");

    qputenv("XDG_CONFIG_HOME", "/some/config");
    QCOMPARE(ComPortMap::defaultPortsFolder(), QStringLiteral("/some/config/brelox/ports"));
    QCOMPARE(ComPortMap().portsFolder(), QStringLiteral("/some/config/brelox/ports"));

    qunsetenv("XDG_CONFIG_HOME");
    QCOMPARE(ComPortMap::defaultPortsFolder(), QDir::homePath() + "/.config/brelox/ports");

    if (hadConfig)
        qputenv("XDG_CONFIG_HOME", savedConfig);
}

QTEST_GUILESS_MAIN(TestPortSettings)
#include "test_port_settings.moc"
