#pragma once

#include "convert/LineProcessor.h"
#include "convert/ReceivePath.h"
#include "convert/TimeValues.h"
#include "core/FormModel.h"
#include "core/MessageLog.h"
#include "core/SleepGuard.h"
#include "core/SleepInhibitor.h"
#include "modes/ModeSelection.h"
#include "modes/Stopwatch.h"
#include "modes/TimeOfDay.h"
#include "ports/ManualSend.h"
#include "ports/PortDiscovery.h"
#include "ports/PortToggle.h"
#include "ports/TrafficMonitor.h"

class MessagePresenter;
class MonotonicClock;
class SerialPortService;
class WallClock;

// The window's state and handlers without the window: built on the two ports, the clocks and the message
// box presenter, which are injected; so is the desktop's sleep lock.
class Engine
{
public:
    Engine(SerialPortService& MSComm1, SerialPortService& MSComm2, const WallClock& wallClock,
           const MonotonicClock& monotonicClock, MessagePresenter& boxes,
           SleepInhibitor& sleep = SleepInhibitor::none());

    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    SerialPortService& MSComm1;
    SerialPortService& MSComm2;

    FormModel form;
    MessageLog log;
    TrafficMonitor monitor;
    TimeValues time;
    LineProcessor lines;
    ReceivePath receive;
    Stopwatch watch;
    ModeSelection modes;
    TimeOfDay timeOfDay;
    PortToggle inputToggle;
    PortToggle outputToggle;
    PortDiscovery discovery;
    ManualSend inputSend;
    ManualSend outputSend;
    SleepGuard sleepGuard;
};
