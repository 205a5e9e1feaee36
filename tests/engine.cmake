# SPDX-License-Identifier: GPL-3.0-or-later
# Tests of engine/: start-up, exit and discovery without a window.
brelox_add_test(test_engine SOURCES test_engine.cpp)
brelox_add_test(test_start_up SOURCES test_start_up.cpp)

# The program itself answers on a terminal without any display: --help and --version with status 0, a wrong
# option with status 2.
set(_nodisplay "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM")
add_test(NAME brelox_without_display COMMAND sh -c "
  out=$(${_nodisplay} \"$0\" --help) && printf '%s' \"$out\" | grep -q -- '--ports <ordner>' || exit 1
  out=$(${_nodisplay} \"$0\" --version) && [ \"$out\" = 'Brelox ${PROJECT_VERSION}' ] || exit 1
  ${_nodisplay} \"$0\" --no-such-option 2>&1 | grep -q no-such-option || exit 1
  ${_nodisplay} \"$0\" --no-such-option 2>/dev/null; [ $? -eq 2 ]" $<TARGET_FILE:brelox>)

# The race journal, also of a Brelox on pseudo-terminals (the test program runs one as its own child).
add_executable(test_journal test_journal.cpp)
target_link_libraries(test_journal PRIVATE brelox_testsupport Qt6::Test)
target_compile_definitions(test_journal PRIVATE BRELOX_SIMULATOR="$<TARGET_FILE:brelox_device_simulator>")
add_dependencies(test_journal brelox_device_simulator)
add_test(NAME test_journal COMMAND test_journal entriesAreWrittenExactly everyByteValueAndChunkSurvives
  faultsGiveOneLineAndTheBoardGetsEveryLine killedMidStreamOrAfter)
# A journal replayed by the device simulator into a second Brelox: on as soon as the simulator reads journals.
add_test(NAME test_journal_round_trip COMMAND test_journal replayedJournalShowsTheSameBoard)
set_tests_properties(test_journal test_journal_round_trip PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
  TIMEOUT 300)
set_tests_properties(test_journal_round_trip PROPERTIES DISABLED TRUE)
