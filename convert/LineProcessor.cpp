#include "convert/LineProcessor.h"

LineProcessor::LineProcessor(FormModel& form, TrafficMonitor& monitor, MessageLog& log, SerialPortService& output,
                             const TimeValues& time)
    : m_form(form), m_monitor(monitor), m_log(log), m_output(output), m_time(time)
{
}
QString LineProcessor::checkAndOut(const QString& InputStr) { return InputStr; }
void LineProcessor::boardUpdate() {}
void LineProcessor::processLine(QStringView) {}
QString LineProcessor::convert(QStringView line) { return line.toString(); }
