// SPDX-License-Identifier: GPL-3.0-or-later
// The receive path as a stream: bytes arrive on the input port in pieces, in every mode, with mode changes,
// port closes and overruns in between. The same script runs twice, once with its bytes cut into random
// pieces and once with each run of bytes in one piece; both must give the same bytes on the output port,
// the same log and the same texts. Every delivery is checked on its own as well.
//
// Input: one header byte, then the bytes to receive. A byte 0xFF starts a command:
//   FF FF  the byte 0xFF        FF '|'  a piece ends here (in the cut run)
//   FF '0'..'4'  select mode in_out, TagAlge, AktTime, Stopen, Timer
//   FF 'I' / FF 'O'  the open/close button of the input / output port
//   FF 'D'  an overrun event
// The header's low three bits choose the starting mode (mod 5), the rest how the runs are cut.

#include "EngineRig.h"
#include "FuzzChecks.h"

#include "convert/ReceivePath.h"
#include "ports/PortToggle.h"
#include "ports/TrafficMonitor.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

struct Step
{
    enum class Kind
    {
        Bytes,
        PieceEnd,
        Mode,
        ToggleInput,
        ToggleOutput,
        Overrun
    };
    Kind kind;
    QByteArray bytes;
    OperatingMode mode = OperatingMode::in_out;
};

struct Script
{
    OperatingMode start = OperatingMode::TagAlge;
    unsigned cutSeed = 0;
    std::vector<Step> steps;
};

Script parse(const uint8_t* data, size_t size)
{
    Script script;
    script.start = OperatingMode(data[0] % 8 % 5);
    script.cutSeed = data[0] >> 3;
    QByteArray bytes;
    const auto flush = [&] {
        if (!bytes.isEmpty())
            script.steps.push_back({Step::Kind::Bytes, std::exchange(bytes, QByteArray())});
    };
    for (size_t i = 1; i < size; ++i) {
        if (data[i] != 0xFF) {
            bytes += char(data[i]);
            continue;
        }
        if (++i == size)
            break;
        const char command = char(data[i]);
        if (data[i] == 0xFF) {
            bytes += char(0xFF);
            continue;
        }
        flush();
        if (command == '|')
            script.steps.push_back({Step::Kind::PieceEnd, {}});
        else if (command >= '0' && command <= '4')
            script.steps.push_back({Step::Kind::Mode, {}, OperatingMode(command - '0')});
        else if (command == 'I')
            script.steps.push_back({Step::Kind::ToggleInput, {}});
        else if (command == 'O')
            script.steps.push_back({Step::Kind::ToggleOutput, {}});
        else if (command == 'D')
            script.steps.push_back({Step::Kind::Overrun, {}});
    }
    flush();
    return script;
}

// A line as the board gets it in mode in_out: padded to 22 characters, then CR.
QByteArray boardLine(const QString& line)
{
    QString out = line;
    if (out.size() < 22)
        out.resize(22, u' ');
    return out.toLatin1() + '\r';
}

struct Outcome
{
    QByteArray written;
    TextBoxes texts;
    QStringList boxes;
};

class Run
{
public:
    explicit Run(const Script& script) : rig(script.start) { rig.engine.modes.select(script.start); }

    // One receive event with `bytes`, and the properties of what it did.
    void deliver(const QByteArray& bytes)
    {
        // The port raises its receive event only while it is open.
        if (bytes.isEmpty() || !rig.in.isOpen())
            return;
        const FormModel& form = rig.form;
        const bool converting = form.convertsInput();
        const qsizetype writtenBefore = rig.out.written.size();
        const QString text5Before = form.texts.Text5;
        const QString tailBefore = form.texts.Text3;
        const QString lastLineBefore = rig.engine.lines.LastLine();

        rig.deliver(bytes);

        const QByteArray added = rig.out.written.mid(writtenBefore);
        const QString& buffer = form.texts.Text3;
        check(buffer.size() <= ReceivePath::BufferLimit, "input buffer within its bound",
              QString::number(buffer.size()));
        if (!converting) {
            check(added.isEmpty(), "nothing goes out while input is only collected");
            return;
        }
        check(!buffer.contains(u'\r'), "only the unfinished tail stays in the buffer");
        check(added.count('\r') <= bytes.count('\r'), "each input line gives at most one output line");
        if (form.texts.Text5 != text5Before) {
            // A line was processed, so the log was trimmed; only this event's own messages may follow.
            check(form.texts.Text1.size() <= TrafficMonitor::TextLimit + 200, "log trimmed",
                  QString::number(form.texts.Text1.size()));
        }
        if (form.isMode(OperatingMode::in_out))
            checkPassedOn(tailBefore + QString::fromLatin1(bytes), lastLineBefore, added);
    }

    // Mode in_out passes each line on as it came (its last BufferLimit characters), padded to 22, repeats
    // of the line before left out.
    void checkPassedOn(const QString& text, QString lastLine, const QByteArray& added)
    {
        QByteArray expected;
        const QStringList lines = text.split(u'\r');
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            const QString line = lines[i].right(ReceivePath::BufferLimit);
            if (line == lastLine)
                continue;
            const QByteArray out = boardLine(line);
            if (rig.form.OutPortOpen)
                expected += out;
            lastLine = QString::fromLatin1(out.left(20));
        }
        check(added == expected,
              "in_out passes each line on as received (its last 10000 characters), padded to 22",
              QStringLiteral("expected %1 bytes, got %2").arg(expected.size()).arg(added.size()));
        check(rig.form.texts.Text3 == lines.last().right(ReceivePath::BufferLimit), "the tail is kept");
    }

    void command(const Step& step)
    {
        switch (step.kind) {
        case Step::Kind::Mode:
            rig.engine.modes.select(step.mode);
            break;
        case Step::Kind::ToggleInput:
            rig.engine.inputToggle.toggle({QStringLiteral("COM 1"), QStringLiteral("9600"), 2, "8", "1"});
            break;
        case Step::Kind::ToggleOutput:
            rig.engine.outputToggle.toggle({QStringLiteral("COM 2"), QStringLiteral("9600"), 2, "8", "1"});
            break;
        case Step::Kind::Overrun:
            if (rig.in.isOpen())
                rig.in.raise(SerialPortService::comEventOverrun);
            break;
        default:
            break;
        }
    }

    Outcome outcome()
    {
        // Every output line ends with exactly one CR and is at least 22 characters long.
        const QByteArray& written = rig.out.written;
        check(written.isEmpty() || written.endsWith('\r'), "output ends with a whole line");
        for (const QByteArray& line : written.split('\r').mid(0, written.count('\r')))
            check(line.size() >= 22, "output lines hold at least 22 characters", QString::fromLatin1(line));
        return {written, rig.form.texts, rig.boxes.texts()};
    }

    EngineRig rig;
};

// Cuts `bytes` into pieces of random length (at most about 500 pieces, so that long runs stay quick).
std::vector<QByteArray> cut(const QByteArray& bytes, std::minstd_rand& random, unsigned seed)
{
    static const int largest[] = {1, 3, 16, 200, 4096, 12000};
    const int shortest = std::max(1, int(bytes.size() / 500));
    std::uniform_int_distribution<int> length(shortest, std::max(shortest, largest[seed % 6]));
    std::vector<QByteArray> pieces;
    for (qsizetype at = 0; at < bytes.size();) {
        const int n = length(random);
        pieces.push_back(bytes.mid(at, n));
        at += n;
    }
    return pieces;
}

Outcome play(const Script& script, bool inPieces)
{
    Run run(script);
    std::minstd_rand random(script.cutSeed + 1);
    QByteArray pending;
    for (const Step& step : script.steps) {
        if (step.kind == Step::Kind::Bytes) {
            if (inPieces) {
                for (const QByteArray& piece : cut(step.bytes, random, script.cutSeed))
                    run.deliver(piece);
            } else {
                pending += step.bytes;
            }
            continue;
        }
        if (step.kind == Step::Kind::PieceEnd)
            continue;
        run.deliver(std::exchange(pending, QByteArray()));
        run.command(step);
    }
    run.deliver(pending);
    return run.outcome();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const Script script = parse(data, size);
    const Outcome whole = play(script, false);
    const Outcome pieces = play(script, true);
    check(whole.written == pieces.written, "same bytes out whether received whole or in pieces");
    check(whole.texts.Text1 == pieces.texts.Text1, "same log whether received whole or in pieces",
          whole.texts.Text1.left(200) + QStringLiteral("\n---\n") + pieces.texts.Text1.left(200));
    check(whole.texts.Text3 == pieces.texts.Text3, "same input buffer whether received whole or in pieces");
    check(whole.texts.Text5 == pieces.texts.Text5, "same output text whether received whole or in pieces");
    check(whole.texts.MessIn == pieces.texts.MessIn,
          "same input monitor whether received whole or in pieces");
    check(whole.boxes == pieces.boxes, "same message boxes whether received whole or in pieces");
    return 0;
}
