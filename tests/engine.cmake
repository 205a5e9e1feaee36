# SPDX-License-Identifier: GPL-3.0-or-later
# Tests of engine/: start-up, exit and discovery without a window; the message log and the monitors.
brelox_add_test(test_engine SOURCES test_engine.cpp)

# The program itself answers on a terminal without any display: --help and --version with status 0, a wrong
# option with status 2.
set(_nodisplay "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM")
add_test(NAME brelox_without_display COMMAND sh -c "
  out=$(${_nodisplay} \"$0\" --help) && printf '%s' \"$out\" | grep -q -- '--ports <ordner>' || exit 1
  out=$(${_nodisplay} \"$0\" --version) && [ \"$out\" = 'Brelox ${PROJECT_VERSION}' ] || exit 1
  ${_nodisplay} \"$0\" --no-such-option 2>&1 | grep -q no-such-option || exit 1
  ${_nodisplay} \"$0\" --no-such-option 2>/dev/null; [ $? -eq 2 ]" $<TARGET_FILE:brelox>)

# The race journal is tested beside the device simulator, which replays it (tools.cmake).
