// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

struct FormModel;

// What besides the time decides the shape of a GAZ4 display line.
struct Gaz4Context
{
    bool timersEnabled = false; // at least one of the three periodic timers is enabled
    bool lapFlag = false;
    bool dispZentel = false; // "1/10 Sek." ticked

    static Gaz4Context of(const FormModel& form);
};

// The 20-character board line for a time text.
QString Time2GAZ_Format(QStringView TimeIn, const Gaz4Context& context);
