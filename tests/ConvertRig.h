#pragma once

#include "FakeClocks.h"
#include "FakeSerialPort.h"
#include "RecordingPresenter.h"
#include "app/Core.h"

#include <QObject>

// A Core on two fake ports, fake clocks and a recording presenter, with the input port's communication event
// wired to the receive handler as the window wires it. The output port is open unless a test closes it.
struct ConvertRig
{
    explicit ConvertRig(OperatingMode mode = OperatingMode::TagAlge, bool outputOpen = true)
    {
        QObject::connect(&in, &SerialPortService::onComm, &in, [this] { core.receive.MSComm1_OnComm(); });
        in.existing = {1};
        in.setCommPort(1);
        in.open();
        core.form.InPortOpen = true;
        out.existing = {2};
        out.setCommPort(2);
        if (outputOpen) {
            out.open();
            core.form.OutPortOpen = true;
        }
        core.form.mode = mode;
    }

    QByteArray deliver(const QByteArray& bytes)
    {
        in.deliver(bytes);
        return out.written;
    }

    FormModel& form() { return core.form; }

    FakeSerialPort in;
    FakeSerialPort out;
    FakeWallClock wallClock;
    FakeMonotonicClock monotonicClock;
    RecordingPresenter boxes;
    Core core{in, out, wallClock, monotonicClock, boxes};
};

// The output line as the board receives it: the text padded with blanks to 22 characters, then CR.
inline QByteArray boardLine(const QByteArray& text)
{
    QByteArray line = text;
    while (line.size() < 22)
        line += ' ';
    return line + '\r';
}

// Tag Heuer records of every kind, some with CR LF line ends; every `unreadableEvery`-th R record (0: none)
// carries a time that cannot be read, so that its conversion opens the time-format box.
inline QByteArray tagHeuerStream(int records = 12, int unreadableEvery = 0)
{
    QByteArray s;
    for (int i = 0; i < records; ++i) {
        const QByteArray n = QByteArray::number(100 + i * 7);
        const QByteArray sec = QByteArray::number(10 + i * 3);
        const QByteArray digit = QByteArray::number(i % 10);
        const bool unreadable = unreadableEvery > 0 && i % unreadableEvery == 0;
        s += "..L0\t " + n + "\t00:01:" + sec + ".45\r";
        s += "..L1\t  " + digit + "1\r";
        s += "..R...0" + n + "0..." + (unreadable ? QByteArray("xx") : "0" + digit) + ":" + sec + ".0" +
             digit + "\r\n";
        s += "..L1\t    \r";
        s += "free text " + n + "\r";
    }
    return s;
}
