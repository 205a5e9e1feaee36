// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

class QTranslator;

// What the command line asks Brelox to do at start-up. Needs no window: --help and --version are answered
// on the terminal before any display is opened. The journal's folder is --journal's or the user's own.
struct StartOptions
{
    enum class Action
    {
        Run,
        Print,
        Fail
    };
    Action action = Action::Run;
    // For Run: the ports folder named with --ports (absolute), or empty for the user's own.
    QString portsFolder;
    // For Run: whether the race journal is kept (not with --no-journal), and its folder (absolute).
    bool journal = true;
    QString journalFolder;
    // For Print (to standard output) and Fail (to standard error): the text to write, ending in a newline.
    QString text;
    // The exit status for Print (0) and Fail (2).
    int exitCode = 0;
};

// The rules Brelox follows when it starts, before the window exists.
namespace StartUp {

// `arguments` includes the program name first, as QCoreApplication::arguments() gives it. Needs a
// QCoreApplication (for the help text's usage line).
StartOptions parseCommandLine(const QStringList& arguments);
// "Brelox " and the release, e.g. "Brelox 1.1.0"
QString versionText();
// Loads Qt's own German texts (standard buttons, the text boxes' context menu) from Qt's translations
// folder into `translator`; false when they are not installed.
bool loadQtGermanTexts(QTranslator& translator);

} // namespace StartUp
