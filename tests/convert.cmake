# Tests of convert/.
brelox_add_test(test_time_values SOURCES test_time_values.cpp ConvertRig.h)
