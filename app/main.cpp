// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/EndOnSignals.h"
#include "app/LogindSleepInhibitor.h"
#include "app/MainForm.h"
#include "app/QtMessagePresenter.h"
#include "core/Clock.h"
#include "engine/Journal.h"
#include "engine/StartUp.h"
#include "ports/QtSerialPortService.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QIcon>
#include <QTranslator>

#include <cstdio>

int main(int argc, char* argv[])
{
    // The command line is read before any display is opened, so that --help and --version answer on a
    // terminal without one.
    StartOptions options;
    {
        QCoreApplication commandLine(argc, argv);
        QTranslator qtTexts;
        if (StartUp::loadQtGermanTexts(qtTexts))
            QCoreApplication::installTranslator(&qtTexts);
        options = StartUp::parseCommandLine(QCoreApplication::arguments());
    }
    if (options.action != StartOptions::Action::Run) {
        std::fputs(options.text.toLocal8Bit().constData(),
                   options.action == StartOptions::Action::Print ? stdout : stderr);
        return options.exitCode;
    }

    // Repaints go over the X connection instead of shared memory: for a window this small that costs
    // nothing, and a running stopwatch then wakes the processor about 100 times a second instead of 300.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
    QApplication app(argc, argv);
    EndOnSignals endOnSignals; // from here on SIGTERM, SIGINT and SIGHUP end Brelox as "Datei > Ende" does
    QApplication::setApplicationName(QStringLiteral("Brelox"));
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.brelox.brelox"));
    QApplication::setApplicationDisplayName(QString());
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/brelox_icon.svg")));
    QTranslator qtTexts;
    if (StartUp::loadQtGermanTexts(qtTexts))
        QApplication::installTranslator(&qtTexts);

    // Which device is "COM n" is decided here, once for the whole run.
    const ComPortMap ports = ComPortMap::atStart(options.portsFolder);
    QtSerialPortService input{ports};
    QtSerialPortService output{ports};
    SystemWallClock wallClock;
    SystemMonotonicClock monotonicClock;
    QtMessagePresenter boxes;
    LogindSleepInhibitor sleep;

    Journal journal(monotonicClock, wallClock); // outlives the window, so it takes the exit's last lines
    if (options.journal)
        journal.open(options.journalFolder, QDateTime::currentDateTime(), StartUp::versionText());

    MainForm window(input, output, wallClock, monotonicClock, boxes, sleep,
                    options.journal ? &journal : nullptr);
    boxes.setParentWidget(&window);
    endOnSignals.setAction(window.findChild<QAction*>(QStringLiteral("Ende")));
    window.show();
    return QApplication::exec();
}
