#!/usr/bin/env bash
# Installs what is needed, builds Brelox and starts it. Where no serial hardware is attached (no USB or ACM
# serial device and no ports folder of your own), a simulated timing device on COM 1 and a display board on
# COM 2 are started beside it; what the board receives is written to the terminal.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset release
cmake --build --preset release --target brelox brelox_device_simulator

config="${XDG_CONFIG_HOME:-$HOME/.config}"
if [ ! -d "$config/brelox/ports" ] && ! compgen -G "/dev/ttyUSB*" >/dev/null && ! compgen -G "/dev/ttyACM*" >/dev/null; then
  simulated=$(mktemp -d)
  export XDG_CONFIG_HOME="$simulated"
  ./build/release/tools/brelox_device_simulator --ports "$simulated/brelox/ports" &
  simulator=$!
  trap 'kill $simulator 2>/dev/null; rm -rf "$simulated"' EXIT
  sleep 0.5
  echo "No serial hardware found: simulated timing device on COM 1, board on COM 2."
  ./build/release/Brelox
else
  exec ./build/release/Brelox
fi
