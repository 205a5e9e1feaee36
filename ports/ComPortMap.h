// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Where "COM n" lives on this machine, decided once for the whole run.
//
// A ports folder is the whole map: a link "comN" (N = 1..16) in it names the device of COM N, and only
// linked numbers exist. A link that is gone, or a folder that is gone, is a port that is not there (until
// they come back): the fixed table is never asked instead, so that a lost device is never replaced by
// whatever sits on a serial port. Without a ports folder a fixed table applies: COM 1-4 = /dev/ttyS0-3,
// COM 5-12 = /dev/ttyUSB0-7, COM 13-16 = /dev/ttyACM0-3. On Windows COM N is the system's own COMN.
class ComPortMap
{
public:
    static constexpr int HighestMapped = 16;

    // The map for a run: the ports folder named on the command line (empty: none); without one the user's
    // ports folder <config>/brelox/ports when it exists now; only when neither exists the fixed table.
    static ComPortMap atStart(const QString& namedFolder);
    // The links in the given ports folder, whether it exists now or not; an empty name gives the fixed table.
    explicit ComPortMap(const QString& portsFolder);

    // The device path to open for COM n, or an empty text when COM n is not there.
    QString devicePath(int number) const;
    // Empty for the fixed table.
    QString portsFolder() const { return m_portsFolder; }

    // <config>/brelox/ports, config being Qt's generic configuration folder ($XDG_CONFIG_HOME when it is
    // absolute, else ~/.config).
    static QString defaultPortsFolder();

private:
    QString m_portsFolder;
};
