#include "ConvertRig.h"

#include <QLocale>
#include <QTest>
#include <cmath>
#include <limits>

namespace {

const QString FormatErrorText = QStringLiteral("Fehler 13 beim beim Zeiten berechnen:\r\n\r\n"
                                               "Typen unverträglich\r\n\r\n"
                                               "Format hh:mm:ss.ss kontrollieren");

} // namespace

class TestTimeValues : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void getSecReadsTimeTexts_data();
    void getSecReadsTimeTexts();
    void getSecRejectsWithBox_data();
    void getSecRejectsWithBox();
    void readSecondsShowsNoBox();
    void decimalCommaLocaleStillReadsPoint();
    void setTimeFormat_data();
    void setTimeFormat();
    void setTimeFormatIgnoresLocale();
    void displayFormIsNotReadBackBelowOneHour();
    void fullFormRoundTripsFromTenHours();
};

void TestTimeValues::getSecReadsTimeTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("seconds");

    QTest::newRow("minutes and seconds") << "00:01:23.45" << 83.45;
    QTest::newRow("every field") << "12:34:56.78" << 45296.78;
    QTest::newRow("no hundredths") << "00:01:00" << 60.0;
    QTest::newRow("zero") << "00:00:00.00" << 0.0;
    QTest::newRow("largest two-digit hours") << "99:59:59.99" << 359999.99;
    QTest::newRow("blanks around digits") << " 1: 2: 3.5 " << 3723.5;
    QTest::newRow("one seconds digit") << "00:00:5" << 5.0;
    QTest::newRow("seconds without fraction digits") << "00:00:07." << 7.0;
    QTest::newRow("fraction without whole seconds") << "00:00:.5" << 0.5;
    QTest::newRow("separators not looked at") << "01x02y03.25" << 3723.25;
    QTest::newRow("only eleven characters read") << "00:01:23.45999" << 83.45;
}

void TestTimeValues::getSecReadsTimeTexts()
{
    QFETCH(QString, text);
    QFETCH(double, seconds);
    RecordingPresenter boxes;
    TimeValues time(boxes);

    QCOMPARE(time.Get_Sec(text), seconds);
    QVERIFY(boxes.shown.isEmpty());
    QCOMPARE(TimeValues::readSeconds(text).value_or(-1), seconds);
}

void TestTimeValues::getSecRejectsWithBox_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("display form") << "  : 1:23.45";
    QTest::newRow("empty") << "";
    QTest::newRow("letters") << "ab:cd:ef.gh";
    QTest::newRow("no seconds") << "00:01";
    QTest::newRow("letter in seconds") << "00:01:2a.00";
    QTest::newRow("two points") << "00:01:1.2.3";
    QTest::newRow("blank inside a number") << "0 1:00:00.00";
    QTest::newRow("sign") << "-1:00:00.00";
    QTest::newRow("point only") << "00:00:  .  ";
    QTest::newRow("decimal comma") << "00:01:23,45";
}

void TestTimeValues::getSecRejectsWithBox()
{
    QFETCH(QString, text);
    ConvertRig rig;
    const QString logBefore = rig.form().texts.Text1;

    QCOMPARE(rig.core.time.Get_Sec(text), 0.0);

    QCOMPARE(rig.boxes.shown.size(), 1);
    const ModalMessage& box = rig.boxes.shown.first();
    QCOMPARE(box.title, QStringLiteral("Format kontrollieren"));
    QCOMPARE(box.icon, ModalMessage::Icon::Stop);
    QCOMPARE(box.text, FormatErrorText);
    QCOMPARE(rig.form().texts.Text1, logBefore);
}

void TestTimeValues::readSecondsShowsNoBox()
{
    QVERIFY(!TimeValues::readSeconds(u"  : 1:23.45").has_value());
    QVERIFY(!TimeValues::readSeconds(u"").has_value());
    QCOMPARE(TimeValues::readSeconds(u"00:02:00.50").value_or(-1), 120.5);
}

void TestTimeValues::decimalCommaLocaleStillReadsPoint()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    RecordingPresenter boxes;
    TimeValues time(boxes);

    QCOMPARE(time.Get_Sec(u"00:01:23.45"), 83.45);
    QCOMPARE(time.Get_Sec(u"00:01:23,45"), 0.0);
    QCOMPARE(boxes.shown.size(), 1);
}

void TestTimeValues::setTimeFormat_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("text");

    QTest::newRow("zero") << 0.0 << "  :  : 0.00";
    QTest::newRow("tie to even, down") << 0.125 << "  :  : 0.12";
    QTest::newRow("tie to even, up") << 0.135 << "  :  : 0.14";
    QTest::newRow("one digit seconds") << 5.5 << "  :  : 5.50";
    QTest::newRow("nine") << 9.0 << "  :  : 9.00";
    QTest::newRow("ten") << 10.0 << "  :  :10.00";
    QTest::newRow("under a minute") << 59.99 << "  :  :59.99";
    QTest::newRow("one minute") << 60.0 << "  : 1:00.00";
    QTest::newRow("minute and seconds") << 65.07 << "  : 1:05.07";
    QTest::newRow("minutes and hundredths") << 83.45 << "  : 1:23.45";
    QTest::newRow("ten minutes") << 600.0 << "  :10:00.00";
    QTest::newRow("under an hour") << 3599.99 << "  :59:59.99";
    QTest::newRow("one hour") << 3600.0 << " 1:00:00.00";
    QTest::newRow("hour, minutes, seconds") << 3723.4 << " 1:02:03.40";
    QTest::newRow("under ten hours") << 35999.99 << " 9:59:59.99";
    QTest::newRow("ten hours") << 36000.0 << "10:00:00.00";
    QTest::newRow("every field") << 45296.78 << "12:34:56.78";
    QTest::newRow("hundred hours") << 360000.0 << "100:00:00.00";
    QTest::newRow("fraction rounding to a whole second") << 59.996 << "  : 1:00.00";
    QTest::newRow("negative") << -1.5 << "00:00:00.00";
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << "00:00:00.00";
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << "00:00:00.00";
}

void TestTimeValues::setTimeFormat()
{
    QFETCH(double, seconds);
    QFETCH(QString, text);

    QCOMPARE(TimeValues::SetTimeFormat(seconds), text);

    QString appended = QStringLiteral("x");
    TimeValues::appendTimeFormat(seconds, appended);
    QCOMPARE(appended, QStringLiteral("x") + text);
}

void TestTimeValues::setTimeFormatIgnoresLocale()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(TimeValues::SetTimeFormat(83.45), QStringLiteral("  : 1:23.45"));
    QCOMPARE(TimeValues::SetTimeFormat(1234567.0), QStringLiteral("342:56:07.00"));
}

void TestTimeValues::displayFormIsNotReadBackBelowOneHour()
{
    RecordingPresenter boxes;
    TimeValues time(boxes);

    QCOMPARE(time.Get_Sec(TimeValues::SetTimeFormat(83.45)), 0.0);
    QCOMPARE(boxes.shown.size(), 1);
    QCOMPARE(boxes.shown.first().text, FormatErrorText);
}

void TestTimeValues::fullFormRoundTripsFromTenHours()
{
    RecordingPresenter boxes;
    TimeValues time(boxes);

    QCOMPARE(time.Get_Sec(TimeValues::SetTimeFormat(45296.78)), 45296.78);
    QCOMPARE(time.Get_Sec(TimeValues::SetTimeFormat(36000.05)), 36000.05);
    QVERIFY(boxes.shown.isEmpty());
}

QTEST_GUILESS_MAIN(TestTimeValues)
#include "test_time_values.moc"
