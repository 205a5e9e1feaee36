#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# CI: builds the libFuzzer targets (clang, ASan, UBSan) and runs each for a bounded time on a copy of its
# seed corpus. Fails on any crash, sanitizer report or violated property; the input that caused it is left
# in build/fuzz/findings/<target>/ (see README, "Fuzzing").
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-20}"
cmake --preset fuzz
cmake --build --preset fuzz

status=0
for target in fuzz_receive_stream fuzz_time_values fuzz_port_settings; do
    work="build/fuzz/work/$target"
    findings="build/fuzz/findings/$target"
    rm -rf "$work" "$findings"
    mkdir -p "$work" "$findings"
    cp fuzz/corpus/"$target"/* "$work"/
    # The receive stream repeats bytes by command, so its inputs stay short and long lines stay reachable.
    max_len=40000
    [[ $target == fuzz_receive_stream ]] && max_len=4096
    echo "== $target (${seconds} s)"
    # ASan's quarantine of freed memory at 64 MB (not 256) still spans dozens of inputs, and spares the
    # receive stream a fresh page for most of its long lines.
    if ! ASAN_OPTIONS=detect_leaks=1:quarantine_size_mb=64 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "build/fuzz/fuzz/$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=30 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" "$work"; then
        echo "ci-fuzz: $target failed; the input is in $findings/" >&2
        status=1
    fi
done
exit "$status"
