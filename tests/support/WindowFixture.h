// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FakeClocks.h"
#include "FakeSerialPort.h"
#include "RecordingPresenter.h"
#include "app/MainForm.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <memory>

// A main window on fake ports, fake clocks and recorded message boxes. Ports listed in `existing` exist
// for both sides; the window runs its start-up when made.
struct WindowFixture
{
    explicit WindowFixture(QSet<int> existing = {}, SleepInhibitor& sleep = SleepInhibitor::none())
    {
        input.existing = existing;
        output.existing = existing;
        window = std::make_unique<MainForm>(input, output, wallClock, monotonicClock, boxes, sleep);
    }
    // The window on other ports, such as the real service on pseudo-terminals; `input` and `output` idle.
    WindowFixture(SerialPortService& in, SerialPortService& out,
                  SleepInhibitor& sleep = SleepInhibitor::none())
    {
        window = std::make_unique<MainForm>(in, out, wallClock, monotonicClock, boxes, sleep);
    }

    template <typename W = QWidget> W* widget(const char* name) const
    {
        return window->findChild<W*>(QString::fromLatin1(name));
    }
    const FormModel& form() { return window->engine().form(); }
    // The log's lines, newest first, without their line ends.
    QStringList logLines() { return form().texts.Text1.split(QStringLiteral("\r\n")); }

    FakeSerialPort input;
    FakeSerialPort output;
    FakeWallClock wallClock;
    FakeMonotonicClock monotonicClock;
    RecordingPresenter boxes;
    std::unique_ptr<MainForm> window;
};
