#pragma once
// Folder paths as Tralex passes them around: with a final "/".
#include <QString>

namespace tralex {

// The folder path with a final "/" (added when it is missing).
QString WithFinalSlash(const QString& folder);

}  // namespace tralex
