#include "convert/TimeValues.h"

TimeValues::TimeValues(MessagePresenter& boxes) : m_boxes(boxes) {}
double TimeValues::Get_Sec(QStringView) const { return 0; }
std::optional<double> TimeValues::readSeconds(QStringView) { return std::nullopt; }
QString TimeValues::SetTimeFormat(double) { return QStringLiteral("00:00:00.00"); }
