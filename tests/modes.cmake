# Tests of modes/.
brelox_add_test(test_modes SOURCES test_modes.cpp)
