// SPDX-License-Identifier: GPL-3.0-or-later
#include "convert/Gaz4Line.h"

#include "convert/TextPieces.h"
#include "core/FormModel.h"

using TextPieces::piece;

Gaz4Context Gaz4Context::of(const FormModel& form)
{
    Gaz4Context c;
    c.timersEnabled = form.timers.anyEnabled();
    c.lapFlag = form.LapFlag;
    c.dispZentel = form.DispZentel;
    return c;
}

QString Time2GAZ_Format(QStringView TimeIn, const Gaz4Context& context)
{
    const bool noHours = piece(TimeIn, 1, 2) == u"  ";

    // The base line: times with hours and the time of day move into the "00:" frame, hours and minutes in
    // the places of minutes and seconds, seconds after the point.
    QString base;
    base.reserve(24);
    if (!noHours) {
        base += u"...C    00:";
        base += piece(TimeIn, 1, 5);
        base += u'.';
        base += piece(TimeIn, 7, 2);
        base += u'0';
    } else {
        base += u"....    ";
        base += TimeIn;
        base += u' ';
    }

    const bool running = context.timersEnabled && !context.lapFlag;
    const QStringView b(base);
    QString line;
    line.reserve(24);
    if (running && noHours) {
        if (context.dispZentel) {
            // Tenths: the hundredths digit gives way to a blank.
            line += piece(b, 1, 3);
            line += u'C';
            line += piece(b, 5, 14);
            line += u"  ";
        } else {
            // Whole seconds: the point stays, the fraction goes.
            line += piece(b, 1, 16);
            line += u".   ";
        }
    } else {
        line += piece(b, 1, 3);
        line += u'C';
        line += piece(b, 5);
    }
    return line;
}
