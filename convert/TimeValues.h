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

private:
    MessagePresenter& m_boxes;
};
