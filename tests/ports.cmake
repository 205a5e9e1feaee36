# Tests of ports/.
