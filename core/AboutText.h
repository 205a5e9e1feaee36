// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The text of the About box: title, version, notice and credit, eleven lines joined by CR LF.
namespace AboutText {

// "Version 1.02" for version 1.0 revision 2: the minor number and the revision are joined without a point.
QString versionLine(int major, int minor, int revision);
QString build(int major, int minor, int revision);
// The About text of this build.
QString current();

} // namespace AboutText
