# SPDX-License-Identifier: GPL-3.0-or-later
# Tests of app/: the window with its About dialog, start-up and exit.
brelox_add_test(test_main_form GUI SOURCES test_main_form.cpp)
# Keeping the computer awake while ports are open or a clock runs (a private D-Bus daemon stands in for the
# system bus).
find_package(Qt6 REQUIRED COMPONENTS Network)
brelox_add_test(test_sleep_lock GUI SOURCES test_sleep_lock.cpp LIBS Qt6::DBus Qt6::Network)
