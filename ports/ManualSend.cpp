// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/ManualSend.h"

#include "core/MessageLog.h"
#include "core/MessagePresenter.h"
#include "ports/SerialPortService.h"
#include "ports/TrafficMonitor.h"

namespace {

ModalMessage plainBox(const QString& text)
{
    return ModalMessage{text, QString(), ModalMessage::Icon::None};
}

} // namespace

ManualSend::ManualSend(SerialPortService& port, const bool& portOpen, int inOut, MessageLog& log,
                       MessagePresenter& boxes, TrafficMonitor& monitor)
    : m_port(port), m_portOpen(portOpen), m_inOut(inOut), m_log(log), m_boxes(boxes), m_monitor(monitor)
{
}

void ManualSend::send(const QString& T)
{
    m_log.WriteLog(QStringLiteral(" +++ Versuch den Text ") + T + QStringLiteral(" zu senden"));

    // The closed port is reported before the missing text. Each failure is logged before its box opens, so
    // that the log reads in the order things happened even when port events are handled while it is open.
    if (!m_portOpen) {
        m_log.WriteLog(QStringLiteral(" +++ Fehler beim Senden des Textes, Port ist nicht geöffnet"));
        m_boxes.showMessage(plainBox(QStringLiteral("Bitte vorher einen Port öffnen")));
        return;
    }
    if (T.isEmpty()) {
        m_log.WriteLog(QStringLiteral(" +++ Text fehlt"));
        m_boxes.showMessage(plainBox(QStringLiteral("Und was ist mit dem Text")));
        return;
    }

    // The text goes out exactly as typed, followed by CR alone.
    if (!m_port.output(T + QLatin1Char('\r'))) {
        m_log.WriteLog(QStringLiteral(" +++ Text nicht fehlerfrei gesendet"));
        m_boxes.showMessage(plainBox(QStringLiteral("Text nicht fehlerfrei gesendet!")));
        return;
    }

    m_log.WriteLog(QStringLiteral(" +++ \"") + T + QStringLiteral("\" wurde gesendet"));
    m_monitor.ShowMess(T, m_inOut);
}
