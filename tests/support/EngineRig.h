#pragma once

#include "FakeClocks.h"
#include "FakeSerialPort.h"
#include "RecordingPresenter.h"
#include "engine/Engine.h"

#include <QStringList>

// The window's core on fake ports (input COM 1, output COM 2), fake clocks and recorded message boxes, with
// the input port's event wired to the receive handler as the window wires it. Both ports are open unless a
// test asks otherwise; timer events are delivered by moving a clock and calling the handler.
struct EngineRig
{
    explicit EngineRig(OperatingMode mode = OperatingMode::TagAlge, bool outputOpen = true)
    {
        QObject::connect(&in, &SerialPortService::onComm, &in, [this] { engine.receive.MSComm1_OnComm(); });
        in.existing = {1};
        out.existing = {2};
        in.setCommPort(1);
        out.setCommPort(2);
        form.InPortOpen = in.open();
        form.OutPortOpen = outputOpen && out.open();
        form.mode = mode;
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
    // The log's lines, newest first, without line ends.
    QStringList logLines() const
    {
        QStringList lines = form.texts.Text1.split(QStringLiteral("\r\n"));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }
    // A board line as it goes out: padded with blanks to 22 characters, then CR.
    static QByteArray boardLine(const QByteArray& text) { return text.leftJustified(22, ' ') + '\r'; }

    FakeSerialPort in;
    FakeSerialPort out;
    FakeWallClock wall;
    FakeMonotonicClock mono;
    RecordingPresenter boxes;
    Engine engine{in, out, wall, mono, boxes};
    FormModel& form = engine.form;
};
