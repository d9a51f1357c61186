#pragma once
// Single values of INI files ("[section]" lines and "key=value" lines), read and written the way
// the Windows profile functions do:
// - section and key names are compared without regard to letter case; spaces around section
//   names, keys and values are not part of them;
// - lines starting with ";" are comments; lines before the first section belong to none;
// - the first section of a name is the section, and the first line of a key in it is the key;
// - a missing file, section or key reads as the empty text; values are never cut.
// Writing changes one line (or adds one or two) and keeps every other line as it was, line ends
// included. The file is read in any of the encodings of CodePage.h and written back in the one it
// had (a new or pure-ASCII file is written as Tralex writes its own files), through a temporary
// file and a rename, so that a failed write leaves the old file as it was.
#include <QString>

namespace tralex {

// The value of key in section of the INI file; the empty text when the file cannot be read or
// decoded or has no such section or key.
QString GetPrivateProfileString(const QString& section, const QString& key, const QString& file);

// Sets key in section of the INI file to value: replaces the value of the key, or adds the key at
// the end of its section, or adds the section at the end of the file; creates the file when it is
// missing. Returns false, leaving the file as it was, when the file cannot be decoded or written
// (a read-only file, one without the owner's write bit, is not written), when section or key is empty or cannot be written on one
// line ("]" in a section, "=" in a key, a key starting with "[" or ";"), or when any of them holds
// a line break.
bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& file);

}  // namespace tralex
