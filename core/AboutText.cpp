// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/AboutText.h"

#include "Version.h"

#include <QStringList>

namespace AboutText {

QString versionLine(int major, int minor, int revision)
{
    return QStringLiteral("Version %1.%2%3").arg(major).arg(minor).arg(revision);
}

QString build(int major, int minor, int revision)
{
    const QStringList lines = {
        QStringLiteral("Brelox mit Serial Konverter"),
        versionLine(major, minor, revision),
        QString(),
        QStringLiteral("Dieses Programm darf frei verwendet und weitergegeben werden."),
        QStringLiteral("Wer es einsetzt, unterstützt bitte die Jugendabteilung seines Sportvereins mit einem "
                       "Betrag nach Wahl."),
        QStringLiteral("Als Richtwert schlagen wir 20 Euro vor."),
        QStringLiteral(
            "Bank: die Hausbank des Vereins, Kontoinhaber: Jugendabteilung des Sportvereins, am Vereinsort"),
        QStringLiteral("Kontonummer laut Aushang im Verein, Verwendungszweck: Spende Brelox"),
        QStringLiteral("Weitere Kontaktdaten stehen auf der Webseite des Vereins."),
        QString(),
        QStringLiteral("2026 Die Brelox-Entwickler - https://brelox.example.org"),
    };
    return lines.join(QStringLiteral("\r\n"));
}

QString current()
{
    return build(Version::Major, Version::Minor, Version::Revision);
}

} // namespace AboutText
