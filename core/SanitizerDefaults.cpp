// SPDX-License-Identifier: GPL-3.0-or-later
// Built only into sanitizer builds, so that the defaults hold wherever the program runs, not only under
// ctest.

// libdbus keeps about 1 kB of process-wide state until exit when the xcb platform is used.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libdbus-1.so\n";
}
