// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/SleepInhibitor.h"

#include <utility>

// A login manager in memory that answers only when the test says so (`answer`), never from within request:
// a grant (one lock, `granted` runs) or a refusal, as where there is no login manager. As with the real one,
// a released request is never answered and a released lock is gone; a request on top of one, or a release
// without one, is a fault of the caller and counted.
struct FakeSleepInhibitor : SleepInhibitor
{
    void request(std::function<void()> granted) override
    {
        faults += asked ? 1 : 0;
        ++requests;
        asked = true;
        pending = std::move(granted);
    }
    void release() override { faults += asked ? 0 : 1, asked = false, locks = 0, pending = nullptr; }
    void answer(bool grant)
    {
        if (auto granted = std::exchange(pending, nullptr); granted && grant && ++locks)
            granted();
    }

    bool asked = false;                      // a request is outstanding or granted
    int requests = 0, locks = 0, faults = 0; // faults: requests on top of one, releases without one
    std::function<void()> pending;
};
