// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BoardText.h"
#include "FakeClocks.h"
#include "FakeSerialPort.h"
#include "RecordingPresenter.h"
#include "engine/Engine.h"

#include <QStringList>

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

    // The program as it starts: the ports `existing` are present, nothing is opened, the start-up has run and
    // counts as set-up only when a test settles.
    struct StartedUp
    {
        QSet<int> existing;
    };
    explicit EngineRig(const StartedUp& start)
    {
        in.existing = out.existing = start.existing;
        engine.Form_Load();
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
