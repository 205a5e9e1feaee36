// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WindowResources.h"

#include <QFont>
#include <QStringList>

// Q_INIT_RESOURCE declares the registration function where it stands: outside any namespace.
static bool registerResources()
{
    Q_INIT_RESOURCE(resources);
    // The window's fonts are named as on Windows; elsewhere look-alikes of the same width stand in.
    QFont::insertSubstitutions(
        QStringLiteral("MS Sans Serif"),
        {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    // The port lists' narrow font, so that "Kein Comport verfügbar" shows whole in them.
    QFont::insertSubstitution(QStringLiteral("Arial Narrow"), QStringLiteral("Liberation Sans Narrow"));
    QFont::insertSubstitutions(QStringLiteral("Courier"),
                               {QStringLiteral("Courier New"), QStringLiteral("Liberation Mono")});
    return true;
}

void loadWindowResources()
{
    static const bool registered = registerResources();
    Q_UNUSED(registered);
}
