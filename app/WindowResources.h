// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Registers the window library's pictures (a static library's resources are not registered by themselves)
// and the look-alikes of the window's Windows fonts. Safe to call often; the work is done once.
void loadWindowResources();
