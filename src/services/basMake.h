#pragma once
#include <QString>

namespace tralex {

// Creates every missing folder of a folder path, level by level, and leaves existing ones as they
// are. A blank path creates nothing. Raises a ProgramError (source "MakeFolders") when a folder
// cannot be created, for example because a file of that name is in the way.
void MakeFolders(const QString& folderPath);

// Writes one of the program's own files (list file, settings file, type list): the text followed
// by CR LF, as Windows-31J when every character fits, otherwise as UTF-8 with a byte order mark.
// Creates the missing folders first. An existing file is replaced even when it is read-only; the
// new file keeps the old one's permission bits, with the owner's write bit set. The bytes go to a
// temporary file in the same folder that only takes the file's name once it is complete, so a
// failure or a crash leaves the old file whole. A symbolic link is written through: the file it
// leads to is replaced and the link stays. Raises a ProgramError (source "WriteTextFile") on
// failure.
void WriteTextFile(const QString& path, const QString& text);

}  // namespace tralex
