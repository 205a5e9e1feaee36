// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/TrafficMonitor.h"

#include "core/FormModel.h"

namespace {

void trim(QString& text)
{
    if (text.size() > TrafficMonitor::TextLimit)
        text.truncate(TrafficMonitor::TextKeep);
}

} // namespace

TrafficMonitor::TrafficMonitor(TextBoxes& texts) : m_texts(texts) {}

void TrafficMonitor::appendVisible(QStringView text, QString& out)
{
    // Runs on every line shown, so one test for most characters and no append call per character.
    constexpr uint32_t hidden = 1u << 2 | 1u << 9 | 1u << 10 | 1u << 13 | 1u << 20;
    const qsizetype from = out.size();
    out.resize(from + text.size());
    QChar* end = out.data() + from;
    for (QChar c : text) {
        *end = c;
        end += c.unicode() > 20 || (hidden >> c.unicode() & 1u) == 0;
    }
    out.truncate(end - out.constData());
}

void TrafficMonitor::showOnTop(QString& monitor, QStringView text)
{
    // The line is built in storage kept from the lines before, so that showing it allocates nothing.
    m_line.truncate(0);
    appendVisible(text, m_line);
    m_line.append(u"\r\n");
    monitor.prepend(m_line);
    if (monitor.size() > MonitorLimit)
        monitor.truncate(MonitorKeep);
}

void TrafficMonitor::ShowMess(QStringView MessText, int InOut)
{
    if (!MessText.isEmpty()) {
        if (InOut == 0)
            showOnTop(m_texts.MessIn, MessText);
        else if (InOut == 1)
            showOnTop(m_texts.MessOut, MessText);
    }
    trim(m_texts.Text1);
    trim(m_texts.Text5);
}

void TrafficMonitor::ClearIn_Click()
{
    m_texts.MessIn.clear();
}

void TrafficMonitor::ClearOut_Click()
{
    m_texts.MessOut.clear();
}

void TrafficMonitor::takeOperatorEdit(int InOut, const QString& text)
{
    (InOut == 0 ? m_texts.MessIn : m_texts.MessOut) = text;
}
