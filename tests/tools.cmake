# SPDX-License-Identifier: GPL-3.0-or-later
# Tests of tools/: the device simulator's parts and the program itself; with the race journal of engine/, also
# of a Brelox on pseudo-terminals (the test program runs one as its own child), which the simulator replays
# into a second Brelox.
brelox_add_test(test_simulator GUI SOURCES test_simulator.cpp LIBS brelox_simulator)
target_compile_definitions(test_simulator PRIVATE
  BRELOX_SIMULATOR="$<TARGET_FILE:brelox_device_simulator>"
  BRELOX_EXAMPLE_RACE="${PROJECT_SOURCE_DIR}/docs/examples/race.txt")
add_dependencies(test_simulator brelox_device_simulator)
