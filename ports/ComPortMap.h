// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Where "COM n" lives on this machine.
//
// If the folder <config>/brelox/ports/ exists (config: $XDG_CONFIG_HOME, else ~/.config), it is the whole
// map: a link "comN" (N = 1..16) in it names the device of COM N, and only linked numbers exist. Otherwise
// a fixed table: COM 1-4 = /dev/ttyS0-3, COM 5-12 = /dev/ttyUSB0-7, COM 13-16 = /dev/ttyACM0-3. On Windows
// COM N is the system's own COMN.
class ComPortMap
{
public:
    static constexpr int HighestMapped = 16;

    // Uses the ports folder below the user's configuration folder.
    ComPortMap();
    // Uses the given ports folder (tests).
    explicit ComPortMap(const QString& portsFolder);

    // The device path to open for COM n, or an empty text when COM n does not exist here.
    QString devicePath(int number) const;
    QString portsFolder() const { return m_portsFolder; }

    static QString defaultPortsFolder();

private:
    QString m_portsFolder;
};
