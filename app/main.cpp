#include "app/LogindSleepInhibitor.h"
#include "app/MainForm.h"
#include "app/QtMessagePresenter.h"
#include "core/Clock.h"
#include "ports/QtSerialPortService.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brelox"));
    QApplication::setApplicationDisplayName(QString());
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/brelox_icon.svg")));

    QtSerialPortService input{ComPortMap()};
    QtSerialPortService output{ComPortMap()};
    SystemWallClock wallClock;
    SystemMonotonicClock monotonicClock;
    QtMessagePresenter boxes;
    LogindSleepInhibitor sleep;

    MainForm window(input, output, wallClock, monotonicClock, boxes, sleep);
    boxes.setParentWidget(&window);
    window.show();
    return QApplication::exec();
}
