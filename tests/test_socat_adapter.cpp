// SPDX-License-Identifier: GPL-3.0-or-later
// A serial-to-network adapter in the ports folder, exactly as the README shows it: socat makes a
// pseudo-terminal, links it as com3 and connects it to the adapter's TCP port. A local listener on
// 127.0.0.1 stands in for the adapter; Brelox's own port service opens COM 3.

#include "ports/QtSerialPortService.h"

#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

constexpr int IoTimeout = 5000;

class TestSocatAdapter : public QObject
{
    Q_OBJECT
private slots:
    void adapterBehindSocatIsComThree()
    {
        QTcpServer adapter;
        QVERIFY(adapter.listen(QHostAddress::LocalHost, 0));
        QTemporaryDir ports;
        const QString link = ports.filePath(QStringLiteral("com3"));

        // socat pty,link=<ports folder>/com3,rawer tcp:<adapter address>:<port>
        QProcess socat;
        socat.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        socat.start(QStringLiteral("socat"), {QStringLiteral("pty,link=%1,rawer").arg(link),
                                              QStringLiteral("tcp:127.0.0.1:%1").arg(adapter.serverPort())});
        QVERIFY2(socat.waitForStarted(IoTimeout), "socat is not installed");
        QVERIFY(adapter.waitForNewConnection(IoTimeout));
        QTcpSocket* network = adapter.nextPendingConnection();
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(link).isSymLink(), IoTimeout);

        QtSerialPortService port{ComPortMap(ports.path())};
        QVERIFY(port.setCommPort(3) && port.setSettings(QStringLiteral("9600,N,8,1")) && port.open());
        port.setRThreshold(1);
        QString fromAdapter;
        connect(&port, &SerialPortService::onComm, this, [&] {
            if (port.commEvent() == SerialPortService::comEvReceive)
                fromAdapter += port.input();
        });

        // To the board behind the adapter, and from the timing device behind it: the same bytes.
        QVERIFY(port.output(QStringLiteral("042.    00:01:23.45   \r")));
        QByteArray toAdapter;
        QTRY_COMPARE_WITH_TIMEOUT(toAdapter += network->readAll(), QByteArray("042.    00:01:23.45   \r"),
                                  IoTimeout);
        network->write("  L0\t 042\t00:01:23.45\r\xE4\n");
        QTRY_COMPARE_WITH_TIMEOUT(fromAdapter, QString::fromLatin1("  L0\t 042\t00:01:23.45\r\xE4\n"),
                                  IoTimeout);

        port.close();
        socat.terminate();
        QVERIFY(socat.waitForFinished(IoTimeout));
        QVERIFY(!QFileInfo(link).isSymLink());
    }
};

QTEST_GUILESS_MAIN(TestSocatAdapter)
#include "test_socat_adapter.moc"
