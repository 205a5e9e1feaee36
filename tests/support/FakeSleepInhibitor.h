// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/SleepInhibitor.h"

// A login manager in memory. Like logind it grants every request (unless `refuse` is set, as where there is
// no login manager), hands out one lock per grant and forgets a lock when it is given back; releasing a
// lock that is not held is a fault of the caller and counted.
class FakeSleepInhibitor : public SleepInhibitor
{
public:
    bool acquire() override
    {
        ++requests;
        if (refuse)
            return false;
        ++locks;
        return true;
    }
    void release() override
    {
        if (locks == 0)
            ++strayReleases;
        else
            --locks;
    }

    bool refuse = false;
    int requests = 0;      // every acquire, granted or not
    int locks = 0;         // locks held now
    int strayReleases = 0; // releases without a held lock
};
