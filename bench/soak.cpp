// SPDX-License-Identifier: GPL-3.0-or-later
// Soak: the whole window path on pseudo-terminals (COM 1 in, COM 2 out) under a long stream.
//
// Records: distinct Tag Heuer L0 records go in as fast as the pseudo-terminal takes them, at most 1,500 lines
// ahead of the board; every output line is checked as it arrives. Prints lines in and out (they must be
// equal), lines a second, and the resident memory after 10,000 lines and at the end (goal: the end within
// 10 % of the first figure).
//
// Random: in each conversion mode, random bytes of every value, then a marker line and valid records that
// must convert exactly. Message boxes ("Format kontrollieren" for unreadable R records) close at once and are
// counted.
//
// Usage: bench_soak [--records N (default 1000000)] [--random-mb M (default 5)] [--after N (default 10000)]

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
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <poll.h>
#include <random>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Writes all bytes at the far end of a pseudo-terminal, waiting while its buffer is full.
void writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else {
            pollfd pfd{fd, POLLOUT, 0};
            ::poll(&pfd, 1, 50);
        }
    }
}

// The i-th record: a start number and a time that no other record of the run has.
QByteArray record(qint64 i)
{
    char text[64];
    std::snprintf(text, sizeof text, "..L0\t%4d\t%02d:%02d:%02d.%02d\r", int(i % 1000), int(i / 360000 % 100),
                  int(i / 6000 % 60), int(i / 100 % 60), int(i % 100));
    return QByteArray(text);
}

// Its line on the board in mode TAG -> Alge.
QByteArray boardLine(qint64 i)
{
    char text[64];
    std::snprintf(text, sizeof text, "%03d.    %02d:%02d:%02d.%02d   \r", int(i % 1000),
                  int(i / 360000 % 100), int(i / 6000 % 60), int(i / 100 % 60), int(i % 100));
    return QByteArray(text);
}

// Its line on the board in mode Input = Output: the record as it came, padded to 22 characters.
QByteArray passedOn(qint64 i)
{
    QByteArray line = record(i);
    line.chop(1);
    return line.leftJustified(22, ' ') + '\r';
}

double residentMB()
{
    long pages = 0;
    long resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / 1e6;
}

// Lines the board has read so far, for a writer that must not run too far ahead.
std::atomic<qint64> boardLines{0};

// Writes at the far end of the input port as fast as it takes the bytes, but never more than 1,500 lines
// ahead of the lines the board has read (some 34 KiB of board lines, well within what the output queue and
// the pseudo-terminal hold), giving up the wait after half a second for input lines that make no board
// line. Counted in lines, not bytes: a board line (23 bytes) is longer than its record (22), so a count of
// bytes would let the writer drift ahead by a line every 22 lines until the output queue overflowed and
// dropped the oldest lines, as it must for a board that reads more slowly than lines come.
void writeAhead(int fd, const QByteArray& bytes)
{
    constexpr qint64 Ahead = 1500;
    constexpr qsizetype Chunk = 4096;
    static qint64 lines = 0;
    for (qsizetype at = 0; at < bytes.size(); at += Chunk) {
        const auto giveUp = Clock::now() + std::chrono::milliseconds(500);
        while (lines - boardLines.load() > Ahead && Clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        const QByteArray chunk = bytes.mid(at, Chunk);
        writeAll(fd, chunk);
        lines += chunk.count('\r');
    }
}

// Reads the far end of the output port and hands every complete line (with its CR) to `onLine` until it
// returns false or the deadline passes.
void readLines(int fd, const std::function<bool(const QByteArray&)>& onLine, Clock::time_point deadline)
{
    char buffer[65536];
    QByteArray partial;
    while (Clock::now() < deadline) {
        pollfd pfd{fd, POLLIN, 0};
        if (::poll(&pfd, 1, 20) <= 0)
            continue;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            continue;
        qsizetype from = 0;
        for (ssize_t k = 0; k < n; ++k) {
            if (buffer[k] != '\r')
                continue;
            partial.append(buffer + from, qsizetype(k - from + 1));
            from = k + 1;
            ++boardLines;
            if (!onLine(partial))
                return;
            partial.clear();
        }
        partial.append(buffer + from, qsizetype(n - from));
    }
}

// Runs the window's event loop while `work` runs on a thread of its own.
void whileLooping(const std::function<void()>& work)
{
    QEventLoop loop;
    std::thread worker([&] {
        work();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
}

struct Options
{
    qint64 records = 1000000;
    qint64 randomMB = 5;
    qint64 firstMeasure = 10000;
    bool journal = true; // --journal 0 runs without the race journal
};

Options parseOptions(int argc, char* argv[])
{
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const qint64 value = std::atoll(argv[i + 1]);
        if (std::strcmp(argv[i], "--records") == 0)
            o.records = value;
        else if (std::strcmp(argv[i], "--random-mb") == 0)
            o.randomMB = value;
        else if (std::strcmp(argv[i], "--after") == 0)
            o.firstMeasure = value;
        else if (std::strcmp(argv[i], "--journal") == 0)
            o.journal = value != 0;
    }
    return o;
}

// The journal in the run's folder, started, or none.
Journal* started(Journal& journal, bool on, const QTemporaryDir& dir)
{
    if (!on)
        return nullptr;
    journal.open(dir.filePath(QStringLiteral("journal")), QDateTime::currentDateTime(),
                 QStringLiteral("bench"));
    return &journal;
}

struct Window
{
    explicit Window(bool journaled)
        : in(dir.path(), 1),
          out(dir.path(), 2), input{ComPortMap(dir.path())}, output{ComPortMap(dir.path())},
          window(input, output, wallClock, monotonicClock, boxes, SleepInhibitor::none(),
                 started(journal, journaled, dir))
    {
        window.show();
        invokeSlot(&window, "OpenInput_Click");
        invokeSlot(&window, "OpenOutput_Click");
    }
    bool open() { return window.engine().form().InPortOpen && window.engine().form().OutPortOpen; }
    int formatBoxes() const
    {
        int n = 0;
        for (const ModalMessage& m : boxes.shown)
            n += m.title == QStringLiteral("Format kontrollieren");
        return n;
    }

    QTemporaryDir dir;
    PtyPair in;
    PtyPair out;
    QtSerialPortService input;
    QtSerialPortService output;
    SystemWallClock wallClock;
    SystemMonotonicClock monotonicClock;
    RecordingPresenter boxes; // closes every box at once
    Journal journal{monotonicClock, wallClock};
    MainForm window;
};

// Distinct records through the window; true when every line arrived as it should and memory stayed flat.
bool soakRecords(Window& w, const Options& o)
{
    std::atomic<qint64> linesOut{0};
    qint64 wrong = 0;
    double firstMB = 0;
    std::vector<std::pair<qint64, double>> trail; // resident memory at every tenth of the run
    double lastMB = 0;
    Clock::time_point start;
    Clock::time_point end;
    whileLooping([&] {
        start = Clock::now();
        std::thread writer([&] {
            const qint64 batch = 1000;
            for (qint64 i = 0; i < o.records; i += batch) {
                QByteArray bytes;
                for (qint64 k = i; k < std::min(o.records, i + batch); ++k)
                    bytes += record(k);
                writeAhead(w.in.farFd(), bytes);
            }
        });
        const auto deadline = start + std::chrono::seconds(60 + o.records / 5000);
        readLines(
            w.out.farFd(),
            [&](const QByteArray& line) {
                const qint64 i = linesOut++;
                wrong += line != boardLine(i);
                if (i + 1 == o.firstMeasure)
                    firstMB = residentMB();
                if ((i + 1) % std::max<qint64>(1, o.records / 10) == 0)
                    trail.emplace_back(i + 1, residentMB());
                return i + 1 < o.records;
            },
            deadline);
        end = Clock::now();
        lastMB = residentMB();
        writer.join();
    });
    const double seconds = std::chrono::duration<double>(end - start).count();
    const double growth = firstMB > 0 ? (lastMB / firstMB - 1) * 100 : 0;
    std::printf("Soak, distinct L0 records in mode TAG -> Alge over pseudo-terminals\n");
    std::printf("  lines in %lld, lines out %lld, wrong lines %lld\n", o.records, qint64(linesOut), wrong);
    std::printf("  %.0f lines/s (%.1f s)\n", seconds > 0 ? double(linesOut) / seconds : 0, seconds);
    std::printf("  resident memory after %lld lines %.1f MB, after %lld lines %.1f MB: %+.1f %% (goal within "
                "10 %%)\n",
                o.firstMeasure, firstMB, qint64(linesOut), lastMB, growth);
    std::printf("  resident memory along the run:");
    for (const auto& [lines, mb] : trail)
        std::printf(" %lld: %.1f MB%s", lines, mb, lines == trail.back().first ? "\n" : ",");
    return linesOut == o.records && wrong == 0 && growth <= 10;
}

// Random bytes in one conversion mode, then valid records that must convert exactly.
bool soakRandom(Window& w, const Options& o, bool tagAlge, quint32 seed)
{
    if (tagAlge)
        invokeSlot(&w.window, "TagAlge_Click");
    else
        invokeSlot(&w.window, "in_out_Click");
    const int boxesBefore = w.formatBoxes();

    std::mt19937 random(seed);
    QByteArray noise(qsizetype(o.randomMB * 1000000), Qt::Uninitialized);
    for (char& c : noise)
        c = char(random() & 0xFF);
    const QByteArray marker = "SOAK-MARKER\r";
    const QByteArray markerLine = "SOAK-MARKER           \r";
    const qint64 records = 10000;

    qint64 noiseLines = 0;
    qint64 recordLines = 0;
    qint64 wrong = 0;
    bool markerSeen = false;
    whileLooping([&] {
        std::thread writer([&] {
            writeAhead(w.in.farFd(), noise + '\r' + marker);
            QByteArray bytes;
            for (qint64 i = 0; i < records; ++i)
                bytes += record(1000000 + i);
            writeAhead(w.in.farFd(), bytes);
        });
        readLines(
            w.out.farFd(),
            [&](const QByteArray& line) {
                if (!markerSeen) {
                    markerSeen = line == markerLine;
                    noiseLines += !markerSeen;
                    return true;
                }
                const qint64 i = 1000000 + recordLines;
                wrong += line != (tagAlge ? boardLine(i) : passedOn(i));
                return ++recordLines < records;
            },
            Clock::now() + std::chrono::seconds(120));
        writer.join();
    });
    std::printf(
        "Random bytes in mode %s: %lld MB of all byte values gave %lld output lines and %d "
        "\"Format kontrollieren\" boxes (closed at once); then %lld of %lld records out, %lld wrong\n",
        tagAlge ? "TAG -> Alge" : "Input = Output", o.randomMB, noiseLines, w.formatBoxes() - boxesBefore,
        recordLines, records, wrong);
    if (!markerSeen || recordLines != records) {
        const FormModel& form = w.window.engine().form();
        std::fprintf(stderr, "stalled: %d boxes, input buffer %lld characters, output text %lld, log:\n%s\n",
                     int(w.boxes.shown.size()), qint64(form.texts.Text3.size()),
                     qint64(form.texts.Text5.size()), qPrintable(form.texts.Text1.left(600)));
    }
    return markerSeen && recordLines == records && wrong == 0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Options options = parseOptions(argc, argv);

    std::printf("Race journal: %s\n", options.journal ? "on" : "off (--journal 0)");
    Window w(options.journal);
    if (!w.open()) {
        std::fprintf(stderr, "could not open the pseudo-terminals\n");
        return 1;
    }
    bool ok = true;
    if (options.records > 0)
        ok = soakRecords(w, options) && ok;
    if (options.randomMB > 0) {
        ok = soakRandom(w, options, false, 1) && ok;
        ok = soakRandom(w, options, true, 2) && ok;
    }
    // The log, newest first: a port that was taken for lost would show here.
    const QStringList log = w.window.engine().form().texts.Text1.split(QStringLiteral("\r\n"));
    const auto count = [&](const char* text) {
        return qint64(std::count_if(log.begin(), log.end(), [&](const QString& line) {
            return line.contains(QString::fromUtf8(text));
        }));
    };
    std::printf(
        "Log: %lld \"Verbindung unterbrochen\", %lld \"wieder verbunden\", %lld \"Ausgang überlastet\"; "
        "newest first (%lld lines):\n",
        count("Verbindung unterbrochen"), count("wieder verbunden"), count("Ausgang überlastet"),
        qint64(log.size()));
    for (const QString& line : log.mid(0, 12))
        std::printf("  %s\n", qPrintable(line));
    return ok ? 0 : 1;
}
