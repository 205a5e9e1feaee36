// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

class MessageLog;
class MessagePresenter;
class SerialPortService;

// What the operator has chosen in one port's five lists.
struct PortChoice
{
    QString portEntry;   // text of the port list, "COM 3"
    QString baud;        // "9600"
    int parityIndex = 2; // position of the selected parity entry, -1 for none
    QString dataBits;    // "8"
    QString stopBits;    // "1"
};

// The open/close button of one port: opens the closed port with the chosen number and settings, closes the
// open one, and logs every attempt and its outcome. It is the one writer of its port-open flag, which the
// rest of the program reads; the output port's toggle also keeps the warning about writing to the closed
// output port (WarnPortClosed), which line processing takes and mode selection re-arms.
class PortToggle
{
public:
    enum class Side
    {
        Input,
        Output
    };

    // warnPortClosed: the closed-port warning, for the output port's toggle only.
    PortToggle(Side side, SerialPortService& port, bool& portOpen, MessageLog& log, MessagePresenter& boxes,
               bool* warnPortClosed = nullptr);

    // OpenInput_Click / OpenOutput_Click.
    void toggle(const PortChoice& choice);
    bool isOpen() const { return m_portOpen; }
    // Closes the port through the same path as the button, when it is open (exit, discovery).
    void closeIfOpen();

    // The next line written while the output port is closed is reported in the log again.
    void rearmClosedPortWarning();
    // True once after each re-arming: the caller reports the closed port now.
    bool takeClosedPortWarning();

    // Log lines for a device that went away while open and came back.
    void reportConnectionLost();
    void reportReconnected();

    // Called whenever the button opens (true) or closes (false) the port.
    void onOpenChanged(std::function<void(bool open)> changed) { m_openChanged = std::move(changed); }

private:
    void openPath(int N, const PortChoice& choice);
    void closePath();
    void openFailed(int N);
    void log(const QString& message);
    void box(const QString& text);

    Side m_side;
    SerialPortService& m_port;
    bool& m_portOpen;
    bool* m_warnPortClosed;
    MessageLog& m_log;
    MessagePresenter& m_boxes;
    std::function<void(bool)> m_openChanged;
};
