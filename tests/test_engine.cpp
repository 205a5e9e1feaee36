// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up, exit and port discovery of the engine alone, without a window; the log and the monitors; the
// command line.
#include "EngineRig.h"
#include "Version.h"
#include "core/MessageLog.h"
#include "engine/StartUp.h"
#include "ports/TrafficMonitor.h"

#include <QLocale>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

class TestEngine : public QObject
{
    Q_OBJECT
private slots:
    // The exit and the port discovery close each open port through its button, the input first; the
    // discovery then lists the ports there are of 1 to 16.
    void exitAndDiscoveryCloseEachOpenPort()
    {
        for (const bool exit : {true, false})
            for (const bool outputOpen : {false, true}) {
                EngineRig rig(OperatingMode::TagAlge, outputOpen);
                rig.in.existing = rig.out.existing = {5, 17};
                exit ? rig.engine.Ende_Click() : rig.engine.check_comPorts_Click();
                QStringList log;
                if (!exit)
                    log << "14:03:07 +++ 1 Comport(s) verfügbar"
                        << "14:03:07 +++ Vorhandene COM-Ports abfragen";
                if (outputOpen)
                    log << "14:03:07 +++ COM-Port 2 geschlossen"
                        << "14:03:07 +++ Versuch den COM-Port 2 zu schließen";
                log << "14:03:07 +++ COM-Port 1 geschlossen"
                    << "14:03:07 +++ Versuch den COM-Port 1 zu schließen";
                QCOMPARE(rig.logLines(), log);
                QCOMPARE(rig.in.isOpen() + rig.out.isOpen() + rig.form.InPortOpen + rig.form.OutPortOpen, 0);
                QCOMPARE(rig.engine.outputLists().port.entries == QStringList{"COM 5"}, !exit);
            }
    }

    void whatTheBoardSendsIsNotHoarded()
    {
        // A board, cable or adapter that echoes or picks up noise sends bytes back on the output port; they
        // are read and let go, so that they do not pile up in the port for the whole race.
        EngineRig rig;
        rig.out.deliver(QByteArray(4096, 'x'));
        QCOMPARE(rig.out.bytesWaiting(), 0);
        QCOMPARE(rig.deliver(BoardText::l0("042", "00:01:23.45")), BoardText::l0Line("042", "00:01:23.45"));
        QCOMPARE(rig.form.texts.MessIn + rig.form.texts.MessOut,
                 QStringLiteral("..L0 04200:01:23.45\r\n042.    00:01:23.45   \r\n"));
    }

    // A board that takes nothing: the output queue drops its oldest lines, and the log says so once.
    void stalledBoardOverloadIsLoggedOnce()
    {
        EngineRig rig;
        rig.out.queue().setLimit(23);
        rig.out.turn(0);
        for (int i = 100; i < 130; ++i)
            rig.deliver(BoardText::l0(QByteArray::number(i), "00:01:23.45"));
        QCOMPARE(rig.logLines(),
                 QStringList{"14:03:07 +++ COM-Port Ausgang überlastet, ältere Zeilen verworfen"});
    }

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

    // STX, TAB, LF, CR and DC4 are left out of what the monitors show.
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

    // The start-up rules: what the command line asks for, and Qt's German texts.
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("text");
        const int run = int(StartOptions::Action::Run);
        const int print = int(StartOptions::Action::Print);
        const QString version = QStringLiteral("Brelox %1\n").arg(QLatin1String(Version::Release));
        QTest::newRow("no options") << QStringList{} << run << 0 << QString();
        QTest::newRow("-v") << QStringList{"-v"} << print << 0 << version;
        QTest::newRow("Qt's own options")
            << QStringList{"-platform", "offscreen", "--style=fusion", "-reverse"} << run << 0 << QString();
        const auto failure = [](const char* name, const QStringList& arguments, const QString& text) {
            QTest::newRow(name) << arguments << int(StartOptions::Action::Fail) << 2
                                << "brelox: " + text + "\nbrelox --help zeigt die Optionen.\n";
        };
        failure("unknown option", {"--board"}, "Unknown option 'board'.");
        failure("argument", {"com1"}, "Unerwartetes Argument 'com1'.");
        failure("absent ports folder", {"--ports", "/nonexistent/ports"},
                "Den Ports-Ordner '/nonexistent/ports' gibt es nicht.");
        failure("journal and none", {"--journal", "/tmp", "--no-journal"},
                "--journal und --no-journal schließen einander aus.");
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        const StartOptions options = StartUp::parseCommandLine(QStringList{"brelox"} + arguments);
        QTEST(int(options.action), "action");
        QTEST(options.exitCode, "exitCode");
        QTEST(options.text, "text");
        QCOMPARE(options.portsFolder, QString());
    }

    void helpNamesEveryOption()
    {
        const StartOptions options =
            StartUp::parseCommandLine({QStringLiteral("brelox"), QStringLiteral("-h")});
        QCOMPARE(int(options.action), int(StartOptions::Action::Print));
        QCOMPARE(options.exitCode, 0);
        for (const char* option : {"-h, --help", "-v, --version", "--ports <ordner>", "--journal <ordner>",
                                   "--no-journal", "~/.local/state/brelox/journal/", "--replay DATEI"})
            QVERIFY2(options.text.contains(QLatin1String(option)), option);
        QVERIFY2(!options.text.contains(QLatin1String("platform")), "Qt's own options stay out of the help");
    }

    void portsFolderIsMadeAbsolute()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("ports")));
        const QString before = QDir::currentPath();
        QDir::setCurrent(dir.path());
        const StartOptions options = StartUp::parseCommandLine(
            {QStringLiteral("brelox"), QStringLiteral("--ports"), QStringLiteral("ports")});
        QDir::setCurrent(before);
        QCOMPARE(int(options.action), int(StartOptions::Action::Run));
        QCOMPARE(options.portsFolder, QDir(dir.path()).filePath(QStringLiteral("ports")));
    }

    void qtTextsInGerman()
    {
        QTranslator translator;
        if (!StartUp::loadQtGermanTexts(translator))
            QSKIP("Qt's German translation (qt6-translations-l10n) is not installed");
        QCOMPARE(translator.translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
        QCOMPARE(translator.translate("QLineEdit", "&Undo"), QStringLiteral("&Rückgängig"));
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "test_engine.moc"
