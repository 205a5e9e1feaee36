// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Engine.h"

#include "engine/Journal.h"
#include "ports/SerialPortService.h"

#include <tuple>

Engine::Engine(SerialPortService& MSComm1, SerialPortService& MSComm2, const WallClock& wallClock,
               const MonotonicClock& monotonicClock, MessagePresenter& boxes, SleepInhibitor& sleep,
               Journal* journal)
    : MSComm1(MSComm1), MSComm2(MSComm2), m_lapHold(m_form.LapFlag, m_form.OutputHold),
      m_inputLists(PortSettings::startupLists(false)), m_outputLists(PortSettings::startupLists(true)),
      log(wallClock, m_form.texts.Text1), monitor(m_form.texts), time(boxes),
      inputToggle(PortToggle::Side::Input, MSComm1, m_form.InPortOpen, log, boxes),
      outputToggle(PortToggle::Side::Output, MSComm2, m_form.OutPortOpen, log, boxes, &m_form.WarnPortClosed),
      lines(m_form, m_form.texts.Text5, m_lapHold, outputToggle, monitor, log, MSComm2, time),
      receive(MSComm1, m_form, m_form.texts.Text3, lines, log, boxes),
      watch(m_form,
            {m_form.TimeOut, m_form.TimerText, m_form.DispZentel, m_form.timers.Timer1, m_form.timers.Timer3},
            m_lapHold, monotonicClock, time, lines, log),
      timeOfDay(m_form.timers.Timer2, wallClock, watch, lines),
      modes(m_form.mode, m_form.layout, {watch, timeOfDay, receive, lines, outputToggle, m_lapHold, log}),
      discovery(MSComm1, log), inputSend(MSComm1, m_form.InPortOpen, 0, log, boxes, monitor),
      outputSend(MSComm2, m_form.OutPortOpen, 1, log, boxes, monitor), sleepGuard(sleep, m_form, log),
      m_journal(journal)
{
    if (m_journal)
        keepJournal(*m_journal);
    // The line a vanished timing device had begun is dropped: on its return it sends whole records again.
    QObject::connect(&MSComm1, &SerialPortService::connectionLost, &m_connections, [this] {
        if (m_form.convertsInput())
            receive.clearBuffer();
    });
    // Nothing uses what comes back from the board (an echo, noise on the line): take it, so that it does not
    // pile up in the port for the whole race.
    QObject::connect(&MSComm2, &SerialPortService::onComm, &m_connections, [this] {
        if (this->MSComm2.commEvent() == SerialPortService::comEvReceive)
            this->MSComm2.input();
    });
    QObject::connect(&MSComm2, &SerialPortService::outputOverloaded, &m_connections, [this] {
        log.WriteLog(QStringLiteral(" +++ COM-Port Ausgang überlastet, ältere Zeilen verworfen"));
    });
}

void Engine::Form_Load()
{
    // The settings lists, with 9600 baud on the input side and 2400 on the output side.
    m_inputLists = PortSettings::startupLists(false);
    m_outputLists = PortSettings::startupLists(true);

    // Both ports start closed (no port has been opened yet); a line for the closed board is reported once.
    outputToggle.rearmClosedPortWarning();

    // Its log line is replaced by the start line below.
    modes.TagAlge_Click();

    timeOfDay.run(false);
    watch.stopTimers();
    monitor.ClearIn_Click();
    monitor.ClearOut_Click();
    watch.DispZentel_Click(false);
    modes.showStartupControls();
    m_lapHold.openHold();
    log.start();

    check_comPorts_Click();
    if (m_journal && !m_journal->failure().isEmpty())
        log.WriteLog(journalFault(m_journal->failure()));
}

QString Engine::journalFault(const QString& reason)
{
    return QStringLiteral(" +++ Protokoll kann nicht geschrieben werden: ") + reason;
}

void Engine::keepJournal(Journal& journal)
{
    using Channel = Journal::Channel;
    const auto bytesTo = [&journal](Channel channel) {
        return [&journal, channel](const QByteArray& bytes) { journal.record(channel, bytes); };
    };
    QObject::connect(&MSComm1, &SerialPortService::bytesRead, &m_connections, bytesTo(Channel::In));
    QObject::connect(&MSComm1, &SerialPortService::bytesSent, &m_connections, bytesTo(Channel::ToIn));
    QObject::connect(&MSComm2, &SerialPortService::bytesSent, &m_connections, bytesTo(Channel::Out));
    QObject::connect(&MSComm2, &SerialPortService::lineDropped, &m_connections, bytesTo(Channel::Drop));
    log.onWritten([&journal](const QString& line) { journal.recordText(Channel::Log, line); });
    modes.onSelected(
        [&journal](OperatingMode mode) { journal.recordText(Channel::Mode, ModeSelection::caption(mode)); });
    for (const auto& [side, port, toggle] :
         {std::tuple{"in ", &MSComm1, &inputToggle}, std::tuple{"out ", &MSComm2, &outputToggle}}) {
        const auto event = [&journal, side = QString::fromLatin1(side), port = port](const QString& what) {
            journal.recordText(Channel::Port, side + QStringLiteral("COM ") +
                                                  QString::number(port->commPort()) + ' ' + what);
        };
        toggle->onOpenChanged([event, port = port](bool open) {
            event(open ? QStringLiteral("open ") + port->settings() : QStringLiteral("close"));
        });
        QObject::connect(port, &SerialPortService::connectionLost, &m_connections,
                         [event] { event(QStringLiteral("lost")); });
        QObject::connect(port, &SerialPortService::reconnected, &m_connections,
                         [event] { event(QStringLiteral("back")); });
    }
    // Queued: the fault may be found on the journal's thread, or inside a handler that is writing the log.
    QObject::connect(
        &journal, &Journal::failed, &m_connections,
        [this](const QString& reason) { log.WriteLog(journalFault(reason)); }, Qt::QueuedConnection);
}

void Engine::Ende_Click()
{
    inputToggle.closeIfOpen();
    outputToggle.closeIfOpen();
}

void Engine::check_comPorts_Click()
{
    inputToggle.closeIfOpen();
    outputToggle.closeIfOpen();
    const PortLists found = discovery.discover();
    m_inputLists.port = {found.entries, found.inputSelection};
    m_outputLists.port = {found.entries, found.outputSelection};
}
