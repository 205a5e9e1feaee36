#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The mutation run: puts each deliberate fault of scripts/mutations.txt into the sources in turn, rebuilds
# incrementally, runs the suite and tells whether some test failed (killed) or none did (survived). A fault
# whose text is not found exactly once, or that does not compile, is "not applicable". Every fault must be
# killed. The sources are restored after each fault, also on Ctrl+C.
#
#   bash scripts/mutate.sh [-n] [-b build-dir] [-l list] [name...]
#
# -n only checks that each fault's text is found exactly once. Names select faults of the list.
#
# It takes some minutes: run it before a release and after a large change of the tests. The build directory
# (default build/mutate, tests without benchmarks) is kept between runs.
set -uo pipefail
cd "$(dirname "$0")/.."

build=build/mutate
list=scripts/mutations.txt
check=0
while getopts "nb:l:" opt; do
    case $opt in
    n) check=1 ;;
    b) build=$OPTARG ;;
    l) list=$OPTARG ;;
    *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
only=("$@")

export QT_QPA_PLATFORM=offscreen
if [ "$check" = 0 ]; then
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBRELOX_BUILD_BENCH=OFF \
        -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null || exit 1
fi
cmake --build "$build" >"$build/mutate.log" 2>&1 || { echo "the unchanged sources do not build"; exit 1; }
ctest --test-dir "$build" --timeout 120 >>"$build/mutate.log" 2>&1 ||
    { echo "the suite fails on the unchanged sources"; exit 1; }
fi

# Each build and suite run is waited for in the background, so that Ctrl+C stops the run at once.
quietly() {
    "$@" </dev/null >>"$build/mutate.log" 2>&1 &
    wait $!
}

backup=$(mktemp)
target=""
restore() {
    if [ -n "$target" ]; then
        cp "$backup" "$target" # a fresh time stamp, so that the next build sees the file changed
        target=""
    fi
}
trap 'restore; rm -f "$backup"; echo; echo interrupted; exit 130' INT TERM
trap 'restore; rm -f "$backup"' EXIT

killed=0 survived=0 inapplicable=0
results=()

# Runs one fault: name, file, search text, replacement.
run() {
    local name=$1 file=$2 search=$3 replace=$4 verdict
    if [ ${#only[@]} -gt 0 ] && [[ ! " ${only[*]} " == *" $name "* ]]; then
        return
    fi
    local text
    text=$(cat "$file" && printf x) || text=x
    text=${text%x}
    local count
    count=$(python3 -c 'import sys; print(open(sys.argv[1]).read().count(sys.argv[2]))' "$file" "$search")
    if [ "$count" != 1 ]; then
        verdict="not applicable (found $count times)"
        inapplicable=$((inapplicable + 1))
    elif [ "$check" = 1 ]; then
        verdict="found"
        killed=$((killed + 1))
    else
        cp "$file" "$backup"
        target=$file
        printf '%s' "${text/"$search"/"$replace"}" >"$file"
        if ! quietly cmake --build "$build"; then
            verdict="not applicable (does not build)"
            inapplicable=$((inapplicable + 1))
        elif quietly ctest --test-dir "$build" --stop-on-failure --timeout 120; then
            verdict="SURVIVED"
            survived=$((survived + 1))
        else
            verdict="killed by $(grep -o '[0-9]*/[0-9]* Test *#[0-9]*: [a-z_]* .*\*\*\*' "$build/mutate.log" |
                tail -1 | sed 's/.*: \([a-z_]*\) .*/\1/')"
            killed=$((killed + 1))
        fi
        restore
    fi
    results+=("$(printf '%-42s %s' "$name" "$verdict")")
    printf '%-42s %s\n' "$name" "$verdict"
}

name="" file="" search="" replace="" state=""
flush() {
    [ -n "$name" ] && run "$name" "$file" "$search" "$replace"
    name="" file="" search="" replace="" state=""
}
while IFS= read -r line || [ -n "$line" ]; do
    part=${line#?}
    part=${part# }
    case $line in
    "#"* | "") ;;
    "= "*) flush; name=$part; state=name ;;
    "- "* | "-") [ "$state" = minus ] && search+=$'\n'; search+=$part; state=minus ;;
    "+ "* | "+") [ "$state" = plus ] && replace+=$'\n'; replace+=$part; state=plus ;;
    *) [ "$state" = name ] && file=$line ;;
    esac
done <"$list"
flush

# The unchanged sources again, so that the build directory matches them.
[ "$check" = 1 ] || cmake --build "$build" >>"$build/mutate.log" 2>&1
total=$((killed + survived + inapplicable))
echo "killed $killed, survived $survived, not applicable $inapplicable, total $total"
[ "$survived" -eq 0 ] && [ "$inapplicable" -eq 0 ]
