// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/TrafficMonitor.h"

#include "core/FormModel.h"

namespace {

void showOnTop(QString& monitor, QStringView text)
{
    monitor.prepend(TrafficMonitor::visibleText(text) + QStringLiteral("\r\n"));
    if (monitor.size() > TrafficMonitor::MonitorLimit)
        monitor.truncate(TrafficMonitor::MonitorKeep);
}

void trim(QString& text)
{
    if (text.size() > TrafficMonitor::TextLimit)
        text.truncate(TrafficMonitor::TextKeep);
}

} // namespace

TrafficMonitor::TrafficMonitor(TextBoxes& texts) : m_texts(texts) {}

QString TrafficMonitor::visibleText(QStringView text)
{
    // Runs on every line shown, so one test for most characters and no append call per character.
    constexpr uint32_t hidden = 1u << 2 | 1u << 9 | 1u << 10 | 1u << 13 | 1u << 20;
    QString out(text.size(), Qt::Uninitialized);
    QChar* end = out.data();
    for (QChar c : text) {
        *end = c;
        end += c.unicode() > 20 || (hidden >> c.unicode() & 1u) == 0;
    }
    out.truncate(end - out.constData());
    return out;
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
