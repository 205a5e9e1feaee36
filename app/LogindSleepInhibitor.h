// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/SleepInhibitor.h"

#include <QByteArray>
#include <QObject>
#include <memory>
#include <vector>

// The login manager's sleep lock: logind's Inhibit on the system bus for "sleep:idle" in mode "block". The
// lock holds as long as the file descriptor that logind hands out stays open. Where there is no system bus
// or no login manager on it, the request is refused and nothing else happens.
//
// Connecting to the system bus and asking can each take minutes on a bus that accepts and never answers,
// so each request runs on a worker thread of its own with its own private connection, and the answer comes
// back through the event loop of the thread that made the inhibitor. release() withdraws a request at
// once: it shuts the request's bus socket, which ends the worker's wait, and a lock that comes anyway is
// closed unused. The destructor withdraws and joins every worker, so none outlives the program.
class LogindSleepInhibitor : public SleepInhibitor
{
public:
    LogindSleepInhibitor();
    ~LogindSleepInhibitor() override;

    LogindSleepInhibitor(const LogindSleepInhibitor&) = delete;
    LogindSleepInhibitor& operator=(const LogindSleepInhibitor&) = delete;

    void request(std::function<void()> granted) override;
    void release() override;

private:
    struct Attempt; // one request, shared with its worker
    static int askLogind(Attempt& attempt, const QByteArray& address);
    void answered(const std::shared_ptr<Attempt>& attempt);
    void joinFinished(bool all);

    QObject m_answers; // answers are delivered to it, on the thread that made the inhibitor
    std::shared_ptr<Attempt> m_current;
    std::vector<std::shared_ptr<Attempt>> m_attempts; // whose workers are not joined yet
    std::function<void()> m_granted;
    int m_fd = -1; // the lock's file descriptor while held
};
