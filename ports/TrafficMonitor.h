// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

struct TextBoxes;

// The traffic monitors of both ports, and the trimming of the window's long text boxes.
class TrafficMonitor
{
public:
    static constexpr int MonitorLimit = 10000; // a monitor longer than this ...
    static constexpr int MonitorKeep = 5000;   // ... keeps its newest characters up to this
    static constexpr int TextLimit = 10000;    // log and output text longer than this ...
    static constexpr int TextKeep = 1000;      // ... keep their first characters up to this

    explicit TrafficMonitor(TextBoxes& texts);

    // Shows a text on the input (InOut 0) or output (1) monitor, without STX, TAB, LF, CR and DC4, and
    // trims the monitors, the log and the output text. (The input buffer needs no trim: the receive path
    // keeps it within 10,000 characters.)
    void ShowMess(QStringView MessText, int InOut);
    void ClearIn_Click();
    void ClearOut_Click();
    // The operator edited a monitor (InOut 0 or 1): its text is now what the window shows.
    void takeOperatorEdit(int InOut, const QString& text);

private:
    // Appends the text without the characters that the monitors never show.
    static void appendVisible(QStringView text, QString& out);
    // Puts the visible text and CR LF on top of a monitor and trims it.
    void showOnTop(QString& monitor, QStringView text);

    TextBoxes& m_texts;
    QString m_line; // the line being shown, kept to reuse its storage
};
