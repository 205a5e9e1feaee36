#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is needed, builds everything and runs the whole test suite (no display needed): the debug
# suite (then the test share, which only informs), the house rules (formatting, clang-tidy, floors), the
# Debian package with its checks, the whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer,
# and each fuzz target for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
cmake --preset debug
cmake --build --preset debug
ctest --preset debug
bash scripts/test-share.sh || true
bash scripts/check-style.sh
bash scripts/ci-package.sh
bash scripts/ci-asan.sh
bash scripts/ci-fuzz.sh
