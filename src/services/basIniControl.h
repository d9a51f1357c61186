#pragma once
// Single values of the program's INI files ("Tralex.ini", "DialogBox.ini"). Between writes every
// INI file the program has written is read-only (no write bits), so that it is not changed by
// accident.
#include <QString>

namespace tralex {

// The value of key in section of the INI file; the empty text when the file, the section or the
// key is missing. Values of any length are read whole.
QString ReadIniValue(const QString& file, const QString& section, const QString& key);

// Makes the file writable, writes the value, and makes the file read-only again; each step runs
// even when the one before failed. Returns whether the value was written. A value holding a line
// break cannot be stored on one line and is refused (false, file unchanged).
bool WriteIniValue(const QString& file, const QString& section, const QString& key,
                   const QString& value);

}  // namespace tralex
