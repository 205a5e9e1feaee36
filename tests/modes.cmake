# SPDX-License-Identifier: GPL-3.0-or-later
# Tests of modes/.
brelox_add_test(test_modes SOURCES test_modes.cpp)
