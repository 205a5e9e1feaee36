#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is needed, builds Brelox and starts it. Where no serial hardware is attached (no USB or ACM
# serial device and no ports folder of your own), a simulated timing device on COM 1 and a display board on
# COM 2 are started beside it, linked into a temporary ports folder that Brelox is started with (--ports);
# the user's own ports folder is never touched (--no-hint: this script starts Brelox itself, so the simulator
# need not say how). What the board receives is written to the terminal; options after `--` go to the
# simulator, e.g. `bash scripts/run.sh -- --board-window`.
set -euo pipefail
cd "$(dirname "$0")/.."

simulator_options=()
if [ "${1:-}" = "--" ]; then
  shift
  simulator_options=("$@")
fi

bash scripts/install-deps.sh
cmake --preset release
cmake --build --preset release --target brelox brelox_device_simulator

config="${XDG_CONFIG_HOME:-$HOME/.config}"
if [ ! -d "$config/brelox/ports" ] && ! compgen -G "/dev/ttyUSB*" >/dev/null && ! compgen -G "/dev/ttyACM*" >/dev/null; then
  ports=$(mktemp -d "${TMPDIR:-/tmp}/brelox-ports-XXXXXX")
  ./build/release/tools/brelox_device_simulator --ports "$ports" --no-hint "${simulator_options[@]}" &
  simulator=$!
  trap 'kill $simulator 2>/dev/null; wait $simulator 2>/dev/null; rm -rf "$ports"' EXIT
  for _ in $(seq 50); do
    [ -L "$ports/com2" ] && break
    sleep 0.1
  done
  echo "No serial hardware found: simulated timing device on COM 1, board on COM 2."
  ./build/release/Brelox --ports "$ports"
else
  exec ./build/release/Brelox
fi
