#include "FakeClocks.h"
#include "app/AboutText.h"
#include "app/FormModel.h"
#include "app/MessageLog.h"
#include "ports/TrafficMonitor.h"

#include <QLocale>
#include <QTest>

class TestMessageLog : public QObject
{
    Q_OBJECT
private slots:
    void newestLineOnTop()
    {
        FakeWallClock clock;
        QString text;
        MessageLog log(clock, text);
        log.start();
        clock.now = QTime(14, 3, 8);
        log.WriteLog(QStringLiteral(" +++ Modus Timer"));
        log.WriteLog(QStringLiteral(" +++ Modus Stoppen"));
        QCOMPARE(text, QStringLiteral("14:03:08 +++ Modus Stoppen\r\n14:03:08 +++ Modus Timer\r\n"
                                      "14:03:07 +++ Programmstart. \r\n\r\n"));
    }

    void startReplacesTheWholeLog()
    {
        FakeWallClock clock;
        QString text = QStringLiteral("14:03:07 +++ Modus Tag Heuer --> ALGE\r\n");
        MessageLog log(clock, text);
        log.start();
        QCOMPARE(text, QStringLiteral("14:03:07 +++ Programmstart. \r\n\r\n"));
    }

    void timeTextIsTwentyFourHourWhateverTheLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany);
        QTest::newRow("US English") << QLocale(QLocale::English, QLocale::UnitedStates);
    }
    void timeTextIsTwentyFourHourWhateverTheLocale()
    {
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        FakeWallClock clock;
        clock.now = QTime(21, 5, 9);
        QString text;
        MessageLog log(clock, text);
        log.WriteLog(QStringLiteral(" +++ Text fehlt"));
        QLocale::setDefault(QLocale::c());
        QCOMPARE(text, QStringLiteral("21:05:09 +++ Text fehlt\r\n"));
    }

    // The monitors and the long text boxes are trimmed only when a text is shown.
    void trimming_data()
    {
        QTest::addColumn<int>("logLength");
        QTest::addColumn<int>("expectedLength");
        QTest::newRow("exactly at the limit stays") << 10000 << 10000;
        QTest::newRow("one over is cut to the newest 1000") << 10001 << 1000;
    }
    void trimming()
    {
        QFETCH(int, logLength);
        QFETCH(int, expectedLength);
        TextBoxes texts;
        texts.Text1 = QString(logLength, QLatin1Char('L'));
        texts.Text1[0] = QLatin1Char('N');
        texts.Text5 = QString(logLength, QLatin1Char('5'));
        texts.Text3 = QString(logLength, QLatin1Char('3'));
        TrafficMonitor monitor(texts);
        monitor.ShowMess(QString(), 2); // shows nothing, still trims
        QCOMPARE(texts.Text1.size(), expectedLength);
        QCOMPARE(texts.Text1.front(), QLatin1Char('N'));
        QCOMPARE(texts.Text3.size(), expectedLength);
        QCOMPARE(texts.Text5.size(), expectedLength);
        QVERIFY(texts.MessIn.isEmpty());
        QVERIFY(texts.MessOut.isEmpty());
    }

    void monitorShowsTextWithoutControlCharacters()
    {
        TextBoxes texts;
        TrafficMonitor monitor(texts);
        monitor.ShowMess(QStringLiteral("\x02"
                                        "A\tB\r\n"),
                         0);
        monitor.ShowMess(QStringLiteral("\r"), 0);
        monitor.ShowMess(QStringLiteral("C\x14"), 1);
        QCOMPARE(texts.MessIn, QStringLiteral("\r\nAB\r\n"));
        QCOMPARE(texts.MessOut, QStringLiteral("C\r\n"));
    }

    void monitorKeepsItsNewest5000WhenOver10000()
    {
        TextBoxes texts;
        TrafficMonitor monitor(texts);
        texts.MessOut = QString(9998, QLatin1Char('x'));
        monitor.ShowMess(QStringLiteral("y"), 1); // 9998 + "y" + CR LF = 10001
        QCOMPARE(texts.MessOut.size(), 5000);
        QVERIFY(texts.MessOut.startsWith(QStringLiteral("y\r\nxx")));

        texts.MessIn = QString(9997, QLatin1Char('x'));
        monitor.ShowMess(QStringLiteral("y"), 0); // exactly 10000
        QCOMPARE(texts.MessIn.size(), 10000);
    }

    void aboutText()
    {
        const QStringList lines = AboutText::current().split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 11);
        QCOMPARE(lines.at(0), QStringLiteral("Brelox mit Serial Konverter"));
        QCOMPARE(lines.at(1), QStringLiteral("Version 1.02"));
        QVERIFY(lines.at(2).isEmpty());
        QVERIFY(lines.at(9).isEmpty());
        for (int i = 3; i <= 8; ++i)
            QVERIFY2(!lines.at(i).isEmpty(), qPrintable(QString::number(i)));
        QVERIFY(!lines.at(10).isEmpty());
        QVERIFY(!AboutText::current().endsWith(QLatin1Char('\n')));
        QCOMPARE(AboutText::versionLine(2, 3, 11), QStringLiteral("Version 2.311"));
    }
};

QTEST_GUILESS_MAIN(TestMessageLog)
#include "test_message_log.moc"
