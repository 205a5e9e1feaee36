// SPDX-License-Identifier: GPL-3.0-or-later
// The receive path as a stream, and the board behind the output queue. A script runs twice, its bytes cut
// into random pieces and each run of bytes in one piece: both give the same bytes out and on the board, log
// and texts. Each delivery is checked on its own; the board gets whole lines in order from a bounded queue.
//
// Input: a header byte (its low three bits the starting mode, mod 5; the rest how runs are cut), then the
// bytes to receive. A byte 0xFF starts a command: FF FF the byte 0xFF; FF '|' a piece ends here (in the cut
// run); FF '0'..'4' select mode in_out, TagAlge, AktTime, Stopen, Timer; FF 'I' / 'O' the open/close button
// of the input / output port; FF 'D' an overrun; FF 'T' n a turn of the event loop in which the board takes
// up to 4n bytes (n = 0: it stalls); FF 'F' its writes begin / stop failing; FF 'V' / 'R' it vanishes / is
// back; FF '*' n the byte before (but a CR), n*n*n/1024 times more, for long lines.

#include "EngineRig.h"
#include "FuzzChecks.h"

#include "convert/ReceivePath.h"
#include "ports/TrafficMonitor.h"

#include <algorithm>
#include <cstdint>
#include <random>
#include <tuple>
#include <vector>

namespace {

struct Step
{
    char command = 0; // 0: bytes to receive
    QByteArray bytes;
    int room = 0; // of a turn
};

std::vector<Step> parse(const uint8_t* data, size_t size)
{
    std::vector<Step> steps;
    QByteArray bytes;
    qsizetype budget = 24000; // bytes that repeats may add
    for (size_t i = 1; i < size; ++i) {
        if (data[i] != 0xFF || i + 1 == size || data[i + 1] == 0xFF) {
            bytes += char(data[i]);
            i += data[i] == 0xFF;
            continue;
        }
        const char command = char(data[++i]);
        const int n = (command == 'T' || command == '*') && i + 1 < size ? data[++i] : 0;
        if (command == '*' && !bytes.isEmpty()) {
            const qsizetype more = bytes.back() == '\r' ? 0 : std::min<qsizetype>(n * n * n / 1024, budget);
            bytes.append(more, bytes.back());
            budget -= more;
            continue;
        }
        steps.insert(steps.end(), {{0, std::exchange(bytes, QByteArray())}, {command, {}, 4 * n}});
    }
    steps.push_back({0, bytes});
    return steps;
}

struct Run
{
    Run(EngineRig& rig, const std::vector<Step>& steps, uint8_t header, bool inPieces) : rig(rig)
    {
        rig.engine.modes.select(OperatingMode(header % 8 % 5));
        std::minstd_rand random(header / 8 + 1);
        QByteArray pending;
        for (const Step& step : steps) {
            if (step.command == 0 && inPieces) {
                // Pieces of random length, at most about 20 of them, so that long runs stay quick.
                static const qsizetype longest[] = {1, 3, 16, 200, 4096, 12000};
                const qsizetype size = step.bytes.size(), least = std::max<qsizetype>(1, size / 20);
                std::uniform_int_distribution<qsizetype> cut(least, std::max(least, longest[header / 8 % 6]));
                for (qsizetype at = 0, n = 0; at < size; at += n) {
                    n = std::min(cut(random), size - at);
                    deliver(QByteArray::fromRawData(step.bytes.constData() + at, n));
                }
            } else if (step.command == 0) {
                pending += step.bytes;
            } else if (step.command != '|') {
                deliver(std::exchange(pending, QByteArray()));
                command(step);
            }
        }
        deliver(pending);
        checkOutput();
    }

    // One receive event with `bytes`, and the properties of what it did.
    void deliver(const QByteArray& bytes)
    {
        checkQueue();
        if (bytes.isEmpty() || !rig.in.isOpen()) // the port raises its receive event only while it is open
            return;
        const FormModel& form = rig.form;
        const qsizetype writtenBefore = rig.out.written.size();
        const QChar* const text5Before = form.texts.Text5.constData(); // cheaper than a copy
        const bool inOut = form.convertsInput() && form.isMode(OperatingMode::in_out);
        const QByteArray all = inOut ? form.texts.Text3.toLatin1() + bytes : QByteArray();
        QByteArray last = inOut ? rig.engine.lines.LastLine().toLatin1() : QByteArray(); // the last line
        rig.deliver(bytes);
        const QByteArrayView added = QByteArrayView(rig.out.written).sliced(writtenBefore);
        const QString& buffer = form.texts.Text3;
        check(buffer.size() <= ReceivePath::BufferLimit, "input buffer within its bound", buffer.size());
        if (!form.convertsInput())
            return check(added.isEmpty(), "nothing goes out while input is only collected");
        check(!buffer.contains(u'\r'), "only the unfinished tail stays in the buffer");
        check(added.count('\r') <= bytes.count('\r'), "each input line gives at most one output line");
        // A line processed (put on top of the output text, it moves its start) trims the log; only this
        // event's own messages may follow.
        check(form.texts.Text5.constData() == text5Before ||
                  form.texts.Text1.size() <= TrafficMonitor::TextLimit + 200,
              "log trimmed", form.texts.Text1.size());
        if (!inOut)
            return;
        // Mode in_out passes each line on as it came (its last BufferLimit characters), padded to 22, repeats
        // of the line before left out; a board that went away unnoticed takes the first lines, then none.
        QByteArray expected;
        qsizetype start = 0;
        for (qsizetype cr = 0; (cr = all.indexOf('\r', start)) >= 0; start = cr + 1) {
            const qsizetype size = std::min<qsizetype>(cr - start, ReceivePath::BufferLimit);
            const QByteArrayView line = QByteArrayView(all).sliced(cr - size, size);
            if (line != last && rig.form.OutPortOpen)
                expected.append(line).append(std::max<qsizetype>(0, 22 - size), ' ').append('\r');
            if (line != last)
                last.replace(0, last.size(), line.first(std::min<qsizetype>(size, 20))).resize(20, ' ');
        }
        check(rig.out.board.gone ? QByteArrayView(expected).startsWith(added) : added == expected,
              "in_out passes each line on as received (its last 10000 characters), padded to 22", added);
        check(buffer == QLatin1String(all.mid(start).right(ReceivePath::BufferLimit)), "the tail is kept");
    }

    void command(const Step& step)
    {
        if (step.command >= '0' && step.command <= '4')
            rig.engine.modes.select(OperatingMode(step.command - '0'));
        else if (step.command == 'I' || step.command == 'O')
            (step.command == 'I' ? rig.engine.inputToggle : rig.engine.outputToggle)
                .toggle(EngineRig::choice(step.command == 'I' ? 1 : 2));
        else if (step.command == 'D' && rig.in.isOpen())
            rig.in.raise(SerialPortService::comEventOverrun);
        else if (step.command == 'T')
            rig.out.turn(step.room);
        else if (step.command == 'F')
            rig.out.board.failing = !rig.out.board.failing;
        else if (step.command == 'V')
            rig.out.board.gone = true;
        else if (step.command == 'R')
            rig.out.replug();
    }

    void checkQueue()
    {
        const qsizetype waiting = rig.out.queue().waitingBytes(), lines = rig.out.queue().waitingLines();
        check(waiting <= rig.out.queue().limit() || lines == 1, "the output queue within its bound", waiting);
        check(waiting == 0 || rig.out.board.held() > 0, "lines wait only while the board is busy");
    }

    // Every output line is at least 22 characters and then one CR; the board gets whole ones, in order.
    void checkOutput()
    {
        checkQueue();
        const QByteArray& sent = rig.out.written;
        const QByteArray& taken = rig.out.board.taken;
        check(sent.isEmpty() || sent.endsWith('\r'), "output ends with a whole line");
        qsizetype got = 0; // the board's lines up to here are found in order among those sent
        for (qsizetype start = 0, cr = 0; (cr = sent.indexOf('\r', start)) >= 0; start = cr + 1) {
            const QByteArrayView line = QByteArrayView(sent).sliced(start, cr + 1 - start);
            check(line.size() > 22, "output lines hold at least 22 characters", line);
            got += QByteArrayView(taken).sliced(got).startsWith(line) ? line.size() : 0;
        }
        check(got == taken.lastIndexOf('\r') + 1, "the board gets whole lines in order", taken.mid(got));
    }

    EngineRig& rig;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static EngineRig rig; // one for every run, reset after each; its output queue holds about 20 lines
    static const auto reset = (rig.out.queue().setLimit(512), rig.reset(), rig.state());
    const std::vector<Step> steps = parse(data, size);
    const auto run = [&](bool inPieces) {
        Run(rig, steps, size > 0 ? data[0] : 0, inPieces);
        const TextBoxes& t = rig.form.texts;
        const auto outcome = std::tuple(rig.out.written, rig.out.board.taken, t.Text1, t.Text3, t.Text5,
                                        t.MessIn, rig.boxes.texts());
        rig.reset();
        check(rig.state() == reset, "a reset rig is as a new one reset: no run depends on the runs before");
        return outcome;
    };
    check(run(false) == run(true),
          "the same bytes out and on the board, log, texts and boxes whether received whole or in pieces");
    return 0;
}
