#include "WindowFixture.h"
#include "app/FrmMessage.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

class TestMainForm : public QObject
{
    Q_OBJECT
private slots:
    void startupLogEndsWithStartLineAndEmptyLine()
    {
        WindowFixture f;
        QCOMPARE(f.form().texts.Text1, QStringLiteral("14:03:07 +++ Kein Comport verfügbar\r\n"
                                                      "14:03:07 +++ Vorhandene COM-Ports abfragen\r\n"
                                                      "14:03:07 +++ Programmstart. \r\n\r\n"));
        f.window->refreshViews();
        QCOMPARE(
            f.widget<QPlainTextEdit>("Text1")->toPlainText(),
            QStringLiteral("14:03:07 +++ Kein Comport verfügbar\n14:03:07 +++ Vorhandene COM-Ports abfragen\n"
                           "14:03:07 +++ Programmstart. \n\n"));
    }

    void startupWithPortsSelectsLowestForInputAndSecondForOutput()
    {
        WindowFixture f({1, 3});
        auto* in = f.widget<QComboBox>("Combo1");
        auto* out = f.widget<QComboBox>("Combo6");
        const QStringList expected = {QStringLiteral("COM 1"), QStringLiteral("COM 3")};
        for (QComboBox* box : {in, out}) {
            QStringList items;
            for (int i = 0; i < box->count(); ++i)
                items << box->itemText(i);
            QCOMPARE(items, expected);
        }
        QCOMPARE(in->currentText(), QStringLiteral("COM 1"));
        QCOMPARE(out->currentText(), QStringLiteral("COM 3"));
        QCOMPARE(f.logLines().first(), QStringLiteral("14:03:07 +++ 2 Comport(s) verfügbar"));
        QVERIFY(!f.input.isOpen());
    }

    void settingsListsAndDefaults_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("selected");
        const QStringList bauds = {"2400", "4800", "9600", "19200", "38400", "57600", "115200"};
        const QStringList bits = {"4", "5", "6", "7", "8"};
        const QStringList parities = {"Gerade", "Ungerade", "Keine", "Markierung", "Leerzeichen"};
        const QStringList stops = {"1", "1.5", "2"};
        QTest::newRow("input port") << "Combo1" << QStringList{"Kein Comport verfügbar"}
                                    << "Kein Comport verfügbar";
        QTest::newRow("input baud") << "Combo2" << bauds << "9600";
        QTest::newRow("input data bits") << "Combo3" << bits << "8";
        QTest::newRow("input parity") << "Combo4" << parities << "Keine";
        QTest::newRow("input stop bits") << "Combo5" << stops << "1";
        QTest::newRow("output port") << "Combo6" << QStringList{"Kein Comport verfügbar"}
                                     << "Kein Comport verfügbar";
        QTest::newRow("output baud") << "Combo10" << bauds << "2400";
        QTest::newRow("output data bits") << "Combo9" << bits << "8";
        QTest::newRow("output parity") << "Combo8" << parities << "Keine";
        QTest::newRow("output stop bits") << "Combo7" << stops << "1";
    }
    void settingsListsAndDefaults()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, entries);
        QFETCH(QString, selected);
        WindowFixture f;
        auto* box = f.widget<QComboBox>(qPrintable(name));
        QVERIFY(box);
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        QCOMPARE(items, entries);
        QCOMPARE(box->currentText(), selected);
        QVERIFY(box->isEditable());
    }

    void captionsAndInitialTexts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        const QList<QPair<const char*, const char*>> rows = {{"Label8_0", "Eingang"},
                                                             {"Label8_1", "Ausgang"},
                                                             {"OpenInput", "öffnen"},
                                                             {"OpenOutput", "öffnen"},
                                                             {"Label4", "Baudrate:"},
                                                             {"Label5", "Datenbits:"},
                                                             {"Label6", "Parität:"},
                                                             {"Label7", "Stoppbit:"},
                                                             {"Label13", "Baudrate:"},
                                                             {"Label12", "Datenbits:"},
                                                             {"Label11", "Parität:"},
                                                             {"Label9", "Stoppbit:"},
                                                             {"Label10", "Eingang:"},
                                                             {"Label3", "Ausgang:"},
                                                             {"ClearIn", "Clear"},
                                                             {"ClearOut", "Clear"},
                                                             {"Label2", "Text:"},
                                                             {"Label14", "Text:"},
                                                             {"Command1", "Senden"},
                                                             {"Command2", "Senden"},
                                                             {"in_out", "1:1 IN->OUT"},
                                                             {"TagAlge", "TAG -> Alge"},
                                                             {"AktTime", "Aktuelle Zeit"},
                                                             {"Stopen", "Stopen"},
                                                             {"Timer", "Timer"},
                                                             {"TimerText", "00:01:00"},
                                                             {"TimeOut", "00:00:00.00"},
                                                             {"DispZentel", "1/10 Sek."},
                                                             {"Start", "START"},
                                                             {"Lap", "LAP"},
                                                             {"Stop1", "STOP"},
                                                             {"Reset", "RESET"},
                                                             {"Label1", "Meldungen:"},
                                                             {"Text2", ""},
                                                             {"Text6", ""}};
        for (const auto& [name, text] : rows)
            QTest::newRow(name) << QString::fromUtf8(name) << QString::fromUtf8(text);
    }
    void captionsAndInitialTexts()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        WindowFixture f;
        QWidget* w = f.widget(qPrintable(name));
        QVERIFY2(w, qPrintable(name));
        QString shown;
        if (auto* label = qobject_cast<QLabel*>(w))
            shown = label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            shown = button->text();
        else if (auto* edit = qobject_cast<QLineEdit*>(w))
            shown = edit->text();
        QCOMPARE(shown, text);
    }

    void windowAndGeometry()
    {
        WindowFixture f;
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Brelox / Serial konverter"));
        QCOMPARE(f.window->centralWidget()->size(), QSize(480, 467));
        // twips / 15 = pixels
        const QList<QPair<const char*, QRect>> rows = {
            {"Combo1", QRect(8, 32, 113, 19)},   {"OpenOutput", QRect(376, 32, 73, 25)},
            {"MessIn", QRect(8, 176, 217, 65)},  {"Text5", QRect(256, 176, 233, 65)},
            {"TimeOut", QRect(8, 328, 121, 25)}, {"TimerText", QRect(400, 304, 73, 20)},
            {"Text1", QRect(8, 384, 449, 65)},   {"Combo9", QRect(312, 88, 33, 19)}};
        for (const auto& [name, rect] : rows)
            QCOMPARE(f.widget(name)->geometry(), rect);
    }

    void stateRightAfterStartup()
    {
        WindowFixture f;
        f.window->show();
        f.window->refreshViews();
        QVERIFY(f.widget<QRadioButton>("TagAlge")->isChecked());
        QVERIFY(!f.widget("TimerText")->isVisible());
        QVERIFY(!f.widget("Lap")->isVisible());
        QVERIFY(f.widget("DispZentel")->isVisible());
        QVERIFY(!f.widget<QCheckBox>("DispZentel")->isChecked());
        QVERIFY(!f.widget("DispZentel")->font().bold());
        QVERIFY(f.widget("TimeOut")->isVisible());
        QCOMPARE(f.widget<QLabel>("TimeOut")->text(), QStringLiteral("00:00:00.00"));
        QVERIFY(!f.widget("Text3")->isVisible());
        QVERIFY(!f.widget("Text5")->isVisible());
        QVERIFY(f.widget<QPlainTextEdit>("MessIn")->toPlainText().isEmpty());
        QVERIFY(f.widget<QPlainTextEdit>("MessOut")->toPlainText().isEmpty());
        QVERIFY(f.widget<QPlainTextEdit>("Text1")->isReadOnly());
        QVERIFY(!f.widget<QPlainTextEdit>("MessIn")->isReadOnly());
        QVERIFY(f.widget("Combo1")->isEnabled());
        const FormModel& form = f.form();
        QVERIFY(!form.InPortOpen && !form.OutPortOpen && !form.LapFlag && !form.OutputHold);
        QVERIFY(form.WarnPortClosed);
        QVERIFY(!form.timers.Timer1 && !form.timers.Timer2 && !form.timers.Timer3);
        QVERIFY(f.boxes.shown.isEmpty());
    }

    void focusOrderStartsWithTheLog()
    {
        WindowFixture f;
        const QStringList expected = {
            "Text1",   "Text2",    "Combo1",  "OpenInput",  "Combo2", "Combo3",    "Combo4",
            "Combo5",  "Command1", "Combo6",  "OpenOutput", "Combo7", "Combo8",    "Combo9",
            "Combo10", "in_out",   "TagAlge", "AktTime",    "Timer",  "TimerText", "Command2",
            "Text6",   "Stopen",   "Start",   "Stop1",      "Reset",  "MessIn",    "MessOut",
            "ClearIn", "ClearOut", "Lap",     "DispZentel"};
        QStringList chain;
        QWidget* w = f.widget("Text1");
        do {
            if (expected.contains(w->objectName()) && !chain.contains(w->objectName()))
                chain << w->objectName();
            w = w->nextInFocusChain();
        } while (w != f.widget("Text1"));
        QCOMPARE(chain, expected);
        QCOMPARE(f.widget("Text3")->focusPolicy(), Qt::NoFocus);
    }

    void menuBar()
    {
        WindowFixture f;
        const QList<QAction*> titles = f.window->menuBar()->actions();
        QCOMPARE(titles.size(), 3);
        QCOMPARE(titles.at(0)->text(), QStringLiteral("Datei"));
        QCOMPARE(titles.at(1)->text(), QStringLiteral("Extras"));
        QCOMPARE(titles.at(2)->text(), QStringLiteral("?"));
        QVERIFY(!titles.at(2)->menu()); // the title itself is the command
        QCOMPARE(titles.at(0)->menu()->actions().at(0)->text(), QStringLiteral("Ende"));
        QCOMPARE(titles.at(1)->menu()->actions().at(0)->text(), QStringLiteral("COM-Ports prüfen"));
        for (QAction* a : f.window->findChildren<QAction*>())
            QVERIFY(a->shortcut().isEmpty());
    }

    void exitWithNoPortOpenWritesNothing()
    {
        WindowFixture f;
        f.window->show();
        const QString before = f.form().texts.Text1;
        f.window->Ende_Click();
        QCOMPARE(f.form().texts.Text1, before);
        QVERIFY(!f.window->isVisible());
    }

    void exitWithOnlyOutputOpenLogsOnlyItsClosing()
    {
        WindowFixture f({2});
        f.window->show();
        f.window->OpenOutput_Click();
        QVERIFY(f.form().OutPortOpen);
        f.window->Ende_Click();
        const QStringList lines = f.logLines();
        QCOMPARE(lines.at(0), QStringLiteral("14:03:07 +++ COM-Port 2 geschlossen"));
        QCOMPARE(lines.at(1), QStringLiteral("14:03:07 +++ Versuch den COM-Port 2 zu schließen"));
        QCOMPARE(lines.at(2), QStringLiteral("14:03:07 +++ COM-Port 2 wurde geöffnet"));
        QVERIFY(!f.form().OutPortOpen);
        QVERIFY(!f.output.isOpen());
        QCOMPARE(f.input.openedPorts.size(), 1); // only the probe at start-up
    }

    void toggleCaptionAndPortListFollowThePort()
    {
        WindowFixture f({1});
        f.window->OpenInput_Click();
        QCOMPARE(f.widget<QPushButton>("OpenInput")->text(), QStringLiteral("schliessen"));
        QVERIFY(!f.widget("Combo1")->isEnabled());
        QVERIFY(f.widget("Combo2")->isEnabled());
        QCOMPARE(f.input.openedSettings.last(), QStringLiteral("9600,N,8,1"));
        f.window->OpenInput_Click();
        QCOMPARE(f.widget<QPushButton>("OpenInput")->text(), QStringLiteral("öffnen"));
        QVERIFY(f.widget("Combo1")->isEnabled());
    }

    void typedParityThatIsNoEntryGivesTheOpenFailure()
    {
        WindowFixture f({1});
        f.widget<QComboBox>("Combo4")->setEditText(QStringLiteral("Irgendwas"));
        f.window->OpenInput_Click();
        QCOMPARE(
            f.boxes.texts(),
            QStringList{"Fehler! Sind eventuell keine COM-Ports vorhanden oder die Einstellungen falsch?"});
        QVERIFY(!f.form().InPortOpen);
    }

    void discoveryFromTheMenuClosesOpenPortsFirst()
    {
        WindowFixture f({1, 3});
        f.window->OpenInput_Click();
        f.window->OpenOutput_Click();
        f.input.existing = {5};
        f.output.existing = {5};
        f.window->check_comPorts_Click();
        const QStringList lines = f.logLines();
        QCOMPARE(lines.mid(0, 6), (QStringList{"14:03:07 +++ 1 Comport(s) verfügbar",
                                               "14:03:07 +++ Vorhandene COM-Ports abfragen",
                                               "14:03:07 +++ COM-Port 3 geschlossen",
                                               "14:03:07 +++ Versuch den COM-Port 3 zu schließen",
                                               "14:03:07 +++ COM-Port 1 geschlossen",
                                               "14:03:07 +++ Versuch den COM-Port 1 zu schließen"}));
        QCOMPARE(f.widget<QComboBox>("Combo1")->currentText(), QStringLiteral("COM 5"));
        QCOMPARE(f.widget<QComboBox>("Combo6")->currentText(), QStringLiteral("COM 5"));
        QCOMPARE(f.widget<QPushButton>("OpenOutput")->text(), QStringLiteral("öffnen"));
    }

    void manualSendShowsOnTheMonitor()
    {
        WindowFixture f({1, 2});
        f.window->OpenOutput_Click();
        f.widget<QLineEdit>("Text6")->setText(QStringLiteral("ABC"));
        QTest::mouseClick(f.widget("Command2"), Qt::LeftButton);
        QCOMPARE(f.output.written, QByteArray("ABC\r"));
        f.window->refreshViews();
        QCOMPARE(f.widget<QPlainTextEdit>("MessOut")->toPlainText(), QStringLiteral("ABC\n"));
        QCOMPARE(f.widget<QLineEdit>("Text6")->text(), QStringLiteral("ABC"));
        QTest::mouseClick(f.widget("ClearOut"), Qt::LeftButton);
        f.window->refreshViews();
        QVERIFY(f.widget<QPlainTextEdit>("MessOut")->toPlainText().isEmpty());
    }

    void operatorEditOfAMonitorIsKept()
    {
        WindowFixture f;
        f.widget<QPlainTextEdit>("MessIn")->setPlainText(QStringLiteral("note"));
        QCOMPARE(f.form().texts.MessIn, QStringLiteral("note"));
    }

    void lostAndRegainedDeviceIsLogged()
    {
        WindowFixture f({1, 2});
        f.window->OpenOutput_Click();
        f.output.unplug();
        QCOMPARE(f.logLines().first(), QStringLiteral("14:03:07 +++ COM-Port 2 Verbindung unterbrochen"));
        QVERIFY(f.form().OutPortOpen);
        QCOMPARE(f.widget<QPushButton>("OpenOutput")->text(), QStringLiteral("schliessen"));
        f.output.replug();
        QCOMPARE(f.logLines().first(), QStringLiteral("14:03:07 +++ COM-Port 2 wieder verbunden"));
    }

    void modeButtonsSwitchTheWindow()
    {
        WindowFixture f;
        f.window->show();
        QTest::mouseClick(f.widget("Timer"), Qt::LeftButton);
        QVERIFY(f.widget("TimerText")->isVisible());
        QVERIFY(f.widget("Start")->isVisible());
        QVERIFY(f.widget("Lap")->isVisible());
        QCOMPARE(f.logLines().first(), QStringLiteral("14:03:07 +++ Modus Timer"));
        QTest::mouseClick(f.widget("in_out"), Qt::LeftButton);
        QVERIFY(!f.widget("TimeOut")->isVisible());
        QVERIFY(!f.widget("Start")->isVisible());
        QVERIFY(!f.widget("DispZentel")->isVisible());
        QCOMPARE(f.logLines().first(), QStringLiteral("14:03:07 +++ Modus Input gleich Output"));
        // Clicking the mode that is already set selects nothing again.
        const QString before = f.form().texts.Text1;
        QTest::mouseClick(f.widget("in_out"), Qt::LeftButton);
        QCOMPARE(f.form().texts.Text1, before);
    }

    void stopwatchTimersFollowTheButtons()
    {
        WindowFixture f;
        QTest::mouseClick(f.widget("Stopen"), Qt::LeftButton);
        f.window->show();
        QTest::mouseClick(f.widget("Start"), Qt::LeftButton);
        QVERIFY(f.form().timers.Timer1);
        f.monotonicClock.advance(1000);
        f.window->Timer1_Timer();
        QCOMPARE(f.widget<QLabel>("TimeOut")->text(), QStringLiteral("  :  : 1.00"));
        QTest::mouseClick(f.widget("Stop1"), Qt::LeftButton);
        QVERIFY(!f.form().timers.Timer1 && !f.form().timers.Timer3);
        QTest::mouseClick(f.widget("DispZentel"), Qt::LeftButton);
        QVERIFY(f.form().DispZentel);
        QVERIFY(f.widget("DispZentel")->font().bold());
    }

    void tickWhileABoxHoldsAStoppingHandlerDoesNothing()
    {
        WindowFixture f({1, 2});
        f.window->OpenOutput_Click();
        QTest::mouseClick(f.widget("Timer"), Qt::LeftButton);
        QTest::mouseClick(f.widget("Start"), Qt::LeftButton);
        f.monotonicClock.advance(1000);
        f.window->Timer1_Timer();
        f.output.written.clear();
        // An unreadable preset stops the countdown and shows the format box; a tick that the box's event
        // loop lets through must not count on.
        f.boxes.whileShown = [&f] {
            f.boxes.whileShown = nullptr;
            f.monotonicClock.advance(5000);
            f.window->Timer1_Timer();
        };
        f.widget<QLineEdit>("TimerText")->setText(QStringLiteral("x"));
        QCOMPARE(f.boxes.shown.size(), 1);
        QCOMPARE(f.boxes.shown.first().title, QStringLiteral("Format kontrollieren"));
        QCOMPARE(f.output.written, QByteArray("...C      :  : 0.     \r"));
        QVERIFY(!f.form().timers.Timer1);
    }

    void aboutTwiceGivesOneDialog()
    {
        WindowFixture f;
        f.window->abbout_Click();
        FrmMessage* first = f.window->infoDialog();
        QVERIFY(first && first->isVisible());
        f.window->abbout_Click();
        QCOMPARE(f.window->infoDialog(), first);
        int dialogs = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            dialogs += qobject_cast<FrmMessage*>(w) && w->isVisible() ? 1 : 0;
        QCOMPARE(dialogs, 1);
        QCOMPARE(first->message().split(QLatin1Char('\n')).at(1), QStringLiteral("Version 1.02"));
        QVERIFY(!first->parentWidget()); // shown without an owner
    }
};

QTEST_MAIN(TestMainForm)
#include "test_main_form.moc"
