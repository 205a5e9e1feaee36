// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/SleepInhibitor.h"

#include <utility>

// A login manager in memory that answers when the test says so (`answer`), never from within request: a grant
// (one lock, `granted` runs) unless `refuse` is set, as where there is no login manager. As with the real
// one, a released request is never answered and a released lock is gone; a request while one is
// outstanding, or a release without one, is a fault of the caller and counted.
class FakeSleepInhibitor : public SleepInhibitor
{
public:
    void request(std::function<void()> granted) override
    {
        faults += asked ? 1 : 0;
        ++requests;
        asked = true;
        m_granted = std::move(granted);
    }
    void release() override
    {
        faults += asked ? 0 : 1;
        asked = false;
        locks = 0;
        m_granted = nullptr;
    }
    void answer()
    {
        if (auto granted = std::exchange(m_granted, nullptr); granted && !refuse) {
            locks = 1;
            granted();
        }
    }

    bool refuse = false;
    bool asked = false; // a request is outstanding or granted
    int requests = 0;
    int locks = 0;  // locks held now
    int faults = 0; // requests on top of one, releases without one

private:
    std::function<void()> m_granted;
};
