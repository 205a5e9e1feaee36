// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ports/PortSettings.h"

#ifdef Q_OS_LINUX
#include <termios.h>

// Whether the line settings a driver reports back after the open (its termios) are the ones asked for. A
// driver that cannot do a setting quietly keeps another one, and the port must not run with settings other
// than those asked for. A baud rate without a speed constant of its own is set another way and is not
// compared. A pseudo-terminal has no line: its driver reports 8 bits without parity whatever was asked, so
// only its speed and stop bits count.
namespace LineReadBack {

bool tookEffect(const termios& reported, const PortSettings::LineSettings& asked, bool pseudoTerminal);

} // namespace LineReadBack
#endif
