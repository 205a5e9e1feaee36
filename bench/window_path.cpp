// The whole window path on real serial ports: Tag Heuer records written to the far end of a
// pseudo-terminal linked as COM 1 go through the receive event, the conversion, the monitors, the log and
// the output text, and out of COM 2, whose far end this program reads. Reports throughput (lines a second,
// with every line checked), the delay from a record's CR to its output line's CR at line-rate pacing
// (115200 baud), and how long a click waits while a full-rate stream is running.
//
// Usage: bench_window_path [records for the throughput run, default 100000]

#include "PtyPair.h"
#include "RecordingPresenter.h"
#include "app/MainForm.h"
#include "core/Clock.h"
#include "ports/QtSerialPortService.h"

#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
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
void readLines(int fd, int lines, std::vector<Clock::time_point>& stamps, QByteArray& all,
               Clock::time_point deadline)
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

// Runs the event loop until `done` is set.
void runUntil(const std::atomic<bool>& done)
{
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int throughputRecords = argc > 1 ? std::atoi(argv[1]) : 100000;

    QTemporaryDir dir;
    PtyPair in(dir.path(), 1);
    PtyPair out(dir.path(), 2);
    QtSerialPortService input{ComPortMap(dir.path())};
    QtSerialPortService output{ComPortMap(dir.path())};
    SystemWallClock wallClock;
    SystemMonotonicClock monotonicClock;
    RecordingPresenter boxes;
    MainForm window(input, output, wallClock, monotonicClock, boxes);
    window.show();
    window.OpenInput_Click();
    window.OpenOutput_Click();
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
        const auto start = Clock::now();
        std::thread writer([&] { writeAll(in, stream); });
        std::thread reader([&] {
            readLines(out.farFd(), throughputRecords, stamps, got, start + std::chrono::seconds(60));
            done = true;
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
        runUntil(done);
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

    // Latency at line rate: one record at a time, paced like a 115200-baud line (10 bits a character).
    const int latencyRecords = 2000;
    std::vector<Clock::time_point> sent(latencyRecords);
    std::vector<Clock::time_point> stamps;
    QByteArray got;
    std::atomic<bool> done{false};
    std::thread reader([&] {
        readLines(out.farFd(), latencyRecords, stamps, got, Clock::now() + std::chrono::seconds(60));
        done = true;
    });
    const int firstLatency = next;
    std::thread writer([&] {
        auto slot = Clock::now();
        for (int i = 0; i < latencyRecords; ++i) {
            const QByteArray r = record(firstLatency + i);
            std::this_thread::sleep_until(slot);
            writeAll(in, r);
            sent[size_t(i)] = Clock::now();
            slot += std::chrono::microseconds(r.size() * 1000000 / 11520);
        }
    });
    runUntil(done);
    writer.join();
    reader.join();
    std::vector<double> delays;
    for (size_t i = 0; i < stamps.size() && i < sent.size(); ++i)
        delays.push_back(ms(stamps[i] - sent[i]));

    std::sort(rates.begin(), rates.end());
    std::printf("Window path over pseudo-terminals, mode TAG -> Alge, %d records a run, 3 runs\n",
                throughputRecords);
    std::printf(
        "  throughput        median %.0f lines/s (min %.0f, max %.0f); every line arrived intact: %s\n",
        rates[1], rates[0], rates[2], allArrived ? "yes" : "NO");
    std::printf("  ratio to the 115200-baud record rate (~460 lines/s): %.1fx\n", rates[1] / 460.0);
    std::printf("  CR-to-CR delay at line rate (%zu of %d lines): median %.3f ms, p99 %.3f ms\n",
                delays.size(), latencyRecords, percentile(delays, 0.5), percentile(delays, 0.99));
    std::printf("  click answered during the full-rate stream (%zu clicks): median %.1f ms, max %.1f ms\n",
                clickWaits.size(), percentile(clickWaits, 0.5), percentile(clickWaits, 1.0));
    return allArrived && int(delays.size()) == latencyRecords ? 0 : 1;
}
