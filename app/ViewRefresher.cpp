#include "app/ViewRefresher.h"

ViewRefresher::ViewRefresher(std::function<void()> refresh, QObject* parent)
    : QObject(parent), m_refresh(std::move(refresh))
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(IntervalMsecs);
    connect(&m_timer, &QTimer::timeout, this, [this] { m_refresh(); });
}

void ViewRefresher::request()
{
    if (!m_timer.isActive())
        m_timer.start();
}

void ViewRefresher::flush()
{
    m_timer.stop();
    m_refresh();
}
