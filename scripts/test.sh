#!/usr/bin/env bash
# Installs what is needed, builds everything and runs the whole test suite (no display needed).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
cmake --preset debug
cmake --build --preset debug
ctest --preset debug
