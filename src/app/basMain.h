#pragma once
// The program's start: the single-instance guard, the version text and the hand-over from the
// splash window to the main window.
#include <QString>

namespace tralex {

// The version as major.minor.revision in plain decimal numbers ("1.6.0"). It never changes while
// the program runs.
QString AppVersion();

}  // namespace tralex
