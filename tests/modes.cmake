# SPDX-License-Identifier: GPL-3.0-or-later
# Tests of modes/.
brelox_add_test(test_modes SOURCES test_modes.cpp)
# The system clock that the stopwatch and countdown measure with.
brelox_add_test(test_clock SOURCES test_clock.cpp)
