// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ViewRefresher.h"

#include "core/Clock.h"

ViewRefresher::ViewRefresher(std::function<void()> refresh, const MonotonicClock& clock, QObject* parent)
    : QObject(parent), m_refresh(std::move(refresh)), m_clock(clock)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ViewRefresher::flush);
}

void ViewRefresher::request()
{
    const qint64 since = m_lastRefresh < 0 ? IntervalMsecs : m_clock.msecs() - m_lastRefresh;
    if (since >= IntervalMsecs)
        flush();
    else if (!m_timer.isActive())
        // Late enough that in a steady stream the end of a handler comes first; in a pause the timer
        // catches up.
        m_timer.start(int(IntervalMsecs - since + SlackMsecs));
}

void ViewRefresher::flush()
{
    m_timer.stop();
    m_lastRefresh = m_clock.msecs();
    m_refresh();
}
