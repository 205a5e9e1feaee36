// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/LineProcessor.h"

#include "convert/Gaz4Line.h"
#include "convert/TextPieces.h"
#include "convert/TimeValues.h"
#include "core/FormModel.h"
#include "core/LapHold.h"
#include "core/MessageLog.h"
#include "ports/PortToggle.h"
#include "ports/SerialPortService.h"
#include "ports/TrafficMonitor.h"

using TextPieces::piece;

namespace {

constexpr char16_t CR = u'\r';
constexpr char16_t TAB = u'\t';

// Position (from 1) of the first TAB at or after position `from`; 0 when there is none.
qsizetype tabPosition(QStringView text, qsizetype from = 1)
{
    if (from - 1 >= text.size())
        return 0;
    return text.indexOf(TAB, from - 1) + 1;
}

// Replaces the text of `field`, keeping its storage.
void assign(QString& field, QStringView value)
{
    field.truncate(0);
    field.append(value);
}

QStringView lastCharacters(QStringView text, qsizetype count)
{
    return text.size() > count ? text.last(count) : text;
}

bool isElevenBlanks(QStringView text)
{
    return text.size() == 11 && text.count(u' ') == 11;
}

} // namespace

LineProcessor::LineProcessor(const FormModel& form, QString& Text5, LapHold& lapHold,
                             PortToggle& outputToggle, TrafficMonitor& monitor, MessageLog& log,
                             SerialPortService& output, const TimeValues& time)
    : m_form(form), m_text5(Text5), m_lapHold(lapHold), m_outputToggle(outputToggle), m_monitor(monitor),
      m_log(log), m_output(output), m_time(time)
{
    m_outputLine.reserve(64);
    m_lastLine.reserve(RememberedWidth);
    m_nrField.reserve(8);
    m_timeField.reserve(16);
}

QString LineProcessor::checkAndOut(const QString& InputStr)
{
    const qsizetype lastCr = InputStr.lastIndexOf(CR);
    if (lastCr < 0)
        return InputStr;
    QString rest = InputStr.sliced(lastCr + 1);

    // A shared copy: it stays as it is even if the caller's text is changed while the lines are processed.
    const QString text = InputStr; // NOLINT(performance-unnecessary-copy-initialization)
    processLines(QStringView(text).first(lastCr + 1));
    return rest;
}

void LineProcessor::boardUpdate()
{
    QString line = Time2GAZ_Format(m_form.TimeOut, Gaz4Context::of(m_form));
    line += CR;
    m_text5 = checkAndOut(line);
}

void LineProcessor::processLines(QStringView text)
{
    qsizetype start = 0;
    for (qsizetype cr = text.indexOf(CR); cr >= 0; cr = text.indexOf(CR, start)) {
        processLine(text.sliced(start, cr - start));
        start = cr + 1;
    }
}

void LineProcessor::processLine(QStringView line)
{
    // Only changes reach the board, and nothing while a lap holds it.
    if (line == m_lastLine || m_form.OutputHold)
        return;

    if (m_form.convertsInput())
        m_monitor.ShowMess(line, 0);

    QString& out = m_outputLine;
    out.truncate(0);
    if (m_form.isMode(OperatingMode::TagAlge))
        convert(line, out);
    else
        out.append(line);
    if (out.size() < OutputWidth)
        out.resize(OutputWidth, u' ');
    out.append(CR);

    m_text5.prepend(u"\r\n");
    m_text5.prepend(out);

    if (m_form.OutPortOpen) {
        // A refused write is not shown as sent; the port reports its own outage.
        if (m_output.output(out))
            m_monitor.ShowMess(out, 1);
    } else {
        if (m_outputToggle.takeClosedPortWarning())
            m_log.WriteLog(QStringLiteral(" +++ COM-Port Ausgang ist nicht geöffnet"));
    }

    assign(m_lastLine, QStringView(out).first(RememberedWidth));
    m_lapHold.lineSent();
}

void LineProcessor::formatNumberField(QStringView field, int width, QString& out)
{
    // Blanks count only around the digits, not between them.
    const QStringView number = TextPieces::trimBlanks(field);
    bool numeric = !number.isEmpty();
    for (QChar c : number)
        numeric = numeric && c >= u'0' && c <= u'9';
    if (!numeric) {
        out.append(field);
        return;
    }
    qsizetype firstSignificant = 0;
    while (firstSignificant < number.size() && number[firstSignificant] == u'0')
        ++firstSignificant;
    const QStringView digits = number.sliced(firstSignificant);
    for (qsizetype i = digits.size(); i < width; ++i)
        out.append(u'0');
    out.append(digits);
}

void LineProcessor::convert(QStringView line, QString& out)
{
    const QStringView type = piece(line, 3, 2);
    const qsizetype t = tabPosition(line);

    if (type == u"L0") {
        // Number after the TAB and one skipped character; the time after the next TAB from t + 5 on.
        m_nrField.truncate(0);
        formatNumberField(piece(line, t + 2, 3), 3, m_nrField);
        const qsizetype timeTab = tabPosition(line, t + 5);
        assign(m_timeField, piece(line, timeTab + 1, 11));
        out.append(m_nrField);
        out.append(u".    ");
        out.append(m_timeField);
    } else if (type == u"L1") {
        assign(m_l1Field, piece(line, t + 3, 2));
        if (!m_l1Field.contains(TAB) && m_l1Field != u"  " && !isElevenBlanks(m_timeField)) {
            out.append(m_nrField);
            out.append(u"C    ");
            out.append(m_timeField);
            out.append(u' ');
            out.append(m_l1Field);
        }
    } else if (piece(line, 3, 1) == u"R") {
        m_nrField.truncate(0);
        formatNumberField(piece(line, 7, 5), 5, m_nrField);
        // The box of an unreadable time may open here; the fields above are already set.
        const double seconds = m_time.Get_Sec(piece(line, 15, 11));
        m_timeField.truncate(0);
        TimeValues::appendTimeFormat(seconds, m_timeField);
        m_timeField.append(piece(line, 25, 1));
        out.append(u' ');
        out.append(lastCharacters(m_nrField, 4));
        out.append(u' ');
        out.append(m_timeField);
    } else {
        out.append(line);
    }
}
