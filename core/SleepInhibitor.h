// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

// Asks the desktop not to suspend the computer or blank the screen. The program's implementation asks the
// login manager; tests answer by hand. Asking never waits: the answer comes later. Where there is no one to
// ask, nothing happens.
class SleepInhibitor
{
public:
    virtual ~SleepInhibitor() = default;
    // Asks for the lock and returns at once. Once the lock is granted, `granted` runs from the event loop of
    // the thread that made the inhibitor, never from within request(); a refusal runs nothing. One request
    // at a time: the next one follows a release().
    virtual void request(std::function<void()> granted) = 0;
    // Ends the request: gives a granted lock back, or withdraws an unanswered request, so that a lock
    // granted later is given back at once and `granted` never runs.
    virtual void release() = 0;

    // One that asks no one and is never granted.
    static SleepInhibitor& none();
};
