// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>
#include <optional>

class MessagePresenter;

// Conversions between time texts ("hh:mm:ss.ss") and seconds values.
class TimeValues
{
public:
    explicit TimeValues(MessagePresenter& boxes);

    // Seconds of a full-form time text; a piece that is no number shows the "Format kontrollieren" box and
    // gives 0.
    double Get_Sec(QStringView INP_Time) const;
    // The same reading without the box: nothing when a piece is no number.
    static std::optional<double> readSeconds(QStringView INP_Time);
    // The display form, leading zero fields blanked: 83.45 -> "  : 1:23.45".
    static QString SetTimeFormat(double TimeValue);
    // Appends the display form of TimeValue to `out` (what SetTimeFormat gives, without a new string).
    static void appendTimeFormat(double TimeValue, QString& out);

    // A piece of a time text read as a number: digits with at most one point, blanks around them. The point
    // is the decimal separator whatever the locale.
    static std::optional<double> readNumber(QStringView text);

    // What SetTimeFormat gives for a value it cannot write (negative, not finite, too large).
    static QString invalidText() { return QStringLiteral("00:00:00.00"); }

private:
    MessagePresenter& m_boxes;
};
