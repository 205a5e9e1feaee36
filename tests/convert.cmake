# Tests of convert/.
brelox_add_test(test_time_values SOURCES test_time_values.cpp ConvertRig.h)
brelox_add_test(test_gaz4_line SOURCES test_gaz4_line.cpp)
brelox_add_test(test_line_processor SOURCES test_line_processor.cpp ConvertRig.h)
brelox_add_test(test_receive_path SOURCES test_receive_path.cpp ConvertRig.h)
