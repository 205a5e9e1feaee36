# Tests of modes/.
