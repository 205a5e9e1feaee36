#include "modes/ModeSelection.h"

#include "app/MessageLog.h"

ModeSelection::ModeSelection(FormModel& form, Stopwatch& watch, MessageLog& log)
    : m_form(form), m_watch(watch), m_log(log)
{
}

void ModeSelection::select(OperatingMode mode)
{
    m_form.mode = mode;
    m_form.layout = layoutFor(mode);
    m_form.WarnPortClosed = true;
    m_log.WriteLog(logMessage(mode));
}

ModeLayout ModeSelection::layoutFor(OperatingMode) { return {}; }

QString ModeSelection::logMessage(OperatingMode mode)
{
    switch (mode) {
    case OperatingMode::in_out: return QStringLiteral(" +++ Modus Input gleich Output");
    case OperatingMode::TagAlge: return QStringLiteral(" +++ Modus Tag Heuer --> ALGE");
    case OperatingMode::AktTime: return QStringLiteral(" +++ Modus Aktuelle Zeit");
    case OperatingMode::Stopen: return QStringLiteral(" +++ Modus Stoppen");
    case OperatingMode::Timer: return QStringLiteral(" +++ Modus Timer");
    }
    return {};
}
