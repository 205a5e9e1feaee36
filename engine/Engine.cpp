#include "engine/Engine.h"

Engine::Engine(SerialPortService& MSComm1, SerialPortService& MSComm2, const WallClock& wallClock,
               const MonotonicClock& monotonicClock, MessagePresenter& boxes, SleepInhibitor& sleep)
    : MSComm1(MSComm1), MSComm2(MSComm2), log(wallClock, form.texts.Text1), monitor(form.texts), time(boxes),
      lines(form, monitor, log, MSComm2, time), receive(MSComm1, form, lines, log, boxes),
      watch(form, monotonicClock, time, lines, log), modes(form, watch, log),
      timeOfDay(form, wallClock, lines), inputToggle(PortToggle::Side::Input, MSComm1, form, log, boxes),
      outputToggle(PortToggle::Side::Output, MSComm2, form, log, boxes), discovery(MSComm1, log),
      inputSend(MSComm1, form.InPortOpen, 0, log, boxes, monitor),
      outputSend(MSComm2, form.OutPortOpen, 1, log, boxes, monitor), sleepGuard(sleep, form, log)
{
}
