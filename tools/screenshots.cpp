// Writes PNG pictures of the main window and the information dialog as they look right after start-up, and
// of the main window with a countdown running.
// Usage: brelox_screenshots [output folder]   (run with QT_QPA_PLATFORM=offscreen where there is no display)

#include "FakeClocks.h"
#include "FakeSerialPort.h"
#include "RecordingPresenter.h"
#include "app/FrmMessage.h"
#include "app/MainForm.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots-out");
    QDir().mkpath(folder);

    FakeSerialPort input;
    FakeSerialPort output;
    input.existing = {1, 3};
    output.existing = {1, 3};
    FakeWallClock wallClock;
    FakeMonotonicClock monotonicClock;
    RecordingPresenter boxes;

    MainForm window(input, output, wallClock, monotonicClock, boxes);
    window.show();
    window.abbout_Click();
    QApplication::processEvents();
    window.refreshViews();
    QApplication::processEvents();

    const QString mainPath = QDir(folder).filePath(QStringLiteral("main-window.png"));
    const QString dialogPath = QDir(folder).filePath(QStringLiteral("info-dialog.png"));
    bool ok = window.grab().save(mainPath) && window.infoDialog()->grab().save(dialogPath);

    // The countdown shows the controls that the start-up mode hides.
    window.Timer_Click();
    window.Start_Click();
    monotonicClock.advance(12300);
    window.Timer1_Timer();
    window.refreshViews();
    QApplication::processEvents();
    const QString timerPath = QDir(folder).filePath(QStringLiteral("main-window-countdown.png"));
    ok = ok && window.grab().save(timerPath);
    std::printf("%s\n%s\n%s\n", qPrintable(mainPath), qPrintable(dialogPath), qPrintable(timerPath));
    return ok ? 0 : 1;
}
