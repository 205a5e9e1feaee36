#include "ConvertRig.h"

#include <QTest>

namespace {

const QByteArray L0 = "..L0\t 042\t00:01:23.45\r";
const QByteArray L0Out = "042.    00:01:23.45   \r";
const QByteArray L1 = "..L1\t  12\r";
const QByteArray L1Out = "042C    00:01:23.45 12\r";
const QByteArray R = "..R...00042...00:01:23.45\r";
const QByteArray ROut = " 0042   : 1:23.455    \r";
const QByteArray Blanks22 = QByteArray(22, ' ') + '\r';
const QString ClosedWarning = QStringLiteral("14:03:07 +++ COM-Port Ausgang ist nicht geöffnet\r\n");

QString text(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes);
}

} // namespace

class TestLineProcessor : public QObject
{
    Q_OBJECT

private slots:
    void returnsUnfinishedTail_data();
    void returnsUnfinishedTail();
    void tagHeuerRecords_data();
    void tagHeuerRecords();
    void passThrough_data();
    void passThrough();
    void numberPatterns_data();
    void numberPatterns();
    void fieldsOutliveTheCall();
    void unreadableTimeShowsBoxAndSendsZero();
    void outputTextAndMonitors();
    void standAloneModesShowNothingAsReceived();
    void closedPortWarnsOnce();
    void closedPortWithoutWarning();
    void failedWriteIsNotShownAsSent();
    void lapHoldLetsOneLineThrough();
    void heldBoardStaysHeld();
    void callerTextMayChangeMeanwhile();
    void splitInputGivesSameOutput();
    void nestedCallWaitsForOuterLines();
    void boardUpdateSendsChangesOnly();
    void boardUpdateRunningWholeSeconds();
    void boardUpdateTimeOfDay();
};

void TestLineProcessor::returnsUnfinishedTail_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("rest");
    QTest::addColumn<QByteArray>("written");

    QTest::newRow("two lines and a tail") << "A\rB\rC"
                                          << "C" << boardLine("A") + boardLine("B");
    QTest::newRow("one line") << "A\r"
                              << "" << boardLine("A");
    QTest::newRow("no CR") << "ABC"
                           << "ABC" << QByteArray();
    QTest::newRow("empty") << ""
                           << "" << QByteArray();
    QTest::newRow("LF is no line end") << "A\nB"
                                       << "A\nB" << QByteArray();
}

void TestLineProcessor::returnsUnfinishedTail()
{
    QFETCH(QString, input);
    QFETCH(QString, rest);
    QFETCH(QByteArray, written);
    ConvertRig rig(OperatingMode::in_out);

    QCOMPARE(rig.core.lines.checkAndOut(input), rest);
    QCOMPARE(rig.out.written, written);
}

void TestLineProcessor::tagHeuerRecords_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("written");
    const auto row = [](const char* name, const QByteArray& input, const QByteArray& written) {
        QTest::newRow(name) << input << written;
    };

    row("L0", L0, L0Out);
    row("L1 after L0", L0 + L1, L0Out + L1Out);
    row("L1 with blank field", L0 + "..L1\t    \r", L0Out + Blanks22);
    row("L1 with TAB in field", L0 + "..L1\t  \t9\r", L0Out + Blanks22);
    row("L1 with one character", L0 + "..L1\t  7\r", L0Out + "042C    00:01:23.45 7 \r");
    row("L1 after blank time", "..L0\t 007\t           \r" + L1, boardLine("007.") + Blanks22);
    row("L1 before any L0", L1, boardLine("C     12"));
    row("R", R, ROut);
    row("R with five digits", "..R...12345...00:01:23.45\r", " 2345   : 1:23.455    \r");
    row("R with hours", "..R...00007...12:34:56.78\r", " 0007 12:34:56.788    \r");
    row("R under a minute", "..R...00001...00:00:05.00\r", " 0001   :  : 5.000    \r");
    row("L1 after R", R + L1, ROut + "00042C      : 1:23.455 12\r");
    row("L0 then R then L1", L0 + R + L1, L0Out + ROut + "00042C      : 1:23.455 12\r");
    row("L0 without second TAB", "..L0\t123\r", boardLine("023.    ..L0\t123"));
    row("L0 without any TAB", "..L0 042 00:01:23.45\r", ".L0.    ..L0 042 00   \r");
    row("L0 cut after the number", "..L0\t 042\r", boardLine("042.    ..L0\t 042"));
    row("R with blanks around the number", "..R...  42 ...00:00:05.00\r", " 0042   :  : 5.000    \r");
    row("R with a number that is none", "..R...1a   ...00:00:05.00\r", " a      :  : 5.000    \r");
    row("L0 with a blank number", "..L0\t    \t00:00:01.00\r", "   .    00:00:01.00   \r");
    row("L0 with a number that is none", "..L0\t 1a \t00:00:01.00\r", "1a .    00:00:01.00   \r");
    row("repeated L0 is sent again", L0 + L0, L0Out + L0Out);
    row("other line", "XYZ\r", boardLine("XYZ"));
    row("lower-case record", "..l0\t 042\t00:01:23.45\r", "..l0\t 042\t00:01:23.45 \r");
    row("lower-case R", "..r...00042\r", boardLine("..r...00042"));
    row("record type not at 3", "L0\t 042\t00:01:23.45\r", boardLine("L0\t 042\t00:01:23.45"));
}

void TestLineProcessor::tagHeuerRecords()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, written);
    ConvertRig rig(OperatingMode::TagAlge);

    QCOMPARE(rig.core.lines.checkAndOut(text(input)), QString());
    QCOMPARE(rig.out.written, written);
    QVERIFY(rig.boxes.shown.isEmpty());
}

void TestLineProcessor::passThrough_data()
{
    QTest::addColumn<OperatingMode>("mode");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("written");

    const QByteArray twenty = "ABCDEFGHIJKLMNOPQRST\r";
    const QByteArray nineteen = "ABCDEFGHIJKLMNOPQRS\r";
    const QByteArray twentyOne = "ABCDEFGHIJKLMNOPQRSTU\r";
    const auto in_out = OperatingMode::in_out;

    QTest::newRow("short line padded") << in_out << QByteArray("ABC\r") << boardLine("ABC");
    QTest::newRow("22 characters as they are")
        << in_out << QByteArray("ABCDEFGHIJKLMNOPQRSTUV\r") << QByteArray("ABCDEFGHIJKLMNOPQRSTUV\r");
    QTest::newRow("longer line not cut")
        << in_out << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXY\r") << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXY\r");
    QTest::newRow("LF starts the next line")
        << in_out << QByteArray("A\r\nB\r") << boardLine("A") + boardLine("\nB");
    QTest::newRow("record not converted") << in_out << L0 << QByteArray("..L0\t 042\t00:01:23.45 \r");
    QTest::newRow("first empty line dropped") << in_out << QByteArray("\rX\r\r") << boardLine("X") + Blanks22;
    QTest::newRow("empty lines before any line") << in_out << QByteArray("\r\r") << QByteArray();
    QTest::newRow("20 characters repeated") << in_out << twenty + twenty << boardLine(twenty.chopped(1));
    QTest::newRow("19 characters repeated")
        << in_out << nineteen + nineteen << boardLine(nineteen.chopped(1)) + boardLine(nineteen.chopped(1));
    QTest::newRow("21 characters repeated")
        << in_out << twentyOne + twentyOne
        << boardLine(twentyOne.chopped(1)) + boardLine(twentyOne.chopped(1));
    QTest::newRow("20 characters again after another line")
        << in_out << twenty + "B\r" + twenty
        << boardLine(twenty.chopped(1)) + boardLine("B") + boardLine(twenty.chopped(1));
    QTest::newRow("repeat differing in case")
        << in_out << twenty + twenty.toLower()
        << boardLine(twenty.chopped(1)) + boardLine(twenty.toLower().chopped(1));
    QTest::newRow("display line in Stopen") << OperatingMode::Stopen << QByteArray("...C      : 1:23.45 \r")
                                            << QByteArray("...C      : 1:23.45   \r");
    QTest::newRow("same display line twice")
        << OperatingMode::Stopen << QByteArray("...C      : 1:23.45 \r...C      : 1:23.45 \r")
        << QByteArray("...C      : 1:23.45   \r");
    QTest::newRow("record not converted in AktTime")
        << OperatingMode::AktTime << L0 << QByteArray("..L0\t 042\t00:01:23.45 \r");
    QTest::newRow("record not converted in Timer") << OperatingMode::Timer << R << boardLine(R.chopped(1));
}

void TestLineProcessor::passThrough()
{
    QFETCH(OperatingMode, mode);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, written);
    ConvertRig rig(mode);

    rig.core.lines.checkAndOut(text(input));
    QCOMPARE(rig.out.written, written);
}

void TestLineProcessor::numberPatterns_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("formatted");

    QTest::newRow("blank and two digits") << " 42" << 3 << "042";
    QTest::newRow("leading zeros kept") << "007" << 3 << "007";
    QTest::newRow("blanks around") << " 42 " << 3 << "042";
    QTest::newRow("zero") << "0" << 3 << "000";
    QTest::newRow("zeros") << "00000" << 3 << "000";
    QTest::newRow("more digits than the pattern") << "1234" << 3 << "1234";
    QTest::newRow("leading zeros beyond the pattern") << "0001234" << 3 << "1234";
    QTest::newRow("five digits") << "12345" << 5 << "12345";
    QTest::newRow("five-digit pattern") << "  42 " << 5 << "00042";
    QTest::newRow("blanks only") << "   " << 3 << "   ";
    QTest::newRow("empty") << "" << 3 << "";
    QTest::newRow("letter") << "1a" << 3 << "1a";
    QTest::newRow("blank inside") << "4 2" << 3 << "4 2";
    QTest::newRow("sign") << "+42" << 3 << "+42";
    QTest::newRow("point") << "4.2" << 3 << "4.2";
    QTest::newRow("TAB is no blank") << "\t42" << 3 << "\t42";
}

void TestLineProcessor::numberPatterns()
{
    QFETCH(QString, field);
    QFETCH(int, width);
    QFETCH(QString, formatted);

    QString out = QStringLiteral("<");
    LineProcessor::formatNumberField(field, width, out);
    QCOMPARE(out, QStringLiteral("<") + formatted);
}

void TestLineProcessor::fieldsOutliveTheCall()
{
    ConvertRig rig(OperatingMode::TagAlge);
    LineProcessor& lines = rig.core.lines;

    lines.checkAndOut(text(L0));
    QCOMPARE(lines.NrField(), QStringLiteral("042"));
    QCOMPARE(lines.TimeField(), QStringLiteral("00:01:23.45"));

    // Another mode in between does not clear them.
    rig.form().mode = OperatingMode::in_out;
    lines.checkAndOut(QStringLiteral("X\r"));
    rig.form().mode = OperatingMode::TagAlge;

    lines.checkAndOut(text(L1));
    QCOMPARE(lines.L1Field(), QStringLiteral("12"));
    QVERIFY(rig.out.written.endsWith(L1Out));

    lines.checkAndOut(text(R));
    QCOMPARE(lines.NrField(), QStringLiteral("00042"));
    QCOMPARE(lines.TimeField(), QStringLiteral("  : 1:23.455"));
    QCOMPARE(lines.L1Field(), QStringLiteral("12"));
    QCOMPARE(lines.LastLine(), QStringLiteral(" 0042   : 1:23.455  "));
}

void TestLineProcessor::unreadableTimeShowsBoxAndSendsZero()
{
    ConvertRig rig(OperatingMode::TagAlge);

    const QString rest = rig.core.lines.checkAndOut(QStringLiteral("..R...00042...xx:01:23.45\r"
                                                                   "..R...00043\r"
                                                                   "..R...00044...  : 1:23.45\rB\r"));

    QCOMPARE(rest, QString());
    QCOMPARE(rig.out.written, QByteArray(" 0042   :  : 0.005    \r") + boardLine(" 0043   :  : 0.00") +
                                  " 0044   :  : 0.005    \r" + boardLine("B"));
    QCOMPARE(rig.boxes.shown.size(), 3);
    for (const ModalMessage& box : rig.boxes.shown)
        QCOMPARE(box.title, QStringLiteral("Format kontrollieren"));
    QCOMPARE(rig.form().texts.Text1, QString());
}

void TestLineProcessor::outputTextAndMonitors()
{
    ConvertRig rig(OperatingMode::TagAlge);

    rig.core.lines.checkAndOut(text(L0 + L1));

    const TextBoxes& t = rig.form().texts;
    QCOMPARE(t.Text5, text(L1Out + "\r\n" + L0Out + "\r\n"));
    QCOMPARE(t.MessIn, QStringLiteral("..L1  12\r\n..L0 04200:01:23.45\r\n"));
    QCOMPARE(t.MessOut, QStringLiteral("042C    00:01:23.45 12\r\n042.    00:01:23.45   \r\n"));
    QCOMPARE(rig.out.writes, QStringList({text(L0Out), text(L1Out)}));
}

void TestLineProcessor::standAloneModesShowNothingAsReceived()
{
    ConvertRig rig(OperatingMode::Stopen);

    rig.core.lines.checkAndOut(QStringLiteral("...C      : 1:23.45 \r"));

    QCOMPARE(rig.form().texts.MessIn, QString());
    QCOMPARE(rig.form().texts.MessOut, QStringLiteral("...C      : 1:23.45   \r\n"));
    QCOMPARE(rig.form().texts.Text5, QStringLiteral("...C      : 1:23.45   \r\r\n"));
}

void TestLineProcessor::closedPortWarnsOnce()
{
    ConvertRig rig(OperatingMode::in_out, false);
    FormModel& form = rig.form();
    form.WarnPortClosed = true;

    QCOMPARE(rig.core.lines.checkAndOut(QStringLiteral("A\rB\r")), QString());

    QCOMPARE(rig.out.written, QByteArray());
    QCOMPARE(form.texts.Text1, ClosedWarning);
    QVERIFY(!form.WarnPortClosed);
    QCOMPARE(form.texts.Text5, text(boardLine("B") + "\r\n" + boardLine("A") + "\r\n"));
    QCOMPARE(rig.core.lines.LastLine(), QStringLiteral("B                   "));
    QCOMPARE(form.texts.MessOut, QString());
    QCOMPARE(form.texts.MessIn, QStringLiteral("B\r\nA\r\n"));

    rig.core.lines.checkAndOut(QStringLiteral("C\r"));
    QCOMPARE(form.texts.Text1, ClosedWarning);

    // A mode selection or a closing of the output port arms the warning again.
    form.WarnPortClosed = true;
    rig.wallClock.advanceMsecs(2000);
    rig.core.lines.checkAndOut(QStringLiteral("D\rE\r"));
    QCOMPARE(form.texts.Text1,
             QStringLiteral("14:03:09 +++ COM-Port Ausgang ist nicht geöffnet\r\n") + ClosedWarning);
    QCOMPARE(rig.out.written, QByteArray());
}

void TestLineProcessor::closedPortWithoutWarning()
{
    ConvertRig rig(OperatingMode::in_out, false);
    rig.form().WarnPortClosed = false;

    rig.core.lines.checkAndOut(QStringLiteral("A\r"));

    QCOMPARE(rig.form().texts.Text1, QString());
    QCOMPARE(rig.core.lines.LastLine(), QStringLiteral("A                   "));
    QCOMPARE(rig.form().texts.Text5, text(boardLine("A") + "\r\n"));
}

void TestLineProcessor::failedWriteIsNotShownAsSent()
{
    ConvertRig rig(OperatingMode::in_out);
    FormModel& form = rig.form();
    form.WarnPortClosed = true;
    rig.out.refuseWrite = true;

    QCOMPARE(rig.core.lines.checkAndOut(QStringLiteral("A\rB\r")), QString());

    QCOMPARE(rig.out.written, QByteArray());
    QCOMPARE(form.texts.MessOut, QString());
    QCOMPARE(form.texts.Text1, QString());
    QVERIFY(form.WarnPortClosed);
    QCOMPARE(rig.core.lines.LastLine(), QStringLiteral("B                   "));
    QCOMPARE(form.texts.Text5, text(boardLine("B") + "\r\n" + boardLine("A") + "\r\n"));

    rig.out.refuseWrite = false;
    rig.core.lines.checkAndOut(QStringLiteral("C\r"));
    QCOMPARE(rig.out.written, boardLine("C"));
    QCOMPARE(form.texts.MessOut, text(boardLine("C").chopped(1) + "\r\n"));

    rig.out.unplug();
    rig.core.lines.checkAndOut(QStringLiteral("D\r"));
    QCOMPARE(rig.out.written, boardLine("C"));
    QCOMPARE(form.texts.MessOut, text(boardLine("C").chopped(1) + "\r\n"));
    QCOMPARE(rig.core.lines.LastLine(), QStringLiteral("D                   "));
}

void TestLineProcessor::lapHoldLetsOneLineThrough()
{
    ConvertRig rig(OperatingMode::Stopen);
    FormModel& form = rig.form();
    form.LapFlag = true;

    rig.core.lines.checkAndOut(QStringLiteral("A\rB\rC\r"));

    QCOMPARE(rig.out.written, boardLine("A"));
    QVERIFY(form.OutputHold);
    QCOMPARE(rig.core.lines.LastLine(), QStringLiteral("A                   "));
    QCOMPARE(form.texts.Text5, text(boardLine("A") + "\r\n"));

    form.LapFlag = false;
    form.OutputHold = false;
    rig.core.lines.checkAndOut(QStringLiteral("D\r"));
    QCOMPARE(rig.out.written, boardLine("A") + boardLine("D"));
    QVERIFY(!form.OutputHold);
}

void TestLineProcessor::heldBoardStaysHeld()
{
    ConvertRig rig(OperatingMode::Stopen);
    rig.form().OutputHold = true;

    rig.core.lines.checkAndOut(QStringLiteral("A\rB\r"));

    QCOMPARE(rig.out.written, QByteArray());
    QVERIFY(rig.form().OutputHold);
    QCOMPARE(rig.core.lines.LastLine(), QString());
    QCOMPARE(rig.form().texts.Text5, QString());
}

void TestLineProcessor::callerTextMayChangeMeanwhile()
{
    // The receive path hands in the input buffer itself, and showing a line trims that buffer.
    ConvertRig rig(OperatingMode::in_out);
    QByteArray input;
    QByteArray expected;
    for (int i = 0; i < 1200; ++i) {
        const QByteArray line = "line " + QByteArray::number(i).rightJustified(4, '0');
        input += line + '\r';
        expected += boardLine(line);
    }
    QString& buffer = rig.form().texts.Text3;
    buffer = text(input) + QStringLiteral("tail");
    QVERIFY(buffer.size() > TrafficMonitor::TextLimit);

    const QString rest = rig.core.lines.checkAndOut(buffer);

    QCOMPARE(rest, QStringLiteral("tail"));
    QCOMPARE(rig.out.written, expected);
    QCOMPARE(buffer.size(), TrafficMonitor::TextKeep);
}

void TestLineProcessor::splitInputGivesSameOutput()
{
    const QString stream = text(tagHeuerStream()) + QStringLiteral("unfinished");
    ConvertRig whole(OperatingMode::TagAlge);
    const QString wholeRest = whole.core.lines.checkAndOut(stream);
    QCOMPARE(wholeRest, QStringLiteral("unfinished"));
    QVERIFY(whole.out.written.size() > 60 * 22);
    QVERIFY(whole.boxes.shown.isEmpty());

    for (qsizetype split = 0; split <= stream.size(); ++split) {
        ConvertRig rig(OperatingMode::TagAlge);
        QString rest = rig.core.lines.checkAndOut(stream.first(split));
        rest = rig.core.lines.checkAndOut(rest + stream.sliced(split));
        if (rest != wholeRest || rig.out.written != whole.out.written)
            QFAIL(qPrintable(QStringLiteral("differs when split at %1").arg(split)));
        QCOMPARE(rig.form().texts.Text5, whole.form().texts.Text5);
    }

    ConvertRig bytewise(OperatingMode::TagAlge);
    QString rest;
    for (QChar c : stream)
        rest = bytewise.core.lines.checkAndOut(rest + c);
    QCOMPARE(rest, wholeRest);
    QCOMPARE(bytewise.out.written, whole.out.written);
    QCOMPARE(bytewise.form().texts.MessIn, whole.form().texts.MessIn);
    QCOMPARE(bytewise.form().texts.MessOut, whole.form().texts.MessOut);
}

void TestLineProcessor::nestedCallWaitsForOuterLines()
{
    ConvertRig rig(OperatingMode::TagAlge);
    QString nestedRest = QStringLiteral("not called");
    int nestedCalls = 0;
    rig.boxes.whileShown = [&] {
        if (nestedCalls++ == 0)
            nestedRest = rig.core.lines.checkAndOut(QStringLiteral("N1\r..R...00001...bad\rN2\rpart"));
    };

    const QString rest = rig.core.lines.checkAndOut(QStringLiteral("..R...00042...xx:01:23.45\rB\rC"));

    QCOMPARE(rest, QStringLiteral("C"));
    QCOMPARE(nestedRest, QStringLiteral("part"));
    QCOMPARE(rig.out.written, QByteArray(" 0042   :  : 0.005    \r") + boardLine("B") + boardLine("N1") +
                                  boardLine(" 0001   :  : 0.00") + boardLine("N2"));
    QCOMPARE(rig.boxes.shown.size(), 2);
    QCOMPARE(nestedCalls, 2);

    // Afterwards calls are processed at once again.
    rig.core.lines.checkAndOut(QStringLiteral("D\r"));
    QVERIFY(rig.out.written.endsWith(boardLine("D")));
}

void TestLineProcessor::boardUpdateSendsChangesOnly()
{
    ConvertRig rig(OperatingMode::Stopen);
    FormModel& form = rig.form();
    form.TimeOut = QStringLiteral("  : 1:23.45");
    form.texts.Text5 = QStringLiteral("old");

    rig.core.lines.boardUpdate();
    QCOMPARE(rig.out.written, QByteArray("...C      : 1:23.45   \r"));
    QCOMPARE(form.texts.Text5, QString());

    rig.core.lines.boardUpdate();
    QCOMPARE(rig.out.written, QByteArray("...C      : 1:23.45   \r"));
    QCOMPARE(form.texts.MessOut, QStringLiteral("...C      : 1:23.45   \r\n"));

    form.TimeOut = QStringLiteral("  : 1:23.46");
    rig.core.lines.boardUpdate();
    QCOMPARE(rig.out.written, QByteArray("...C      : 1:23.45   \r...C      : 1:23.46   \r"));
    QCOMPARE(form.texts.MessIn, QString());
}

void TestLineProcessor::boardUpdateRunningWholeSeconds()
{
    ConvertRig rig(OperatingMode::Stopen);
    FormModel& form = rig.form();
    form.timers.Timer1 = true;

    for (const char* time : {"  :  : 5.50", "  :  : 5.60", "  :  : 6.00", "  :  : 6.90"}) {
        form.TimeOut = QString::fromLatin1(time);
        rig.core.lines.boardUpdate();
    }
    QCOMPARE(rig.out.written, QByteArray("....      :  : 5.     \r....      :  : 6.     \r"));

    rig.out.written.clear();
    form.DispZentel = true;
    for (const char* time : {"  :  : 7.00", "  :  : 7.05", "  :  : 7.10"}) {
        form.TimeOut = QString::fromLatin1(time);
        rig.core.lines.boardUpdate();
    }
    QCOMPARE(rig.out.written, QByteArray("...C      :  : 7.0    \r...C      :  : 7.1    \r"));
}

void TestLineProcessor::boardUpdateTimeOfDay()
{
    ConvertRig rig(OperatingMode::AktTime);
    rig.form().timers.Timer2 = true;
    rig.form().TimeOut = QStringLiteral("14:05:09");

    rig.core.lines.boardUpdate();

    QCOMPARE(rig.out.written, QByteArray("...C    00:14:05.090  \r"));
}

QTEST_GUILESS_MAIN(TestLineProcessor)
#include "test_line_processor.moc"
