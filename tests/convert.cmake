# SPDX-License-Identifier: GPL-3.0-or-later
# Tests of convert/ and modes/.
brelox_add_test(test_line_processor SOURCES test_line_processor.cpp)
