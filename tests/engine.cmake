# Tests of engine/ that need no window: start-up rules.
brelox_add_test(test_start_up SOURCES test_start_up.cpp)
