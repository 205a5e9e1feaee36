// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

class MessageLog;
class SleepInhibitor;
struct FormModel;

// Keeps the computer awake on race day: holds the sleep lock while a port is open or a clock mode runs
// (one of the periodic timers is on), and gives it back once both ports are closed and no clock runs. The
// lock is asked for without waiting; the log says when it was granted.
class SleepGuard
{
public:
    SleepGuard(SleepInhibitor& inhibitor, const FormModel& form, MessageLog& log);
    ~SleepGuard();

    SleepGuard(const SleepGuard&) = delete;
    SleepGuard& operator=(const SleepGuard&) = delete;

    // After every handler: asks for the lock or gives it back as the state asks. A refused request is not
    // repeated until the computer may sleep again and later should not; a request still unanswered when the
    // computer may sleep again is withdrawn.
    void update();
    bool held() const { return m_held; }
    // Runs after the grant's log line was written, so that the window can show it.
    void onGranted(std::function<void()> shown) { m_shown = std::move(shown); }

private:
    SleepInhibitor& m_inhibitor;
    const FormModel& m_form;
    MessageLog& m_log;
    std::function<void()> m_shown;
    bool m_held = false;
    bool m_asked = false; // the lock was asked for since the computer last was allowed to sleep
};
