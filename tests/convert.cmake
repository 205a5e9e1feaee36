# Tests of convert/.
