# SPDX-License-Identifier: GPL-3.0-or-later
# Tests of ports/.

# openpty() for the pseudo-terminal pairs of the serial tests.
target_link_libraries(brelox_testsupport PUBLIC util)

brelox_add_test(test_port_settings SOURCES test_port_settings.cpp)
# The port service on pseudo-terminals, also with its faults at the port boundary, through the window.
brelox_add_test(test_serial_pty GUI SOURCES test_serial_pty.cpp)
