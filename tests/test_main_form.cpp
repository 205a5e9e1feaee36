// SPDX-License-Identifier: GPL-3.0-or-later
#include "BoardText.h"
#include "FakeSleepInhibitor.h"
#include "InvokeSlot.h"
#include "PtyPair.h"
#include "WindowFixture.h"
#include "app/FrmMessage.h"
#include "app/LogindSleepInhibitor.h"
#include "app/TextBoxViews.h"
#include "core/AboutText.h"
#include "core/SleepGuard.h"
#include "ports/QtSerialPortService.h"

#include <QAction>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMenuBar>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTime>
#include <QtDBus>

#include <poll.h>
#include <unistd.h>

namespace {

QStringList entries(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

// The names of the controls whose caption does not show whole: of labels with a text and of named
// buttons. A push button's size hint has the style's minimum width, its caption needs less.
QStringList cutCaptions(const QWidget* root)
{
    QStringList cut;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        auto* label = qobject_cast<QLabel*>(w);
        auto* push = qobject_cast<QPushButton*>(w);
        if (!(label && !label->text().isEmpty()) &&
            !(qobject_cast<QAbstractButton*>(w) && !w->objectName().isEmpty()))
            continue;
        QSize need = w->sizeHint();
        if (push)
            need.setWidth(push->fontMetrics().horizontalAdvance(push->text().remove(QLatin1Char('&'))) +
                          2 * push->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, push));
        if (need.height() > w->height() || need.width() > w->width())
            cut << w->objectName();
    }
    return cut;
}

// What a text box shows for a text: its CR LF and lone CR as line breaks.
QString shownForm(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

const QString Locked = QStringLiteral(" +++ Ruhezustand des Rechners gesperrt");

// A login manager on a private bus standing in for the system bus: holds each Inhibit call until the test
// answers, then grants one end of a pipe and keeps the other, so a test sees whether the lock is still held.
class FakeLogind : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    FakeLogind()
    {
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        QVERIFY2(daemon.waitForStarted() && daemon.waitForReadyRead(30000),
                 "dbus-daemon is needed (install-deps)");
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address.toUtf8());
        QDBusConnection bus = QDBusConnection::connectToBus(address, "fake-logind");
        QVERIFY(bus.registerObject("/org/freedesktop/login1", this, QDBusConnection::ExportAllSlots) &&
                bus.registerService("org.freedesktop.login1"));
    }
    ~FakeLogind() override
    {
        QDBusConnection::disconnectFromBus("fake-logind");
        daemon.close();
        ::close(readEnd);
    }
    // Whether every copy of the last lock handed out has been closed; waits for it up to `msecs`.
    bool released(int msecs) const
    {
        pollfd p{readEnd, POLLIN, 0};
        return ::poll(&p, 1, msecs) == 1 && (p.revents & (POLLHUP | POLLIN));
    }
    void answer()
    {
        int ends[2];
        QVERIFY(::pipe(ends) == 0);
        ::close(std::exchange(readEnd, ends[0]));
        QDBusConnection("fake-logind")
            .send(calls.last().createReply(QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]))));
        ::close(ends[1]);
    }

    QProcess daemon;
    QList<QDBusMessage> calls; // the Inhibit calls (what, who, why, mode)
    int readEnd = -1;

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString&, const QString&, const QString&, const QString&)
    {
        setDelayedReply(true);
        calls << message();
        return {};
    }
};

} // namespace

class TestMainForm : public QObject
{
    Q_OBJECT
private slots:
    // What the window shows after start-up: the log, the port lists with their choices, captions, layout and
    // menu.
    void startState()
    {
        WindowFixture f({5, 2});
        f.window->show();
        // The mode's own line is overwritten by the start line; discovery writes above it.
        QCOMPARE(f.widget<QPlainTextEdit>("Text1")->toPlainText(),
                 "14:03:07 +++ 2 Comport(s) verfügbar\n14:03:07 +++ Vorhandene COM-Ports abfragen\n"
                 "14:03:07 +++ Programmstart. \n\n");
        QVERIFY(f.form().WarnPortClosed && !f.form().timers.anyEnabled() && f.boxes.shown.isEmpty());

        QStringList lists; // "entries|selected position", input then output
        for (const char* name : {"Combo1", "Combo2", "Combo3", "Combo4", "Combo5", "Combo6", "Combo10",
                                 "Combo9", "Combo8", "Combo7"}) {
            auto* box = f.widget<QComboBox>(name);
            QVERIFY2(box->isEditable(), name);
            lists << entries(box).join(',') + '|' + QString::number(box->currentIndex());
        }
        QCOMPARE(lists,
                 (QStringList{"COM 2,COM 5|0", "2400,4800,9600,19200,38400,57600,115200|2", "4,5,6,7,8|4",
                              "Gerade,Ungerade,Keine,Markierung,Leerzeichen|2", "1,1.5,2|0", "COM 2,COM 5|1",
                              "2400,4800,9600,19200,38400,57600,115200|0", "4,5,6,7,8|4",
                              "Gerade,Ungerade,Keine,Markierung,Leerzeichen|2", "1,1.5,2|0"}));
        const QStringList captions =
            QStringLiteral(
                "Label8_0=Eingang;Label8_1=Ausgang;OpenInput=öffnen;OpenOutput=öffnen;"
                "Label4=Baudrate:;Label5=Datenbits:;Label6=Parität:;Label7=Stoppbit:;Label10=Eingang:;"
                "Label3=Ausgang:;ClearIn=Clear;Command1=Senden;in_out=1:1 IN->OUT;TagAlge=TAG -> Alge;"
                "AktTime=Aktuelle Zeit;Stopen=Stopen;Timer=Timer;TimerText=00:01:00;"
                "TimeOut=00:00:00.00;DispZentel=1/10 Sek.;Start=START;Lap=LAP;Stop1=STOP;Reset=RESET;"
                "Label1=Meldungen:;Text2=")
                .split(QLatin1Char(';'));
        for (const QString& row : captions) {
            const QString name = row.section(QLatin1Char('='), 0, 0);
            QCOMPARE(f.widget(qPrintable(name))->property("text").toString(),
                     row.section(QLatin1Char('='), 1));
        }
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Brelox / Serial konverter"));
        QCOMPARE(f.window->centralWidget()->size(), QSize(480, 467));
        QCOMPARE(f.widget("Combo1")->geometry(), QRect(8, 32, 113, 19)); // twips / 15
        QCOMPARE(f.widget("Text5")->geometry(), QRect(256, 176, 233, 65));
        QCOMPARE(f.widget("Text1")->geometry(), QRect(8, 384, 449, 65));

        QVERIFY(f.widget<QRadioButton>("TagAlge")->isChecked());
        for (const char* hidden : {"TimerText", "Lap", "Start", "Text3", "Text5"})
            QVERIFY2(!f.widget(hidden)->isVisible(), hidden);
        QVERIFY(f.widget("DispZentel")->isVisible() && f.widget("TimeOut")->isVisible());
        QVERIFY(!f.widget<QCheckBox>("DispZentel")->isChecked() && !f.widget("DispZentel")->font().bold());
        QVERIFY(f.widget<QPlainTextEdit>("Text1")->isReadOnly() &&
                !f.widget<QPlainTextEdit>("MessIn")->isReadOnly());
        const QList<QAction*> titles = f.window->menuBar()->actions();
        QCOMPARE(titles.size(), 3);
        QCOMPARE(titles.at(0)->menu()->actions().at(0)->text(), QStringLiteral("Ende"));
        QCOMPARE(titles.at(1)->menu()->actions().at(0)->text(), QStringLiteral("COM-Ports prüfen"));
        QCOMPARE(titles.at(2)->text(), QStringLiteral("?"));
        QVERIFY(!titles.at(2)->menu()); // the title itself is the command
    }

    // Every caption shows whole, and a port list shows the beginning of its entry.
    void captionsFitTheirControls()
    {
        WindowFixture f;
        f.window->show();
        QCOMPARE(cutCaptions(&*f.window).join(u' '), QString());
        for (const char* name : {"Combo1", "Combo6"}) {
            auto* box = f.widget<QComboBox>(name);
            QCOMPARE(box->currentText(), QStringLiteral("Kein Comport verfügbar"));
            QCOMPARE(box->lineEdit()->cursorPosition(), 0);
            // The whole entry shows: painted with the cursor at its end, its beginning shows too.
            box->lineEdit()->end(false);
            box->lineEdit()->grab();
            QCOMPARE(box->lineEdit()->cursorPositionAt(QPoint(0, 0)), 0);
        }
    }

    // The port buttons' captions and the port lists follow the ports; port discovery from the menu fills
    // the lists anew; the exit closes the open ports.
    void portButtonsFollowThePorts()
    {
        WindowFixture f({1, 3});
        f.window->show();
        invokeSlot(&*f.window, "OpenInput_Click");
        QCOMPARE(f.widget<QPushButton>("OpenInput")->text(), QStringLiteral("schliessen"));
        QVERIFY(!f.widget("Combo1")->isEnabled() && f.widget("Combo2")->isEnabled());
        invokeSlot(&*f.window, "OpenInput_Click");
        QCOMPARE(f.widget<QPushButton>("OpenInput")->text(), QStringLiteral("öffnen"));
        QVERIFY(f.widget("Combo1")->isEnabled());

        invokeSlot(&*f.window, "OpenOutput_Click");
        QCOMPARE(f.widget<QPushButton>("OpenOutput")->text(), QStringLiteral("schliessen"));
        QVERIFY(!f.widget("Combo6")->isEnabled());
        f.input.existing = f.output.existing = {5};
        invokeSlot(&*f.window, "check_comPorts_Click");
        QCOMPARE(entries(f.widget<QComboBox>("Combo1")), QStringList{"COM 5"});
        QCOMPARE(f.widget<QComboBox>("Combo6")->currentText(), QStringLiteral("COM 5"));
        QCOMPARE(f.widget<QPushButton>("OpenOutput")->text(), QStringLiteral("öffnen"));
        invokeSlot(&*f.window, "OpenOutput_Click");
        QVERIFY(f.output.isOpen());
        invokeSlot(&*f.window, "Ende_Click");
        QVERIFY(!f.output.isOpen() && !f.window->isVisible());
        QCOMPARE(f.widget<QPushButton>("OpenOutput")->text(), QStringLiteral("öffnen"));
    }

    // Sending from the output's text line, and the monitor's clear button, which empties it at once.
    void sendAndClearButtons()
    {
        WindowFixture f({2});
        invokeSlot(&*f.window, "OpenOutput_Click");
        f.widget<QLineEdit>("Text6")->setText(QStringLiteral("ABC"));
        QTest::mouseClick(f.widget("Command2"), Qt::LeftButton);
        QCOMPARE(f.output.written, QByteArray("ABC\r"));
        f.window->refreshViews();
        QCOMPARE(f.widget<QPlainTextEdit>("MessOut")->toPlainText(), QStringLiteral("ABC\n"));
        QTest::mouseClick(f.widget("ClearOut"), Qt::LeftButton);
        QVERIFY(f.widget<QPlainTextEdit>("MessOut")->toPlainText().isEmpty());
    }

    // The long texts are redrawn at the end of the first handler that finds the last redraw an interval
    // ago, and not sooner; typing in a monitor keeps the lines received but not drawn yet.
    void monitorRedrawAndTyping()
    {
        WindowFixture f({1});
        f.widget<QRadioButton>("in_out")->setChecked(true);
        invokeSlot(&*f.window, "OpenInput_Click");
        f.window->refreshViews();
        auto* monitor = f.widget<QPlainTextEdit>("MessIn");
        f.monotonicClock.advance(ViewRefresher::IntervalMsecs - 1);
        f.input.deliver("first\r");
        QCOMPARE(monitor->toPlainText(), QString());
        f.monotonicClock.advance(1);
        f.input.deliver("second\r");
        QCOMPARE(monitor->toPlainText(), QStringLiteral("second\nfirst\n"));

        f.input.deliver("third\r"); // received, not drawn yet
        monitor->moveCursor(QTextCursor::End);
        QTest::keyClicks(monitor, QStringLiteral("note"));
        QCOMPARE(f.form().texts.MessIn, QStringLiteral("third\r\nsecond\r\nfirst\r\nnote"));
        f.window->refreshViews();
        QCOMPARE(monitor->toPlainText(), QStringLiteral("third\nsecond\nfirst\nnote"));
    }

    // A refresh edits a box from what it showed to its text: new lines on top, a tail cut at a limit, a line
    // end split between the two, and a text that only begins like the shown one (its first 32 characters).
    void textBoxShowsItsTextAfterARefresh_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        const QString a32(32, u'a');
        const auto row = [](const char* name, const QString& before, const QString& after) {
            QTest::newRow(name) << before << after;
        };
        row("new lines on top", "a\r\n", "c\r\rb\r\na\r\n");
        row("tail cut", "b\r\na\r\n", "c\r\nb\r");
        row("CR on top, LF kept", "\nx", "y\r\nx");
        row("same beginning", a32 + "1\r\n", a32 + "2\r\n");
        row("emptied", "a", "");
    }
    void textBoxShowsItsTextAfterARefresh()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QPlainTextEdit boxes[5];
        TextBoxViews views(&boxes[0], &boxes[1], &boxes[2], &boxes[3], &boxes[4]);
        TextBoxes texts;
        for (const QString& text : {before, after}) {
            texts.Text1 = texts.Text3 = texts.Text5 = texts.MessIn = texts.MessOut = text;
            views.show(texts);
            for (const QPlainTextEdit& box : boxes)
                QCOMPARE(box.toPlainText(), shownForm(text));
        }
    }

    void modeButtonsAndStopwatchButtons()
    {
        WindowFixture f;
        f.window->show();
        QTest::mouseClick(f.widget("Stopen"), Qt::LeftButton);
        QVERIFY(f.widget("Start")->isVisible() && f.widget("Lap")->isVisible());
        QTest::mouseClick(f.widget("Start"), Qt::LeftButton);
        f.monotonicClock.advance(1000);
        invokeSlot(&*f.window, "Timer1_Timer");
        QCOMPARE(f.widget<QLabel>("TimeOut")->text(), QStringLiteral("  :  : 1.00"));
        QTest::mouseClick(f.widget("DispZentel"), Qt::LeftButton);
        QVERIFY(f.form().DispZentel && f.widget("DispZentel")->font().bold());
        QTest::mouseClick(f.widget("in_out"), Qt::LeftButton);
        QVERIFY(!f.widget("TimeOut")->isVisible() && !f.widget("Start")->isVisible());
        QVERIFY(!f.form().timers.Timer1);
        QCOMPARE(f.logLines().first(), QStringLiteral("14:03:07 +++ Modus Input gleich Output"));
        // Clicking the mode that is already set selects nothing again.
        const QString before = f.form().texts.Text1;
        QTest::mouseClick(f.widget("in_out"), Qt::LeftButton);
        QCOMPARE(f.form().texts.Text1, before);
    }

    // The time of day goes from the window's second-aligned timer through the engine to the board, and the
    // timer is armed again after each tick. (Its first tick comes 10 ms after the click.)
    void timeOfDayReachesTheBoardEverySecond()
    {
        WindowFixture f({2});
        invokeSlot(&*f.window, "OpenOutput_Click");
        f.wallClock.now = QTime(14, 3, 7, 995);
        QTest::mouseClick(f.widget("AktTime"), Qt::LeftButton);
        f.output.written.clear();
        const QByteArray first = BoardText::line("...C    00:14:03.070");
        QTRY_COMPARE_WITH_TIMEOUT(f.output.written, first, 5000);
        f.wallClock.now = QTime(14, 3, 8, 995);
        QTRY_COMPARE_WITH_TIMEOUT(f.output.written, first + BoardText::line("...C    00:14:03.080"), 5000);
        QCOMPARE(f.widget<QLabel>("TimeOut")->text(), QStringLiteral("14:03:08"));
    }

    // A failure box appears after the state, the caption and the log line are up to date, and the window
    // shows the log as it then stands behind the box; port events inside the box are logged after it.
    void failureBoxesComeAfterStateAndLog_data()
    {
        QTest::addColumn<QString>("refuse"); // what fails: the port's open or close
        QTest::addColumn<QString>("failure");
        for (const char* row :
             {"open|COM-Port 1 kann nicht geöffnet werden", "close|COM-Port 1 kann nicht geschlossen werden"})
            QTest::newRow(row) << QString(row).section(u'|', 0, 0) << QString(row).section(u'|', 1);
    }
    void failureBoxesComeAfterStateAndLog()
    {
        QFETCH(QString, refuse);
        WindowFixture f({1, 2});
        invokeSlot(&*f.window, "OpenOutput_Click");
        if (refuse == QLatin1String("close"))
            invokeSlot(&*f.window, "OpenInput_Click");
        f.input.refuseOpen = refuse == QLatin1String("open");
        f.input.refuseClose = refuse == QLatin1String("close");

        QStringList shown; // the log's top line, the caption and whether the list is enabled
        f.boxes.whileShown = [&] {
            shown << f.widget<QPlainTextEdit>("Text1")->toPlainText().section(QLatin1Char('\n'), 0, 0)
                  << f.widget<QPushButton>("OpenInput")->text()
                  << QString::number(f.widget("Combo1")->isEnabled());
            f.output.unplug(); // a port event while the box is open
        };
        invokeSlot(&*f.window, "OpenInput_Click");
        QFETCH(QString, failure);
        QCOMPARE(shown, (QStringList{"14:03:07 +++ " + failure, "öffnen", "1"}));
        QVERIFY(!f.form().InPortOpen);
        QCOMPARE(f.logLines().mid(0, 2),
                 (QStringList{"14:03:07 +++ COM-Port 2 Verbindung unterbrochen", "14:03:07 +++ " + failure}));
    }

    // The hundredths tick shows the true elapsed time at each tick, however late it comes, and leaves the
    // board alone.
    void hundredthsTickShowsElapsedTimeAndLeavesTheBoardAlone()
    {
        WindowFixture f({2});
        invokeSlot(&*f.window, "OpenOutput_Click");
        f.widget<QRadioButton>("Stopen")->setChecked(true);
        invokeSlot(&*f.window, "Start_Click");
        f.output.written.clear();
        for (const auto& [after, shown] :
             {std::pair{10, "00:00:00.01"}, {1527, "00:00:01.53"}, {1462, "00:00:02.99"}}) {
            f.monotonicClock.advance(after);
            invokeSlot(&*f.window, "Timer3_Timer");
            QCOMPARE(f.widget<QLabel>("TimeOut")->text(), QString::fromLatin1(shown));
        }
        QCOMPARE(f.output.written, QByteArray());
    }

    void tickWhileABoxHoldsAStoppingHandlerDoesNothing()
    {
        WindowFixture f({1, 2});
        invokeSlot(&*f.window, "OpenOutput_Click");
        QTest::mouseClick(f.widget("Timer"), Qt::LeftButton);
        QTest::mouseClick(f.widget("Start"), Qt::LeftButton);
        f.output.written.clear();
        // An unreadable preset stops the countdown and shows the format box; a tick that the box's event
        // loop lets through must not count on.
        f.boxes.whileShown = [&f] {
            f.boxes.whileShown = nullptr;
            f.monotonicClock.advance(5000);
            invokeSlot(&*f.window, "Timer1_Timer");
        };
        f.widget<QLineEdit>("TimerText")->setText(QStringLiteral("x"));
        QCOMPARE(f.boxes.shown.size(), 1);
        QCOMPARE(f.output.written, QByteArray("...C      :  : 0.     \r"));
    }

    // "?" twice gives one dialog, without a parent; its texts and size; Escape leaves it open, its button
    // closes it.
    void aboutDialog()
    {
        WindowFixture f;
        invokeSlot(&*f.window, "abbout_Click");
        QPointer<FrmMessage> dialog = f.window->infoDialog();
        QVERIFY(dialog && dialog->isVisible() && !dialog->parentWidget());
        invokeSlot(&*f.window, "abbout_Click");
        QCOMPARE(f.window->infoDialog(), dialog);
        const QStringList lines = dialog->message().split(u'\n');
        QCOMPARE(lines.mid(0, 3), (QStringList{"Brelox mit Serial Konverter", "Version 1.02", ""}));
        QVERIFY(lines.size() == 11 && lines[9].isEmpty() && !lines[10].isEmpty());
        QCOMPARE(AboutText::versionLine(2, 3, 11),
                 QStringLiteral("Version 2.311")); // the revision is appended
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Message"));
        QCOMPARE(dialog->width(), 411);
        QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
        QCOMPARE(dialog->findChild<QLabel*>("Label1")->text(),
                 QStringLiteral("Kabel von PC zu GAZ4 (ALGE Nr 105)"));
        QCOMPARE(dialog->findChild<QPushButton*>("btnClose")->text(), QStringLiteral("&Close"));
        QVERIFY(!dialog->findChild<QLabel*>("Image1")->pixmap().isNull());
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QTest::keyClick(dialog, Qt::Key_Escape);
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->focusWidget(), dialog->findChild<QPushButton*>("btnClose"));
        QTest::keyClick(dialog->findChild<QPushButton*>("btnClose"), Qt::Key_Space);
        QTRY_VERIFY(!dialog); // closed and gone
    }

    // Steps: "!" the login manager grants, "x" it refuses; else what runs after a handler: "-" nothing, "in"
    // "out" a port, "T1" "T2" "T3" a timer, joined by "+"; "/1" when the lock is held after it. Then the
    // program ends. Each new hold is logged.
    void guardFollowsPortsAndClocks_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("requests");
        QTest::newRow("input port") << "in/0 !/1 in/1 -/0" << 1;
        QTest::newRow("output, both, one") << "out/0 !/1 in+out/1 in/1 -/0" << 1;
        QTest::newRow("stopwatch runs to the end") << "T1+T3/0 !/1 T1/1" << 1;
        QTest::newRow("time of day, then a port") << "T2/0 !/1 T2+out/1 out/1 -/0" << 1;
        QTest::newRow("each new hold is logged") << "in/0 !/1 -/0 T1/0 !/1 -/0" << 2;
        QTest::newRow("closed before the answer") << "in/0 -/0 !/0 in/0 !/1 -/0" << 2;
        QTest::newRow("the end before the answer") << "in/0" << 1;
        QTest::newRow("no login manager: asked once per hold") << "in/0 x/0 in+out/0 -/0 T2/0 x/0" << 2;
    }
    void guardFollowsPortsAndClocks()
    {
        QFETCH(QString, script);
        QFETCH(int, requests);
        FormModel form;
        FakeWallClock wall;
        MessageLog log(wall, form.texts.Text1);
        FakeSleepInhibitor inhibitor;
        auto guard = std::make_unique<SleepGuard>(inhibitor, form, log);
        QString held = QStringLiteral("0");
        for (const QString& step : script.split(u' ')) {
            const QStringList on = step.section(u'/', 0, 0).split(u'+');
            form.InPortOpen = on.contains("in");
            form.OutPortOpen = on.contains("out");
            form.timers = {on.contains("T1"), on.contains("T2"), on.contains("T3")};
            on[0] == "!" || on[0] == "x" ? inhibitor.answer(on[0] == "!") : guard->update();
            held += step.back();
            QCOMPARE(guard->held(), held.back() == u'1');
            QCOMPARE(inhibitor.locks, held.back() == u'1' ? 1 : 0);
        }
        guard.reset();
        QCOMPARE(inhibitor.asked, false); // withdrawn or given back at the end
        QCOMPARE(std::pair(inhibitor.requests, inhibitor.faults), std::pair(requests, 0));
        QCOMPARE(form.texts.Text1,
                 QString(log.timeText() + Locked + "\r\n").repeated(held.count(QStringLiteral("01"))));
    }

    // A bus that takes the connection and never answers holds up neither the request nor the end.
    void hungBusHoldsUpNothing()
    {
        QTemporaryDir dir;
        QLocalServer bus;
        QVERIFY(bus.listen(dir.filePath("bus")));
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + QFile::encodeName(bus.fullServerName()));
        const QByteArray hello =
            QByteArray("\0AUTH EXTERNAL ", 15) + QByteArray::number(::getuid()).toHex() + "\r\n";
        QLocalSocket* client = nullptr;
        {
            LogindSleepInhibitor inhibitor;
            inhibitor.request([] { QFAIL("granted by a bus that never answers"); });
            QVERIFY(bus.waitForNewConnection(30000) && (client = bus.nextPendingConnection()));
            QTRY_VERIFY_WITH_TIMEOUT(client->bytesAvailable() >= hello.size(), 30000);
        } // the worker waits for the bus's answer now, and ends with the inhibitor
        QCOMPARE(client->readAll(), hello);
        QVERIFY2(client->waitForDisconnected(30000), "the worker's connection is closed");
    }

    // The real lock, asked for by the window on real ports: while the login manager is slow to answer, clicks
    // and board lines go on, and the grant shows when it comes. Closing the ports gives the lock back; a lock
    // that comes after they closed is given back at once and not logged.
    void windowGoesOnWhileTheLoginManagerIsSlow()
    {
        FakeLogind logind;
        QTemporaryDir dir;
        PtyPair in(dir.path(), 1), out(dir.path(), 2);
        QtSerialPortService input{ComPortMap(dir.path())}, output{ComPortMap(dir.path())};
        LogindSleepInhibitor sleep;
        WindowFixture f(input, output, sleep);
        invokeSlot(&*f.window, "OpenOutput_Click");
        invokeSlot(&*f.window, "OpenInput_Click");
        QTRY_COMPARE_WITH_TIMEOUT(logind.calls.size(), 1, 30000);
        const QString why = QStringLiteral("Zeitmessung: COM-Port geöffnet oder Uhr läuft");
        QCOMPARE(logind.calls[0].arguments(), QVariantList({"sleep:idle", "Brelox", why, "block"}));
        QVERIFY(in.writeFar("..L0\t 042\t00:01:23.45\r"));
        QByteArray got;
        QTRY_VERIFY_WITH_TIMEOUT((got += out.drainFar(0)).size() >= 23, 30000);
        QCOMPARE(got, "042.    00:01:23.45   \r");
        f.monotonicClock.advance(ViewRefresher::IntervalMsecs); // the views may be brought up to date at once
        logind.answer();
        for (QDeadlineTimer end(30000); !f.form().texts.Text1.contains(Locked) && !end.hasExpired();)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall); // the answer, no timers
        const QString shown = f.widget<QPlainTextEdit>("Text1")->toPlainText().section(u'\n', 0, 0);
        QCOMPARE(shown, f.window->engine().log.timeText() + Locked);
        QVERIFY2(!logind.released(0), "the lock is held");
        invokeSlot(&*f.window, "OpenInput_Click");
        invokeSlot(&*f.window, "OpenOutput_Click");
        QVERIFY2(logind.released(30000), "closing both ports gave the lock back");

        invokeSlot(&*f.window, "OpenInput_Click");
        QTRY_COMPARE_WITH_TIMEOUT(logind.calls.size(), 2, 30000);
        invokeSlot(&*f.window, "OpenInput_Click");
        logind.answer();
        QVERIFY2(logind.released(30000), "the late lock was given back");
        QCoreApplication::processEvents();
        QCOMPARE(f.form().texts.Text1.count(Locked), 1);
    }
};

QTEST_MAIN(TestMainForm)
#include "test_main_form.moc"
