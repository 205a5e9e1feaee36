// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/PortToggle.h"

#include "core/MessageLog.h"
#include "core/MessagePresenter.h"
#include "ports/PortSettings.h"
#include "ports/SerialPortService.h"

#include <utility>

PortToggle::PortToggle(Side side, SerialPortService& port, bool& portOpen, MessageLog& log,
                       MessagePresenter& boxes, bool* warnPortClosed)
    : m_side(side), m_port(port), m_portOpen(portOpen), m_warnPortClosed(warnPortClosed), m_log(log),
      m_boxes(boxes)
{
}

void PortToggle::closeIfOpen()
{
    if (m_portOpen)
        closePath();
}

void PortToggle::rearmClosedPortWarning()
{
    if (m_warnPortClosed)
        *m_warnPortClosed = true;
}

bool PortToggle::takeClosedPortWarning()
{
    if (!m_warnPortClosed)
        return false;
    return std::exchange(*m_warnPortClosed, false);
}

void PortToggle::log(const QString& message)
{
    m_log.WriteLog(message);
}

void PortToggle::box(const QString& text)
{
    m_boxes.showMessage(ModalMessage{text, QString(), ModalMessage::Icon::None});
}

void PortToggle::toggle(const PortChoice& choice)
{
    // The number is read from the list on every click, whichever way the click goes.
    const int N = PortSettings::portNumberFromEntry(choice.portEntry);
    if (m_portOpen)
        closePath();
    else
        openPath(N, choice);
}

void PortToggle::closePath()
{
    const QString P = QString::number(m_port.commPort());
    log(QStringLiteral(" +++ Versuch den COM-Port ") + P + QStringLiteral(" zu schließen"));
    const bool closed = m_port.close();
    // The window treats the port as closed even when the close failed. State and log are complete before
    // a box opens, so that whatever runs while it is open sees the port closed and logs after the failure.
    m_portOpen = false;
    rearmClosedPortWarning();
    if (m_openChanged)
        m_openChanged(false);
    if (closed) {
        log(QStringLiteral(" +++ COM-Port ") + P + QStringLiteral(" geschlossen"));
    } else {
        log(QStringLiteral(" +++ COM-Port ") + P + QStringLiteral(" kann nicht geschlossen werden"));
        box(QStringLiteral("Fehler beim Schließen des Ports ") + P);
    }
}

void PortToggle::openPath(int N, const PortChoice& choice)
{
    log(QStringLiteral(" +++ Versuch den COM-Port ") + QString::number(N) + QStringLiteral(" zu öffnen"));
    if (N == 0) {
        log(QStringLiteral(" +++ COM-Port 0 kann nicht geöffnet werden "));
        box(QStringLiteral("Fehler! Sind eventuell keine COM-Ports vorhanden?"));
        return;
    }

    // A typed number beyond the port range, a number or settings string that the port refuses and a
    // settings string without parity (no parity entry selected) all end like a refused open.
    if (N < 1 || N > 255 || !m_port.setCommPort(N)) {
        openFailed(N);
        return;
    }
    if (choice.parityIndex < 0 || choice.parityIndex > 4) {
        openFailed(N);
        return;
    }
    const QString settings =
        PortSettings::settingsString(choice.baud, choice.parityIndex, choice.dataBits, choice.stopBits);
    if (!m_port.setSettings(settings) || !m_port.open()) {
        openFailed(N);
        return;
    }

    m_port.setRThreshold(1);
    m_port.setSThreshold(1);
    m_port.setInputLen(0);
    log(QStringLiteral(" +++ COM-Port ") + QString::number(N) + QStringLiteral(" wurde geöffnet"));
    m_portOpen = true;
    if (m_openChanged)
        m_openChanged(true);
}

void PortToggle::openFailed(int N)
{
    log(QStringLiteral(" +++ COM-Port ") + QString::number(N) +
        QStringLiteral(" kann nicht geöffnet werden"));
    box(QStringLiteral("Fehler! Sind eventuell keine COM-Ports vorhanden oder die Einstellungen falsch?"));
}

void PortToggle::reportConnectionLost()
{
    log(QStringLiteral(" +++ COM-Port ") + QString::number(m_port.commPort()) +
        QStringLiteral(" Verbindung unterbrochen"));
}

void PortToggle::reportReconnected()
{
    log(QStringLiteral(" +++ COM-Port ") + QString::number(m_port.commPort()) +
        QStringLiteral(" wieder verbunden"));
}
