// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/SleepGuard.h"

#include "core/FormModel.h"
#include "core/MessageLog.h"
#include "core/SleepInhibitor.h"

namespace {

class NoSleepInhibitor : public SleepInhibitor
{
public:
    void request(std::function<void()> /*granted*/) override {}
    void release() override {}
};

} // namespace

SleepInhibitor& SleepInhibitor::none()
{
    static NoSleepInhibitor inhibitor;
    return inhibitor;
}

SleepGuard::SleepGuard(SleepInhibitor& inhibitor, const FormModel& form, MessageLog& log)
    : m_inhibitor(inhibitor), m_form(form), m_log(log)
{
}

SleepGuard::~SleepGuard()
{
    if (m_asked)
        m_inhibitor.release();
}

void SleepGuard::update()
{
    const bool awake = m_form.InPortOpen || m_form.OutPortOpen || m_form.timers.anyEnabled();
    if (!awake) {
        if (m_asked)
            m_inhibitor.release();
        m_held = false;
        m_asked = false;
        return;
    }
    if (m_asked)
        return;
    m_asked = true;
    m_inhibitor.request([this] {
        m_held = true;
        m_log.WriteLog(QStringLiteral(" +++ Ruhezustand des Rechners gesperrt"));
        if (m_shown)
            m_shown();
    });
}
