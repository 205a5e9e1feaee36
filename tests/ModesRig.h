#pragma once

#include "FakeClocks.h"
#include "FakeSerialPort.h"
#include "RecordingPresenter.h"
#include "app/Core.h"

#include <QStringList>

// A whole core on fake ports and clocks, with the output port open, for the stand-alone modes. Timer
// events are delivered by calling the handlers after moving the monotonic or the wall clock.
class ModesRig
{
public:
    static constexpr int OutputPortNumber = 2;

    explicit ModesRig(bool outputOpen = true)
    {
        if (outputOpen) {
            MSComm2.existing.insert(OutputPortNumber);
            MSComm2.setCommPort(OutputPortNumber);
            MSComm2.open();
            core.form.OutPortOpen = true;
        }
    }

    // One Timer1 event, the given time after the clock's last position.
    void tick(int msecs = 100)
    {
        mono.advance(msecs);
        core.watch.Timer1_Timer();
    }
    void ticks(int count)
    {
        for (int i = 0; i < count; ++i)
            tick();
    }

    const QStringList& sent() const { return MSComm2.writes; }
    QString lastSent() const { return MSComm2.writes.isEmpty() ? QString() : MSComm2.writes.last(); }

    // What the board receives for a 20-character display line: padded to 22 with blanks, then CR.
    static QString onPort(const QString& displayLine) { return displayLine.leftJustified(22, u' ') + u'\r'; }

    // A log line as the log writes it at the fake wall clock's time.
    QString logLine(const QString& message) const
    {
        return wall.now.toString(QStringLiteral("HH:mm:ss")) + message + QStringLiteral("\r\n");
    }
    QString newestLogLine() const
    {
        const QString& log = core.form.texts.Text1;
        const int end = log.indexOf(QStringLiteral("\r\n"));
        return end < 0 ? log : log.left(end + 2);
    }

    FakeSerialPort MSComm1;
    FakeSerialPort MSComm2;
    FakeWallClock wall;
    FakeMonotonicClock mono;
    RecordingPresenter boxes;
    Core core{MSComm1, MSComm2, wall, mono, boxes};
    FormModel& form = core.form;
    Stopwatch& watch = core.watch;
};
