// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LogindSleepInhibitor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>

#include <fcntl.h>
#include <unistd.h>

namespace {

// How long a login manager that does not answer may hold up the window.
constexpr int AnswerTimeoutMsecs = 1000;

} // namespace

LogindSleepInhibitor::~LogindSleepInhibitor()
{
    release();
}

bool LogindSleepInhibitor::acquire()
{
    if (m_fd >= 0)
        return true;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep:idle") << QStringLiteral("Brelox")
         << QStringLiteral("Zeitmessung: COM-Port geöffnet oder Uhr läuft") << QStringLiteral("block");
    const QDBusReply<QDBusUnixFileDescriptor> reply = bus.call(call, QDBus::Block, AnswerTimeoutMsecs);
    if (!reply.isValid() || !reply.value().isValid())
        return false;
    // The reply closes its own descriptor; the lock lives on in a copy of it.
    m_fd = fcntl(reply.value().fileDescriptor(), F_DUPFD_CLOEXEC, 0);
    return m_fd >= 0;
}

void LogindSleepInhibitor::release()
{
    if (m_fd < 0)
        return;
    ::close(m_fd);
    m_fd = -1;
}
