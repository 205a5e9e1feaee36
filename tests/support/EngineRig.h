// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BoardText.h"
#include "FakeClocks.h"
#include "FakeSerialPort.h"
#include "RecordingPresenter.h"
#include "engine/Engine.h"

#include <QStringList>

#include <tuple>

// The engine on fake ports (input COM 1, output COM 2), fake clocks and recorded message boxes, with the
// input port's event wired to the receive handler as the window wires it. The mode is selected and both
// ports are opened through their buttons' paths (the output port stays closed when a test asks); what that
// set-up wrote to the output port and the log is left out of written() and logLines(). Timer events are
// delivered by moving a clock and calling the handler.
struct EngineRig
{
    explicit EngineRig(OperatingMode mode = OperatingMode::TagAlge, bool outputOpen = true)
    {
        QObject::connect(&in, &SerialPortService::onComm, &in, [this] { engine.receive.MSComm1_OnComm(); });
        in.existing = {1};
        out.existing = {2};
        out.setCommPort(2);
        if (mode != engine.form().mode)
            engine.modes.select(mode);
        engine.inputToggle.toggle(choice(1));
        if (outputOpen)
            engine.outputToggle.toggle(choice(2));
        settle();
    }

    // Starts the rig afresh for another run, as the constructor leaves it in TagAlge, through the program's
    // own paths: the fakes' traffic and faults forgotten, clocks and boxes as new, the ports opened through
    // their buttons where closed, a reset of the stopwatch in Timer and in Stopen, TagAlge selected, the
    // fields of an L0 and an L1 record and the last line set by one of each, the output forgotten again, the
    // monitors emptied and the log started anew. Whatever ran before, state() is then the same (a new rig's
    // differs in the log, the output text, the last line and record fields and the stopwatch's fields, which
    // no path puts back).
    void reset()
    {
        in.reset();
        out.reset();
        boxes.shown.clear();
        wall = FakeWallClock();
        mono = FakeMonotonicClock();
        if (!form.InPortOpen)
            engine.inputToggle.toggle(choice(1));
        if (!form.OutPortOpen)
            engine.outputToggle.toggle(choice(2));
        for (const OperatingMode m : {OperatingMode::Timer, OperatingMode::Stopen, OperatingMode::TagAlge})
            engine.modes.select(m);
        engine.lines.checkAndOut(QStringLiteral("..L0\t 000\t00:00:00.00\r..L1\t  00\r"));
        out.reset();
        engine.monitor.ClearIn_Click();
        engine.monitor.ClearOut_Click();
        engine.log.start();
        settle();
    }

    // Everything a run can change that the engine and the fakes show, to compare two rigs (but a port's
    // commEvent(), which each event sets before it is read).
    auto state() const
    {
        const FormModel& f = form;
        const Stopwatch& w = engine.watch;
        const auto port = [](const FakeSerialPort& p) {
            return std::tuple(p.isOpen(), p.commPort(), p.settings(), p.existing, p.bytesWaiting(),
                              p.rThreshold, p.sThreshold, p.inputLen, p.written, p.queue().waitingBytes(),
                              p.queue().waitingLines(), p.queue().limit(), p.board.taken, p.board.held(),
                              p.board.room, p.board.failing, p.board.gone);
        };
        const ModeLayout& l = f.layout;
        return std::tuple(std::tuple(f.InPortOpen, f.OutPortOpen, f.WarnPortClosed, f.LapFlag, f.OutputHold,
                                     f.mode, f.texts.Text1, f.texts.Text3, f.texts.Text5, f.texts.MessIn,
                                     f.texts.MessOut, f.timers.Timer1, f.timers.Timer2, f.timers.Timer3),
                          std::tuple(l.TimerText, l.TimeOut, l.Start, l.Reset, l.Stop1, l.DispZentel, l.Lap,
                                     f.TimeOut, f.TimerText, f.DispZentel),
                          std::tuple(engine.lines.LastLine(), engine.lines.NrField(),
                                     engine.lines.TimeField(), engine.lines.L1Field()),
                          std::tuple(w.TenthCount, w.MinCount, w.HourCount, w.HundCount, w.HourDisp,
                                     w.MinDisp, w.SecDisp, w.HundDisp, w.CountdownText, w.PresetSec,
                                     w.runningText()),
                          port(in), port(out), boxes.texts(), wall.now, mono.now);
    }

    // What has been written to the output port, the log and the boxes so far counts as set-up.
    void settle()
    {
        out.written.clear();
        boxes.shown.clear();
        m_setupLogLines = int(form.texts.Text1.count(QStringLiteral("\r\n")));
    }

    // The port lists' default choice for COM n: 9600 baud, no parity, 8 data bits, 1 stop bit.
    static PortChoice choice(int n)
    {
        return {QStringLiteral("COM %1").arg(n), QStringLiteral("9600"), 2, QStringLiteral("8"),
                QStringLiteral("1")};
    }

    // Bytes arrive on the input port; returns everything written to the output port so far.
    QByteArray deliver(const QByteArray& bytes)
    {
        in.deliver(bytes);
        return out.written;
    }
    // One Timer1 event, `msecs` after the last.
    void tick(int msecs = 100)
    {
        mono.advance(msecs);
        engine.watch.Timer1_Timer();
    }
    // The log's lines written since the set-up, newest first, without line ends.
    QStringList logLines() const
    {
        QStringList lines = form.texts.Text1.split(QStringLiteral("\r\n"));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines.mid(0, qMax(0, int(lines.size()) - m_setupLogLines));
    }

    FakeSerialPort in;
    FakeSerialPort out;
    FakeWallClock wall;
    FakeMonotonicClock mono;
    RecordingPresenter boxes;
    Engine engine{in, out, wall, mono, boxes};
    const FormModel& form = engine.form();

private:
    int m_setupLogLines = 0;
};
