// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QtGlobal>

// Runs a slot of a window by its name, as the window's own signal would: the handlers are private slots
// that only the window's controls and timers call, and tests, benchmarks and tools reach them the same way.
inline void invokeSlot(QObject* object, const char* slot)
{
    if (!QMetaObject::invokeMethod(object, slot, Qt::DirectConnection))
        qFatal("%s has no slot %s", object->metaObject()->className(), slot);
}
