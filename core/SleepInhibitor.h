// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Asks the desktop not to suspend the computer or blank the screen. The program's implementation asks the
// login manager; tests record the requests. Where there is no one to ask, nothing happens.
class SleepInhibitor
{
public:
    virtual ~SleepInhibitor() = default;
    // Takes the lock; true when it was granted.
    virtual bool acquire() = 0;
    // Gives a granted lock back.
    virtual void release() = 0;

    // One that asks no one and is never granted.
    static SleepInhibitor& none();
};
