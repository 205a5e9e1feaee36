#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Prints the share of test code: lines of the .cpp/.h files in tests/ and fuzz/ against those of the program
# (core/ ports/ convert/ modes/ engine/ app/ tools/). The aim is at most a third; this only informs.
set -euo pipefail
cd "$(dirname "$0")/.."

lines() { find "$@" -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 cat | wc -l; }
tests=$(lines tests fuzz)
program=$(lines core ports convert modes engine app tools)
awk -v t="$tests" -v p="$program" 'BEGIN {
    share = 100 * t / (t + p)
    printf "test share: %d test lines, %d program lines: %.1f %% of both (aim: at most 33.3 %%)\n", t, p, share
}'
