// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LogindSleepInhibitor.h"

#include <QByteArray>
#include <QtGlobal>

#include <dbus/dbus.h>
#include <mutex>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

struct LogindSleepInhibitor::Attempt
{
    std::mutex mutex;
    bool withdrawn = false;
    bool finished = false; // the worker has let go of everything and is about to end
    int socket = -1;       // the bus connection's socket while the worker may wait on it
    int lock = -1;         // the granted lock until the window takes it
    std::thread worker;
};

// Connects to the bus at `address` and asks logind for the lock; returns its descriptor, or -1. Runs on the
// attempt's worker and ends as soon as the attempt is withdrawn.
int LogindSleepInhibitor::askLogind(Attempt& attempt, const QByteArray& address)
{
    DBusError error;
    dbus_error_init(&error);
    DBusConnection* bus = dbus_connection_open_private(address.constData(), &error);
    int socket = -1;
    if (bus == nullptr || !dbus_connection_get_socket(bus, &socket)) {
        dbus_error_free(&error);
        if (bus != nullptr) {
            dbus_connection_close(bus);
            dbus_connection_unref(bus);
        }
        return -1;
    }
    bool withdrawn = false;
    {
        const std::lock_guard<std::mutex> hold(attempt.mutex);
        withdrawn = attempt.withdrawn;
        attempt.socket = withdrawn ? -1 : socket;
    }
    int lock = -1;
    DBusMessage* reply = nullptr;
    if (!withdrawn && dbus_bus_register(bus, &error)) {
        DBusMessage* call = dbus_message_new_method_call("org.freedesktop.login1", "/org/freedesktop/login1",
                                                         "org.freedesktop.login1.Manager", "Inhibit");
        const char* what = "sleep:idle";
        const char* who = "Brelox";
        const char* why = "Zeitmessung: COM-Port geöffnet oder Uhr läuft";
        const char* mode = "block";
        if (call != nullptr &&
            dbus_message_append_args(call, DBUS_TYPE_STRING, &what, DBUS_TYPE_STRING, &who, DBUS_TYPE_STRING,
                                     &why, DBUS_TYPE_STRING, &mode, DBUS_TYPE_INVALID))
            reply = dbus_connection_send_with_reply_and_block(bus, call, DBUS_TIMEOUT_USE_DEFAULT, &error);
        if (call != nullptr)
            dbus_message_unref(call);
    }
    // The reply hands over a descriptor of our own.
    if (reply != nullptr &&
        !dbus_message_get_args(reply, &error, DBUS_TYPE_UNIX_FD, &lock, DBUS_TYPE_INVALID))
        lock = -1;
    if (reply != nullptr)
        dbus_message_unref(reply);
    dbus_error_free(&error);
    {
        const std::lock_guard<std::mutex> hold(attempt.mutex);
        attempt.socket = -1;
    }
    dbus_connection_close(bus);
    dbus_connection_unref(bus);
    return lock;
}

LogindSleepInhibitor::LogindSleepInhibitor()
{
    dbus_threads_init_default();
    // libdbus would otherwise ignore SIGPIPE for the whole process; it sends with MSG_NOSIGNAL anyway.
    dbus_connection_set_change_sigpipe(FALSE);
}

LogindSleepInhibitor::~LogindSleepInhibitor()
{
    release();
    joinFinished(true);
}

void LogindSleepInhibitor::request(std::function<void()> granted)
{
    joinFinished(false);
    if (m_current)
        return;
    m_granted = std::move(granted);
    m_current = std::make_shared<Attempt>();
    m_attempts.push_back(m_current);
    const QByteArray address = qEnvironmentVariableIsSet("DBUS_SYSTEM_BUS_ADDRESS")
                                   ? qgetenv("DBUS_SYSTEM_BUS_ADDRESS")
                                   : QByteArrayLiteral("unix:path=/var/run/dbus/system_bus_socket");
    m_current->worker = std::thread([this, attempt = m_current, address] {
        const int lock = askLogind(*attempt, address);
        {
            const std::lock_guard<std::mutex> hold(attempt->mutex);
            if (!attempt->withdrawn)
                attempt->lock = lock;
            else if (lock >= 0)
                ::close(lock);
        }
        QMetaObject::invokeMethod(
            &m_answers, [this, attempt] { answered(attempt); }, Qt::QueuedConnection);
        const std::lock_guard<std::mutex> hold(attempt->mutex);
        attempt->finished = true;
    });
}

void LogindSleepInhibitor::answered(const std::shared_ptr<Attempt>& attempt)
{
    int lock = -1;
    {
        const std::lock_guard<std::mutex> hold(attempt->mutex);
        std::swap(lock, attempt->lock);
    }
    joinFinished(false);
    if (attempt != m_current || lock < 0) {
        if (lock >= 0)
            ::close(lock);
        return;
    }
    m_fd = lock;
    if (auto granted = std::exchange(m_granted, nullptr))
        granted();
}

void LogindSleepInhibitor::release()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_granted = nullptr;
    const std::shared_ptr<Attempt> attempt = std::exchange(m_current, nullptr);
    if (!attempt)
        return;
    // The worker's wait on the bus ends at once; it closes a lock that comes anyway.
    const std::lock_guard<std::mutex> hold(attempt->mutex);
    attempt->withdrawn = true;
    if (attempt->socket >= 0)
        ::shutdown(attempt->socket, SHUT_RDWR);
    if (attempt->lock >= 0)
        ::close(std::exchange(attempt->lock, -1));
}

void LogindSleepInhibitor::joinFinished(bool all)
{
    for (auto it = m_attempts.begin(); it != m_attempts.end();) {
        bool finished = all;
        if (!finished) {
            const std::lock_guard<std::mutex> hold((*it)->mutex);
            finished = (*it)->finished;
        }
        if (finished) {
            (*it)->worker.join();
            it = m_attempts.erase(it);
        } else {
            ++it;
        }
    }
}
