// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/SleepInhibitor.h"

// The login manager's sleep lock: logind's Inhibit on the system bus for "sleep:idle" in mode "block". The
// lock holds as long as the file descriptor that logind hands out stays open. Where there is no system bus
// or no login manager on it, the request is refused and nothing else happens.
class LogindSleepInhibitor : public SleepInhibitor
{
public:
    LogindSleepInhibitor() = default;
    ~LogindSleepInhibitor() override;

    LogindSleepInhibitor(const LogindSleepInhibitor&) = delete;
    LogindSleepInhibitor& operator=(const LogindSleepInhibitor&) = delete;

    bool acquire() override;
    void release() override;

private:
    int m_fd = -1; // the lock's file descriptor while held
};
