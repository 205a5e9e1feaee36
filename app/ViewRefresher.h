#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

// Coalesces repaints of the long text boxes: however many changes arrive, the views are refreshed at most
// once per interval, so a fast data stream never makes the window repaint per line.
class ViewRefresher : public QObject
{
    Q_OBJECT
public:
    static constexpr int IntervalMsecs = 40;

    explicit ViewRefresher(std::function<void()> refresh, QObject* parent = nullptr);

    // Something changed: refresh within one interval.
    void request();
    // Refresh now (and drop a pending request).
    void flush();

private:
    std::function<void()> m_refresh;
    QTimer m_timer;
};
