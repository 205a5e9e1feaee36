// SPDX-License-Identifier: GPL-3.0-or-later
#include "modes/SecondAlignedTimer.h"

#include "core/Clock.h"
#include "modes/TimeOfDay.h"

SecondAlignedTimer::SecondAlignedTimer(const WallClock& clock, QObject* parent)
    : QObject(parent), m_clock(clock)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        arm();
        emit timeout();
    });
}

void SecondAlignedTimer::start()
{
    m_enabled = true;
    arm();
}

void SecondAlignedTimer::stop()
{
    m_enabled = false;
    m_timer.stop();
}

void SecondAlignedTimer::arm()
{
    if (m_enabled)
        m_timer.start(TimeOfDay::msecsToNextTick(m_clock.timeOfDay()));
}
