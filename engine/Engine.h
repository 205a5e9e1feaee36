// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "convert/LineProcessor.h"
#include "convert/ReceivePath.h"
#include "convert/TimeValues.h"
#include "core/FormModel.h"
#include "core/LapHold.h"
#include "core/MessageLog.h"
#include "core/SleepGuard.h"
#include "core/SleepInhibitor.h"
#include "modes/ModeSelection.h"
#include "modes/Stopwatch.h"
#include "modes/TimeOfDay.h"
#include "ports/ManualSend.h"
#include "ports/PortDiscovery.h"
#include "ports/PortSettings.h"
#include "ports/PortToggle.h"
#include "ports/TrafficMonitor.h"

#include <QObject>

class Journal;
class MessagePresenter;
class MonotonicClock;
class SerialPortService;
class WallClock;

// Brelox without its window: the subsystems wired on the two ports, the clocks and the message-box
// presenter, which are injected, with start-up, exit and port discovery. The window, the tests, the
// benchmarks and the tools all drive this. It holds the shared state and hands each piece to its one
// owner; everyone else reads it through form(). The desktop's sleep lock is injected too, and so is the
// race journal (none with --no-journal), which must outlive the engine.
class Engine
{
public:
    Engine(SerialPortService& MSComm1, SerialPortService& MSComm2, const WallClock& wallClock,
           const MonotonicClock& monotonicClock, MessagePresenter& boxes,
           SleepInhibitor& sleep = SleepInhibitor::none(), Journal* journal = nullptr);

    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    const FormModel& form() const { return m_form; }

    // Start-up: fills the settings lists of both ports with their defaults, declares both ports closed,
    // selects TAG -> Alge, stops the timers, empties the monitors, starts the log and discovers the ports.
    // A journal that could not be started is reported in the log last.
    void Form_Load();
    // Exit ("Datei > Ende"): closes each open port through its button's path; the window then closes.
    void Ende_Click();
    // "Extras > COM-Ports prüfen": closes the open ports, probes COM 1 to 16 and refills both port lists.
    void check_comPorts_Click();

    // The five lists of each port as start-up and discovery leave them.
    const PortSettings::Lists& inputLists() const { return m_inputLists; }
    const PortSettings::Lists& outputLists() const { return m_outputLists; }

    SerialPortService& MSComm1;
    SerialPortService& MSComm2;

private:
    FormModel m_form;
    LapHold m_lapHold;
    PortSettings::Lists m_inputLists;
    PortSettings::Lists m_outputLists;

public:
    MessageLog log;
    TrafficMonitor monitor;
    TimeValues time;
    PortToggle inputToggle;
    PortToggle outputToggle;
    LineProcessor lines;
    ReceivePath receive;
    Stopwatch watch;
    TimeOfDay timeOfDay;
    ModeSelection modes;
    PortDiscovery discovery;
    ManualSend inputSend;
    ManualSend outputSend;
    SleepGuard sleepGuard;

private:
    // Records the ports' traffic and events, the log and the modes in the journal, and reports its fault.
    void keepJournal(Journal& journal);
    static QString journalFault(const QString& reason);

    Journal* m_journal;
    QObject m_connections; // context of the connections to the ports' signals, ended with the engine
};
