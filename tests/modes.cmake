# Tests of modes/.
brelox_add_test(test_stopwatch SOURCES test_stopwatch.cpp ModesRig.h)
brelox_add_test(test_mode_selection SOURCES test_mode_selection.cpp ModesRig.h)
brelox_add_test(test_time_of_day SOURCES test_time_of_day.cpp ModesRig.h)
