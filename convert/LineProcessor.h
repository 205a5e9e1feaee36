// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

class LapHold;
class MessageLog;
class PortToggle;
class SerialPortService;
class TimeValues;
class TrafficMonitor;
struct FormModel;

// The only road to the board: cuts text into CR-ended lines, drops repeats and held lines, converts Tag
// Heuer records in mode TagAlge, pads each line to 22 characters, records it in the output text and sends
// it on the output port. The one writer of the output text (Text5).
class LineProcessor
{
public:
    static constexpr int OutputWidth = 22;
    static constexpr int RememberedWidth = 20;

    LineProcessor(const FormModel& form, QString& Text5, LapHold& lapHold, PortToggle& outputToggle,
                  TrafficMonitor& monitor, MessageLog& log, SerialPortService& output,
                  const TimeValues& time);

    // Processes every complete line of InputStr and returns what follows its last CR.
    QString checkAndOut(const QString& InputStr);
    // Builds the GAZ4 line of TimeOut, passes it with CR to checkAndOut and stores the rest in Text5.
    void boardUpdate();
    // A mode selection starts the output text afresh.
    void clearOutputText() { m_text5.clear(); }

    const QString& LastLine() const { return m_lastLine; }
    const QString& NrField() const { return m_nrField; }
    const QString& TimeField() const { return m_timeField; }
    const QString& L1Field() const { return m_l1Field; }

    // A number field under a pattern of `width` zeros: digits with blanks around them become a whole
    // number with at least `width` digits; any other field is written as it stands.
    static void formatNumberField(QStringView field, int width, QString& out);

private:
    void processLines(QStringView text);
    void processLine(QStringView line);
    // Appends the board line of a Tag Heuer record (or the line itself when it is none) to `out`.
    void convert(QStringView line, QString& out);

    const FormModel& m_form;
    QString& m_text5;
    LapHold& m_lapHold;
    PortToggle& m_outputToggle;
    TrafficMonitor& m_monitor;
    MessageLog& m_log;
    SerialPortService& m_output;
    const TimeValues& m_time;

    QString m_lastLine;
    QString m_nrField;
    QString m_timeField;
    QString m_l1Field;

    QString m_outputLine; // the output line being built, kept to reuse its storage
};
