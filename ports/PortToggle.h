#pragma once

#include <QString>

class MessageLog;
class MessagePresenter;
class SerialPortService;
struct FormModel;

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
// open one, and logs every attempt and its outcome. The port-open flag it keeps is the one the rest of the
// program reads.
class PortToggle
{
public:
    enum class Side
    {
        Input,
        Output
    };

    PortToggle(Side side, SerialPortService& port, FormModel& form, MessageLog& log, MessagePresenter& boxes);

    // OpenInput_Click / OpenOutput_Click.
    void toggle(const PortChoice& choice);
    bool isOpen() const;

    // Log lines for a device that went away while open and came back.
    void reportConnectionLost();
    void reportReconnected();

private:
    void openPath(int N, const PortChoice& choice);
    void closePath();
    void openFailed(int N);
    void log(const QString& message);
    void box(const QString& text);
    bool& flag();

    Side m_side;
    SerialPortService& m_port;
    FormModel& m_form;
    MessageLog& m_log;
    MessagePresenter& m_boxes;
};
