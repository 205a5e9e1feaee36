// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cerrno>
#include <cstring>

// A system error in the simulator's language (German), for the usual ones; else the system's own text.
inline QString systemReason(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("keine Rechte");
    case ENOENT:
        return QStringLiteral("existiert nicht");
    case ENOTDIR:
        return QStringLiteral("kein Ordner");
    case EISDIR:
        return QStringLiteral("ist ein Ordner");
    case EROFS:
        return QStringLiteral("schreibgeschützt");
    case ENOSPC:
        return QStringLiteral("Datenträger voll");
    case EIO:
        return QStringLiteral("Ein-/Ausgabefehler");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}
