// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/StartUp.h"

#include "Version.h"
#include "engine/Journal.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

namespace StartUp {

QString versionText()
{
    return QStringLiteral("Brelox ") + QLatin1String(Version::Release);
}

StartOptions parseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Zeiten eines Zeitmessgeräts auf der Anzeigetafel ALGE GAZ4.\n"
                       "Ohne Optionen gelten die Ports aus ~/.config/brelox/ports/ oder die feste Tabelle.\n"
                       "Jeder Lauf wird als Protokoll in ~/.local/state/brelox/journal/ festgehalten\n"
                       "($XDG_STATE_HOME/brelox/journal/); brelox-device-simulator --replay DATEI spielt\n"
                       "die empfangenen Daten eines Protokolls mit ihrem Zeitablauf wieder ab."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Zeigt diese Hilfe und endet."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Zeigt die Version und endet."));
    const QCommandLineOption ports(
        QStringLiteral("ports"),
        QStringLiteral("Ports-Ordner für diesen Lauf: ein Link comN darin nennt das Gerät von COM N."),
        QStringLiteral("ordner"));
    const QCommandLineOption journal(QStringLiteral("journal"),
                                     QStringLiteral("Ordner für das Protokoll dieses Laufs."),
                                     QStringLiteral("ordner"));
    const QCommandLineOption noJournal(QStringLiteral("no-journal"),
                                       QStringLiteral("Führt für diesen Lauf kein Protokoll."));
    parser.addOptions({help, version, ports, journal, noJournal});
    // Qt's own window options (-platform xcb, -style fusion, ...) are left to the application object.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                             "qwindowicon", "qwindowtitle", "session", "style", "stylesheet", "display",
                             "geometry", "name", "title", "icon", "visual"}) {
        QCommandLineOption qtOption(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qtOption);
    }
    for (const char* name : {"reverse", "widgetcount", "sync", "nograb", "dograb"}) {
        QCommandLineOption qtOption(QString::fromLatin1(name));
        qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qtOption);
    }

    StartOptions result;
    const QString program = QStringLiteral("brelox");
    auto fail = [&](const QString& reason) {
        result.action = StartOptions::Action::Fail;
        result.exitCode = 2;
        result.text = QStringLiteral("%1: %2\n%1 --help zeigt die Optionen.\n").arg(program, reason);
        return result;
    };

    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("Unerwartetes Argument '%1'.").arg(parser.positionalArguments().first()));

    if (parser.isSet(help)) {
        result.action = StartOptions::Action::Print;
        result.text = parser.helpText();
        return result;
    }
    if (parser.isSet(version)) {
        result.action = StartOptions::Action::Print;
        result.text = versionText() + QLatin1Char('\n');
        return result;
    }
    if (parser.isSet(ports)) {
        const QFileInfo folder(parser.value(ports));
        if (!folder.isDir())
            return fail(QStringLiteral("Den Ports-Ordner '%1' gibt es nicht.").arg(parser.value(ports)));
        result.portsFolder = folder.absoluteFilePath();
    }
    if (parser.isSet(journal) && parser.isSet(noJournal))
        return fail(QStringLiteral("--journal und --no-journal schließen einander aus."));
    result.journal = !parser.isSet(noJournal);
    // A folder that cannot be used is reported in the log, like any other fault of the journal.
    result.journalFolder = parser.isSet(journal) ? QFileInfo(parser.value(journal)).absoluteFilePath()
                                                 : Journal::defaultFolder();
    return result;
}

bool loadQtGermanTexts(QTranslator& translator)
{
    return translator.load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

} // namespace StartUp
