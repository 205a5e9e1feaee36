// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

class MonotonicClock;

// Coalesces repaints of the long text boxes: however many changes arrive, the views are refreshed at most
// once per interval, so a fast data stream never makes the window repaint per line. A request that finds
// the interval over refreshes at once, at the end of the handler that made it: the repaint then falls into
// the pause after a record rather than in front of the next one.
class ViewRefresher : public QObject
{
    Q_OBJECT
public:
    static constexpr int IntervalMsecs = 40;
    // How much later than the interval a refresh may come when no further request arrives.
    static constexpr int SlackMsecs = 20;

    ViewRefresher(std::function<void()> refresh, const MonotonicClock& clock, QObject* parent = nullptr);

    // Something changed: refresh now if the last refresh is an interval ago, else at the end of a later
    // request or, without one, a little after the interval.
    void request();
    // Refresh now (and drop a pending request).
    void flush();

private:
    std::function<void()> m_refresh;
    QTimer m_timer;
    const MonotonicClock& m_clock;
    qint64 m_lastRefresh = -1; // clock reading at the last refresh, -1 before the first
};
