// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class MessageLog;
class SleepInhibitor;
struct FormModel;

// Keeps the computer awake on race day: holds the sleep lock while a port is open or a clock mode runs
// (one of the periodic timers is on), and gives it back once both ports are closed and no clock runs. The
// log says when the lock was granted.
class SleepGuard
{
public:
    SleepGuard(SleepInhibitor& inhibitor, const FormModel& form, MessageLog& log);
    ~SleepGuard();

    SleepGuard(const SleepGuard&) = delete;
    SleepGuard& operator=(const SleepGuard&) = delete;

    // After every handler: takes or gives back the lock as the state asks. A refused request is not
    // repeated until the computer may sleep again and later should not.
    void update();
    bool held() const { return m_held; }

private:
    SleepInhibitor& m_inhibitor;
    const FormModel& m_form;
    MessageLog& m_log;
    bool m_held = false;
    bool m_asked = false; // the lock was asked for since the computer last was allowed to sleep
};
