// SPDX-License-Identifier: GPL-3.0-or-later
#include "Version.h"
#include "engine/StartUp.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

// The start-up rules without a window: what the command line asks for, and Qt's German texts.
class TestStartUp : public QObject
{
    Q_OBJECT
private slots:
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

QTEST_GUILESS_MAIN(TestStartUp)
#include "test_start_up.moc"
