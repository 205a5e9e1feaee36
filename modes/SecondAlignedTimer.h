// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

class WallClock;

// A once-a-second timer that fires just after each wall-clock second turns, so that a time of day shown
// from it is never more than a few milliseconds behind the real second.
class SecondAlignedTimer : public QObject
{
    Q_OBJECT
public:
    explicit SecondAlignedTimer(const WallClock& clock, QObject* parent = nullptr);

    void start();
    void stop();
    bool isActive() const { return m_enabled; }
    // Milliseconds until the next tick, while active.
    int remainingTime() const { return m_timer.remainingTime(); }

signals:
    void timeout();

private:
    void arm();

    const WallClock& m_clock;
    QTimer m_timer;
    bool m_enabled = false;
};
