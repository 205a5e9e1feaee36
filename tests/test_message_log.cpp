// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeClocks.h"
#include "core/AboutText.h"
#include "core/FormModel.h"
#include "core/MessageLog.h"
#include "ports/TrafficMonitor.h"

#include <QLocale>
#include <QTest>

class TestMessageLog : public QObject
{
    Q_OBJECT
private slots:
    void newestLineOnTopWithTwentyFourHourTime()
    {
        // A locale whose own time format differs must not change the log's.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        FakeWallClock clock;
        QString text = QStringLiteral("old line\r\n");
        MessageLog log(clock, text);
        log.start();
        clock.now = QTime(21, 5, 9);
        log.WriteLog(QStringLiteral(" +++ Modus Timer"));
        clock.now = QTime(9, 5, 9);
        log.WriteLog(QStringLiteral(" +++ Modus Stoppen"));
        QLocale::setDefault(QLocale::c());
        QCOMPARE(text, QStringLiteral("09:05:09 +++ Modus Stoppen\r\n21:05:09 +++ Modus Timer\r\n"
                                      "14:03:07 +++ Programmstart. \r\n\r\n"));
    }

    // Past 10000 characters the log and the output text keep their first 1000, the monitors (newest on
    // top) their first 5000.
    void trimming()
    {
        for (const auto& [length, kept, monitorKept] :
             {std::tuple{10000, 10000, 10000}, {10001, 1000, 5000}}) {
            TextBoxes texts;
            texts.Text1 = texts.Text5 = QLatin1Char('N') + QString(length - 1, QLatin1Char('o'));
            TrafficMonitor monitor(texts);
            monitor.ShowMess(QString(), 2); // shows nothing, still trims
            for (const QString* t : {&texts.Text1, &texts.Text5}) {
                QCOMPARE(t->size(), kept);
                QCOMPARE(t->front(), QLatin1Char('N'));
            }
            QVERIFY(texts.MessIn.isEmpty() && texts.MessOut.isEmpty());
            texts.MessOut = QString(length - 3, QLatin1Char('x'));
            monitor.ShowMess(QStringLiteral("y"), 1);
            QCOMPARE(texts.MessOut.size(), monitorKept);
            QVERIFY(texts.MessOut.startsWith(QStringLiteral("y\r\nxx")));
        }
    }

    // STX, TAB, LF, CR and DC4 are left out of what the monitors show; their neighbours stay.
    void monitorShowsVisibleText()
    {
        TextBoxes texts;
        TrafficMonitor monitor(texts);
        monitor.ShowMess(QStringLiteral("\x01\x02\x03"
                                        "A\x08\tB\x0b\x0c\r\x0e\x13\x14\x15\n\xff"),
                         0);
        monitor.ShowMess(QStringLiteral("\r"), 0);
        QCOMPARE(texts.MessIn, QStringLiteral("\r\n\x01\x03"
                                              "A\x08"
                                              "B\x0b\x0c\x0e\x13\x15\xff\r\n"));
        QVERIFY(texts.MessOut.isEmpty());
    }

    void aboutText()
    {
        const QStringList lines = AboutText::current().split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 11);
        QCOMPARE(lines.at(0), QStringLiteral("Brelox mit Serial Konverter"));
        QCOMPARE(lines.at(1), QStringLiteral("Version 1.02"));
        QVERIFY(lines.at(2).isEmpty() && lines.at(9).isEmpty() && !lines.at(10).isEmpty());
        QCOMPARE(AboutText::versionLine(2, 3, 11), QStringLiteral("Version 2.311"));
    }
};

QTEST_GUILESS_MAIN(TestMessageLog)
#include "test_message_log.moc"
