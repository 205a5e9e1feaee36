#!/usr/bin/env bash
# Installs what is needed, builds Brelox and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset release
cmake --build --preset release --target brelox
exec ./build/release/Brelox
