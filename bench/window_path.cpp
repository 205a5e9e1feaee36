// SPDX-License-Identifier: GPL-3.0-or-later
// The whole window path on real serial ports: Tag Heuer records written to the far end of a
// pseudo-terminal linked as COM 1 go through the receive event, the conversion, the monitors, the log and
// the output text, and out of COM 2, whose far end this program reads. Reports throughput (lines a second,
// with every line checked), the delay from a record's CR to its output line's CR at line-rate pacing
// (115200 baud), and how long a click waits while a full-rate stream is running. The window runs in a real
// event loop, which sleeps until something arrives, as in the program. Beside the window's delay it prints
// that of a plain line-by-line copier between two other pseudo-terminals, fed the same records at the same
// moments.
//
// The race journal is kept as in the program (into a temporary folder); --no-journal runs without it.
//
// Usage: bench_window_path [--no-journal] [records for the throughput run, default 100000]

#include "InvokeSlot.h"
#include "PtyPair.h"
#include "RecordingPresenter.h"
#include "app/MainForm.h"
#include "core/Clock.h"
#include "engine/Journal.h"
#include "ports/QtSerialPortService.h"

#include <QApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Writes all bytes at the far end of a pseudo-terminal, waiting while its buffer is full.
void writeAll(const PtyPair& pty, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(pty.farFd(), bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else {
            pollfd pfd{pty.farFd(), POLLOUT, 0};
            ::poll(&pfd, 1, 50);
        }
    }
}

QByteArray record(int i)
{
    const int hundredths = i % 360000;
    return QStringLiteral("..L0\t%1\t00:%2:%3.%4\r")
        .arg(i % 1000, 4, 10, QLatin1Char(' '))
        .arg(hundredths / 6000 % 60, 2, 10, QLatin1Char('0'))
        .arg(hundredths / 100 % 60, 2, 10, QLatin1Char('0'))
        .arg(hundredths % 100, 2, 10, QLatin1Char('0'))
        .toLatin1();
}

QByteArray expectedLine(int i)
{
    const QByteArray r = record(i);
    return QStringLiteral("%1.    %2   \r")
        .arg(i % 1000, 3, 10, QLatin1Char('0'))
        .arg(QString::fromLatin1(r.mid(10, 11)))
        .toLatin1();
}

// Reads the far end of the output port until `lines` CRs arrived (or the deadline passed); stamps each CR.
// `progress`, when given, follows the number of lines read, for a writer that must not run too far ahead.
void readLines(int fd, int lines, std::vector<Clock::time_point>& stamps, QByteArray& all,
               Clock::time_point deadline, std::atomic<int>* progress = nullptr)
{
    char buffer[4096];
    while (int(stamps.size()) < lines && Clock::now() < deadline) {
        pollfd pfd{fd, POLLIN, 0};
        if (::poll(&pfd, 1, 20) <= 0)
            continue;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            continue;
        const auto now = Clock::now();
        all.append(buffer, int(n));
        for (ssize_t k = 0; k < n; ++k)
            if (buffer[k] == '\r')
                stamps.push_back(now);
        if (progress)
            progress->store(int(stamps.size()));
    }
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// Runs the event loop, sleeping while there is nothing to do, until another thread calls finish().
class EventLoopUntil
{
public:
    void run() { m_loop.exec(); }
    void finish()
    {
        QMetaObject::invokeMethod(
            &m_loop, [this] { m_loop.quit(); }, Qt::QueuedConnection);
    }

private:
    QEventLoop m_loop;
};

// Records a second at 115200 baud (10 bits a character) for records as long as the ones sent here.
double recordRate()
{
    return 115200.0 / 10.0 / double(record(0).size());
}

// Sends `count` records paced like a 115200-baud line, each at the same moment to the far end of every
// input in `ins`, and stamps each CR that comes out of the matching output in `outs`. `wait` is given a
// function that returns once all records are sent and their lines read; it runs that function and whatever
// must run meanwhile (the window's event loop). Returns the delays in milliseconds, one list per path.
std::vector<std::vector<double>>
pacedDelays(const std::vector<const PtyPair*>& ins, const std::vector<const PtyPair*>& outs, int count,
            int first, const std::function<void(const std::function<void()>& done)>& wait)
{
    std::vector<Clock::time_point> sent(static_cast<size_t>(count));
    std::vector<std::vector<Clock::time_point>> stamps(outs.size());
    std::vector<QByteArray> got(outs.size());
    std::vector<std::thread> readers;
    for (size_t k = 0; k < outs.size(); ++k)
        readers.emplace_back([&, k] {
            readLines(outs[k]->farFd(), count, stamps[k], got[k], Clock::now() + std::chrono::seconds(60));
        });
    std::thread writer([&] {
        auto slot = Clock::now();
        for (int i = 0; i < count; ++i) {
            const QByteArray r = record(first + i);
            std::this_thread::sleep_until(slot);
            for (const PtyPair* in : ins)
                writeAll(*in, r);
            sent[size_t(i)] = Clock::now();
            slot += std::chrono::microseconds(r.size() * 1000000 / 11520);
        }
    });
    wait([&] {
        for (std::thread& reader : readers)
            reader.join();
        writer.join();
    });
    std::vector<std::vector<double>> delays(outs.size());
    for (size_t k = 0; k < outs.size(); ++k)
        for (size_t i = 0; i < stamps[k].size() && i < sent.size(); ++i)
            delays[k].push_back(ms(stamps[k][i] - sent[i]));
    return delays;
}

// A line-by-line copier as a small C program would write it: blocking reads from one pseudo-terminal,
// every complete line written to the other at once.
class Copier
{
public:
    Copier(const PtyPair& from, const PtyPair& to)
        : m_in(::open(from.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY)),
          m_out(::open(to.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY)),
          m_thread([this] { run(); })
    {
    }
    ~Copier()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_in);
        ::close(m_out);
    }

private:
    void run()
    {
        char buffer[4096];
        std::vector<char> line;
        while (!m_stop) {
            pollfd pfd{m_in, POLLIN, 0};
            if (::poll(&pfd, 1, 50) <= 0)
                continue;
            const ssize_t n = ::read(m_in, buffer, sizeof buffer);
            for (ssize_t k = 0; k < n; ++k) {
                line.push_back(buffer[k]);
                if (buffer[k] == '\r') {
                    if (::write(m_out, line.data(), line.size()) < 0)
                        return;
                    line.clear();
                }
            }
        }
    }

    int m_in;
    int m_out;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

double median(std::vector<double> v)
{
    return percentile(std::move(v), 0.5);
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool journaled = !(argc > 1 && qstrcmp(argv[1], "--no-journal") == 0);
    const int throughputRecords = argc > 2 - journaled ? std::atoi(argv[argc - 1]) : 100000;

    QTemporaryDir dir;
    PtyPair in(dir.path(), 1);
    PtyPair out(dir.path(), 2);
    QtSerialPortService input{ComPortMap(dir.path())};
    QtSerialPortService output{ComPortMap(dir.path())};
    SystemWallClock wallClock;
    SystemMonotonicClock monotonicClock;
    RecordingPresenter boxes;
    Journal journal(monotonicClock, wallClock);
    if (journaled)
        journal.open(dir.filePath(QStringLiteral("journal")), QDateTime::currentDateTime(),
                     QStringLiteral("bench"));
    MainForm window(input, output, wallClock, monotonicClock, boxes, SleepInhibitor::none(),
                    journaled ? &journal : nullptr);
    window.show();
    invokeSlot(&window, "OpenInput_Click");
    invokeSlot(&window, "OpenOutput_Click");
    if (!window.engine().form().InPortOpen || !window.engine().form().OutPortOpen) {
        std::fprintf(stderr, "could not open the pseudo-terminals\n");
        return 1;
    }
    auto* clearIn = window.findChild<QPushButton*>(QStringLiteral("ClearIn"));
    int next = 0; // record numbers keep counting across runs, so that no line repeats the one before

    // Throughput: the far end writes as fast as the pseudo-terminal takes it; clicks are posted meanwhile.
    std::vector<double> rates;
    std::vector<double> clickWaits;
    bool allArrived = true;
    for (int run = 0; run < 3; ++run) {
        QByteArray stream;
        QByteArray expected;
        for (int i = 0; i < throughputRecords; ++i, ++next) {
            stream += record(next);
            expected += expectedLine(next);
        }
        std::vector<Clock::time_point> stamps;
        QByteArray got;
        std::atomic<bool> done{false};
        std::atomic<int> linesRead{0};
        EventLoopUntil loop;
        const auto start = Clock::now();
        // As fast as the window takes them, but never more than InFlight records ahead of the board: a board
        // that reads more slowly than records come gets the newest lines and loses older ones by design.
        std::thread writer([&] {
            constexpr int InFlight = 2000;
            constexpr int Block = 100;
            const qsizetype recordSize = record(0).size();
            for (int sent = 0; sent < throughputRecords && !done; sent += Block) {
                while (sent - linesRead.load() > InFlight && !done)
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
                const int n = std::min(Block, throughputRecords - sent);
                writeAll(in, stream.mid(sent * recordSize, n * recordSize));
            }
        });
        std::thread reader([&] {
            readLines(out.farFd(), throughputRecords, stamps, got, start + std::chrono::seconds(60),
                      &linesRead);
            done = true;
            loop.finish();
        });
        std::thread clicker([&] {
            while (!done) {
                const auto posted = Clock::now();
                QMetaObject::invokeMethod(
                    clearIn,
                    [&, posted] {
                        QTest::mouseClick(clearIn, Qt::LeftButton);
                        clickWaits.push_back(ms(Clock::now() - posted));
                    },
                    Qt::QueuedConnection);
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        });
        loop.run();
        writer.join();
        reader.join();
        clicker.join();
        QCoreApplication::processEvents();
        const double seconds = ms(stamps.empty() ? Clock::duration{} : stamps.back() - start) / 1000.0;
        rates.push_back(seconds > 0 ? throughputRecords / seconds : 0);
        if (got != expected) {
            allArrived = false;
            qsizetype at = 0;
            while (at < got.size() && at < expected.size() && got[at] == expected[at])
                ++at;
            std::fprintf(stderr, "run %d: %lld of %lld bytes, first difference at %lld\nlog:\n%s\n", run,
                         qint64(got.size()), qint64(expected.size()), qint64(at),
                         qPrintable(window.engine().form().texts.Text1.left(600)));
        }
    }

    // Delay at line rate: one record at a time, paced like a 115200-baud line, written at the same moment
    // to the window's input and to a copier between two other pseudo-terminals, so that both see the same
    // load from elsewhere on the machine. In rounds, whose medians leave out a round spoilt by a burst.
    PtyPair copyIn(dir.path(), 3);
    PtyPair copyOut(dir.path(), 4);
    const int latencyRecords = 300;
    const int rounds = 11;
    std::vector<double> windowMedians, windowP99s, copierMedians, copierP99s;
    size_t windowLines = 0;
    {
        Copier copier(copyIn, copyOut);
        for (int round = 0; round < rounds; ++round) {
            EventLoopUntil loop;
            const auto delays = pacedDelays({&in, &copyIn}, {&out, &copyOut}, latencyRecords, next,
                                            [&](const std::function<void()>& done) {
                                                std::thread joiner([&] {
                                                    done();
                                                    loop.finish();
                                                });
                                                loop.run();
                                                joiner.join();
                                            });
            next += latencyRecords;
            windowLines += delays[0].size();
            windowMedians.push_back(median(delays[0]));
            windowP99s.push_back(percentile(delays[0], 0.99));
            copierMedians.push_back(median(delays[1]));
            copierP99s.push_back(percentile(delays[1], 0.99));
        }
    }

    std::sort(rates.begin(), rates.end());
    std::printf("Window path over pseudo-terminals, mode TAG -> Alge, %d records a run, 3 runs, journal %s\n",
                throughputRecords, journaled ? "on" : "off");
    std::printf(
        "  throughput        median %.0f lines/s (min %.0f, max %.0f); every line arrived intact: %s\n",
        rates[1], rates[0], rates[2], allArrived ? "yes" : "NO");
    std::printf("  ratio to the 115200-baud record rate (%.0f records/s of %lld bytes): %.1fx\n",
                recordRate(), qint64(record(0).size()), rates[1] / recordRate());
    std::printf("  CR-to-CR delay at line rate, %d rounds of %d lines (medians over the rounds):\n", rounds,
                latencyRecords);
    std::printf("    window  median %.3f ms, p99 %.3f ms (%zu of %d lines arrived)\n", median(windowMedians),
                median(windowP99s), windowLines, rounds * latencyRecords);
    std::printf("    copier  median %.3f ms, p99 %.3f ms\n", median(copierMedians), median(copierP99s));
    std::printf("    window / copier: median %.1fx, p99 %.1fx\n",
                median(windowMedians) / median(copierMedians), median(windowP99s) / median(copierP99s));
    std::printf("  click answered during the full-rate stream (%zu clicks): median %.1f ms, max %.1f ms\n",
                clickWaits.size(), percentile(clickWaits, 0.5), percentile(clickWaits, 1.0));
    return allArrived && int(windowLines) == rounds * latencyRecords ? 0 : 1;
}
