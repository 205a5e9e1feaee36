#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The house rules that a compiler does not check: formatting, clang-tidy over the libraries (every warning
# fails), and includes only from a file's own floor or below. Needs the debug build's compile commands.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/check-floors.sh

# Under pipefail a pipe into a reader that may stop early (grep -q, grep -m, head) fails by chance: the writer
# dies of SIGPIPE. The scripts take the output into a variable or a file first.
early='(^|[^|])\|[[:space:]]*(head|grep[[:space:]]+(-[[:alnum:]]*[qm]|--quiet|--max-count))'
if grep -nE "$early" scripts/*.sh .ci/run; then
  echo "style: a pipe into grep -q, grep -m or head under pipefail (above)"
  exit 1
fi

mapfile -t sources < <(git ls-files -co --exclude-standard -- '*.cpp' '*.h' | grep -v '^build/')
clang-format --dry-run -Werror "${sources[@]}"
echo "format: ${#sources[@]} files as .clang-format wants them"

[ -f build/debug/compile_commands.json ] || cmake --preset debug >/dev/null
mapfile -t libraries < <(git ls-files -co --exclude-standard -- 'core/*.cpp' 'ports/*.cpp' 'convert/*.cpp' \
  'modes/*.cpp' 'engine/*.cpp' 'app/*.cpp')
# The generated ui_*.h headers come from the build; make sure they exist before tidy reads the window.
cmake --build --preset debug --target brelox_widgets >/dev/null
run-clang-tidy -p build/debug -quiet -j "$(nproc)" "${libraries[@]}" >build/clang-tidy.log 2>&1 || {
  grep -E 'warning:|error:' build/clang-tidy.log || tail -20 build/clang-tidy.log
  echo "clang-tidy: warnings in the libraries (full output in build/clang-tidy.log)"
  exit 1
}
echo "clang-tidy: ${#libraries[@]} files without a warning"
