// SPDX-License-Identifier: GPL-3.0-or-later
// What Brelox costs a laptop while it waits: CPU share and wakeups a second of the window process in five
// states (no ports; both ports open; time of day; stopwatch running; countdown running). The window runs
// in a child process with the real serial-port service on pseudo-terminals and the real clocks; the child
// clicks its way into the state with QTest and then idles in its event loop. The parent reads the child's
// CPU time from /proc/PID/stat and its voluntary context switches, summed over /proc/PID/task/*/status,
// and reads the board lines off the output port's far end as a board would.
//
// Each state is measured with the race journal off and on (the journal's writer thread is counted with the
// window's): with nothing to write, the journal must add no wakeup at all.
//
// Usage: bench_idle_cost [seconds per sample, default 5] [samples per state, default 3]
// Runs on the platform plugin of the environment (QT_QPA_PLATFORM), offscreen when none is set.

#include "PtyPair.h"
#include "app/MainForm.h"
#include "app/QtMessagePresenter.h"
#include "core/Clock.h"
#include "engine/Journal.h"
#include "ports/QtSerialPortService.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

const char* const States[] = {"no ports", "ports open", "time of day", "stopwatch running",
                              "countdown running"};

// The child: the window on the ports in `portsFolder` with a journal in `journalFolder` (none for "-"),
// clicked into `state`, then idle.
int runWindow(int argc, char* argv[], const QString& state, const QString& portsFolder,
              const QString& journalFolder)
{
    QApplication app(argc, argv);
    QtSerialPortService input{ComPortMap(portsFolder)};
    QtSerialPortService output{ComPortMap(portsFolder)};
    SystemWallClock wallClock;
    SystemMonotonicClock monotonicClock;
    QtMessagePresenter boxes;
    Journal journal(monotonicClock, wallClock);
    const bool journaled = journalFolder != QLatin1String("-");
    if (journaled)
        journal.open(journalFolder, QDateTime::currentDateTime(), QStringLiteral("bench"));
    MainForm window(input, output, wallClock, monotonicClock, boxes, SleepInhibitor::none(),
                    journaled ? &journal : nullptr);
    boxes.setParentWidget(&window);
    window.show();
    const auto click = [&window](const char* name) {
        QTest::mouseClick(window.findChild<QWidget*>(QString::fromLatin1(name)), Qt::LeftButton);
    };
    if (state != QLatin1String("no ports")) {
        click("OpenInput");
        click("OpenOutput");
    }
    if (state == QLatin1String("time of day")) {
        click("AktTime");
    } else if (state == QLatin1String("stopwatch running")) {
        click("Stopen");
        click("Start");
    } else if (state == QLatin1String("countdown running")) {
        click("Timer");
        // A preset long enough for the measurement, set in one step as a paste would.
        window.findChild<QLineEdit*>(QStringLiteral("TimerText"))->setText(QStringLiteral("10:00:00"));
        click("Start");
    }
    std::printf("ready %s %d %d\n", qPrintable(QGuiApplication::platformName()),
                window.engine().form().InPortOpen, window.engine().form().OutPortOpen);
    std::fflush(stdout);
    return QApplication::exec();
}

struct Sample
{
    double cpuSeconds = 0;
    qint64 wakeups = 0;
};

Sample sample(qint64 pid)
{
    Sample s;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        // Fields after the command name, which ends at the last ')': utime and stime are fields 14 and 15.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        s.cpuSeconds = double(fields.value(11).toLongLong() + fields.value(12).toLongLong()) /
                       double(::sysconf(_SC_CLK_TCK));
    }
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(tasks.filePath(task + QStringLiteral("/status")));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& l : status.readAll().split('\n'))
            if (l.startsWith("voluntary_ctxt_switches:"))
                s.wakeups += l.mid(l.indexOf(':') + 1).trimmed().toLongLong();
    }
    return s;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 5 && qstrcmp(argv[1], "--window") == 0)
        return runWindow(argc, argv, QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                         QString::fromLocal8Bit(argv[4]));

    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const int samples = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    QTemporaryDir dir;
    PtyPair in(dir.path(), 1);
    PtyPair out(dir.path(), 2);
    char drain[4096];

    std::printf("Idle cost of the window process, %d samples of %d s per state (medians)\n", samples,
                seconds);
    bool goalMet = true;
    for (const char* state : States) {
        for (const bool journaled : {false, true}) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--window"), QString::fromLatin1(state), dir.path(),
                         journaled ? dir.filePath(QStringLiteral("journal")) : QStringLiteral("-")});
            QByteArray ready;
            while (!ready.contains('\n') && child.waitForReadyRead(30000))
                ready += child.readAllStandardOutput();
            if (!ready.startsWith("ready")) {
                std::fprintf(stderr, "%s: the window did not start\n", state);
                return 1;
            }
            const QList<QByteArray> words = ready.trimmed().split(' ');
            const bool portsOk =
                qstrcmp(state, "no ports") == 0 || (words.value(2) == "1" && words.value(3) == "1");
            QThread::sleep(1); // let start-up settle
            std::vector<double> cpu;
            std::vector<double> wakeups;
            for (int i = 0; i < samples; ++i) {
                const Sample before = sample(child.processId());
                const auto start = std::chrono::steady_clock::now();
                for (int s = 0; s < seconds * 10; ++s) {
                    QThread::msleep(100);
                    while (::read(out.farFd(), drain, sizeof drain) > 0) {
                    }
                }
                const double wall =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                const Sample after = sample(child.processId());
                cpu.push_back(100.0 * (after.cpuSeconds - before.cpuSeconds) / wall);
                wakeups.push_back(double(after.wakeups - before.wakeups) / wall);
            }
            child.kill();
            child.waitForFinished();
            const bool running =
                qstrcmp(state, "stopwatch running") == 0 || qstrcmp(state, "countdown running") == 0;
            const bool met = !running || (median(wakeups) <= 110 && median(cpu) < 2.0);
            goalMet = goalMet && met && portsOk;
            std::printf(
                "  %-18s journal %-3s platform %-9s CPU %5.2f %%  wakeups %6.1f /s%s%s\n", state,
                journaled ? "on" : "off", words.value(1).constData(), median(cpu), median(wakeups),
                running ? (met ? "  (goal <= 110 /s, < 2 %: met)" : "  (goal <= 110 /s, < 2 %: MISSED)") : "",
                portsOk ? "" : "  PORTS DID NOT OPEN");
        }
    }
    return goalMet ? 0 : 1;
}
