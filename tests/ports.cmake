# SPDX-License-Identifier: GPL-3.0-or-later
# Tests of ports/.

# openpty() for the pseudo-terminal pairs of the serial tests.
target_link_libraries(brelox_testsupport PUBLIC util)

brelox_add_test(test_port_settings SOURCES test_port_settings.cpp)
brelox_add_test(test_serial_pty SOURCES test_serial_pty.cpp)
# Faults at the port boundary, on pseudo-terminals and on the fake port, through the window.
brelox_add_test(test_port_faults GUI SOURCES test_port_faults.cpp)
