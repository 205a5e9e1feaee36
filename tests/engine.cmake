# Tests of engine/: start-up, exit and discovery without a window.
brelox_add_test(test_engine SOURCES test_engine.cpp)
