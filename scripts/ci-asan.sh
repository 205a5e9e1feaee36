#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# CI: the whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer, leak checking on.
# The leak suppressions are built into the executables themselves (core/SanitizerDefaults.cpp).
set -euo pipefail
cd "$(dirname "$0")/.."

export QT_QPA_PLATFORM=offscreen
cmake --preset asan
cmake --build --preset asan
for program in build/asan/brelox build/asan/tests/test_main_form; do
    if ! nm -C "$program" | grep ' T __lsan_default_suppressions' >/dev/null; then
        echo "ci-asan: $program lacks the built-in leak suppressions" >&2
        exit 1
    fi
done
ctest --preset asan
