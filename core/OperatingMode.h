// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the program puts on the board; held by the window's five option buttons.
enum class OperatingMode
{
    in_out,
    TagAlge,
    AktTime,
    Stopen,
    Timer
};
