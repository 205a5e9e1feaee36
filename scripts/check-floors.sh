#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a file includes from a floor above its own. The floors, from the ground up:
#   core < ports < convert < modes < engine < app
# tools/, bench/, tests/ and fuzz/ stand beside the house and may include anything.
set -euo pipefail
cd "$(dirname "$0")/.."

floors=(core ports convert modes engine app)
status=0
for ((i = 0; i < ${#floors[@]}; i++)); do
  own=${floors[i]}
  [ -d "$own" ] || continue
  above=("${floors[@]:i+1}")
  ((${#above[@]})) || continue
  pattern="^[[:space:]]*#[[:space:]]*include[[:space:]]*\"($(IFS='|'; echo "${above[*]}"))/"
  if hits=$(grep -rnE "$pattern" --include='*.h' --include='*.cpp' --include='*.in' "$own"); then
    echo "$own/ includes from a floor above it:"
    echo "$hits"
    status=1
  fi
done
[ "$status" -eq 0 ] && echo "floors: every include goes to its own floor or below"
exit "$status"
