# SPDX-License-Identifier: GPL-3.0-or-later
# Tests of app/: the window with its About dialog, start-up and exit.
# Also keeping the computer awake while ports are open or a clock runs (a private D-Bus daemon stands in for
# the system bus).
find_package(Qt6 REQUIRED COMPONENTS Network)
brelox_add_test(test_main_form GUI SOURCES test_main_form.cpp LIBS Qt6::DBus Qt6::Network)

# SIGTERM, SIGINT and SIGHUP end Brelox as "Datei > Ende" does: status 0, its journal complete to the last
# line. The journal is awaited up to its first log line (written within 250 ms of start-up).
add_test(NAME brelox_ends_on_signals COMMAND sh -c "
  for sig in TERM INT HUP; do
    dir=$(mktemp -d)
    QT_QPA_PLATFORM=offscreen \"$0\" --journal \"$dir\" & pid=$!
    until grep -qs 'Programmstart' \"$dir\"/*.journal; do sleep 0.1; done
    kill -$sig $pid; wait $pid; status=$?
    [ $status -eq 0 ] && [ \"$(tail -c 1 \"$dir\"/*.journal)\" = '' ] || { echo \"SIG$sig: status $status\"; exit 1; }
    rm -r \"$dir\"
  done" $<TARGET_FILE:brelox>)
set_tests_properties(brelox_ends_on_signals PROPERTIES TIMEOUT 60)
