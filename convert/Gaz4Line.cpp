#include "convert/Gaz4Line.h"

#include "app/FormModel.h"

Gaz4Context Gaz4Context::of(const FormModel& form)
{
    Gaz4Context c;
    c.aktTime = form.isMode(OperatingMode::AktTime);
    c.timersEnabled = form.timers.anyEnabled();
    c.lapFlag = form.LapFlag;
    c.dispZentel = form.DispZentel;
    return c;
}
QString Time2GAZ_Format(QStringView, const Gaz4Context&) { return {}; }
