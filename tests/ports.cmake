# Tests of ports/.

brelox_add_test(test_port_settings SOURCES test_port_settings.cpp)
brelox_add_test(test_port_toggle SOURCES test_port_toggle.cpp)
brelox_add_test(test_port_discovery SOURCES test_port_discovery.cpp)
brelox_add_test(test_manual_send SOURCES test_manual_send.cpp)
