// SPDX-License-Identifier: GPL-3.0-or-later
// Writes PNG pictures of the main window and the information dialog as they look right after start-up, of
// the main window with a countdown running, and of the window in TAG -> Alge beside the simulator's board
// window showing what the window sent to the board.
// Usage: brelox_screenshots [output folder]   (run with QT_QPA_PLATFORM=offscreen where there is no display)

#include "InvokeSlot.h"
#include "WindowFixture.h"
#include "app/FrmMessage.h"
#include "app/MainForm.h"
#include "simulator/BoardModel.h"
#include "simulator/BoardWindow.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QPixmap>
#include <cstdio>

// The window converting Tag Heuer records, beside the board window fed with the bytes it wrote to COM 3.
static bool windowAndBoard(const QString& folder)
{
    WindowFixture f({1, 3});
    MainForm& window = *f.window;
    window.show();
    invokeSlot(&window, "OpenInput_Click");
    invokeSlot(&window, "OpenOutput_Click");
    invokeSlot(&window, "TagAlge_Click");
    if (!f.input.isOpen() || !f.output.isOpen()) {
        std::fputs("the ports did not open\n", stderr);
        return false;
    }

    QTime arrival(10, 14, 2, 310);
    BoardModel model([&] { return arrival; });
    BoardWindow board(model);
    const QList<QByteArray> records = {"  L0\t 017\t00:01:04.87\r",
                                       "  L1\t   3\r",
                                       "  L0\t 018\t00:00:59.12\r",
                                       "  L1\t   1\r",
                                       "  R   00018   00:00:59.12\r",
                                       "  L0\t 019\t00:01:02.40\r",
                                       "  L1\t   2\r"};
    for (const QByteArray& record : records) {
        f.input.deliver(record);
        QApplication::processEvents();
        model.receive(f.output.written);
        f.output.written.clear();
        arrival = arrival.addMSecs(7310);
    }
    board.refresh();
    window.refreshViews();
    board.show();
    board.resize(board.sizeHint().width(), window.height());
    QApplication::processEvents();

    const QPixmap left = window.grab();
    const QPixmap right = board.grab();
    QPixmap both(left.width() + right.width() + 16, qMax(left.height(), right.height()));
    both.fill(Qt::white);
    QPainter painter(&both);
    painter.drawPixmap(0, 0, left);
    painter.drawPixmap(left.width() + 16, 0, right);
    painter.end();
    const QString path = QDir(folder).filePath(QStringLiteral("window-and-board.png"));
    std::printf("%s\n", qPrintable(path));
    return model.hasLine() && both.save(path);
}

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots-out");
    QDir().mkpath(folder);

    WindowFixture f({1, 3});
    MainForm& window = *f.window;
    window.show();
    invokeSlot(&window, "abbout_Click");
    QApplication::processEvents();
    window.refreshViews();
    QApplication::processEvents();

    const QString mainPath = QDir(folder).filePath(QStringLiteral("main-window.png"));
    const QString dialogPath = QDir(folder).filePath(QStringLiteral("info-dialog.png"));
    bool ok = window.grab().save(mainPath) && window.infoDialog()->grab().save(dialogPath);

    // The countdown shows the controls that the start-up mode hides.
    invokeSlot(&window, "Timer_Click");
    invokeSlot(&window, "Start_Click");
    f.monotonicClock.advance(12300);
    invokeSlot(&window, "Timer1_Timer");
    window.refreshViews();
    QApplication::processEvents();
    const QString timerPath = QDir(folder).filePath(QStringLiteral("main-window-countdown.png"));
    ok = ok && window.grab().save(timerPath);
    std::printf("%s\n%s\n%s\n", qPrintable(mainPath), qPrintable(dialogPath), qPrintable(timerPath));
    ok = ok && windowAndBoard(folder);
    return ok ? 0 : 1;
}
