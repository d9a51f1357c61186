#pragma once
#include <QString>

namespace tralex {

// Splitting paths and testing what they name. Paths use "/"; a folder path may or may not end
// with "/", and each operation says which form it expects and returns. The splitters give the
// empty text for a blank path (empty or only spaces).

// The folder part of a path, always ending with "/": "/data/a.txt" gives "/data/", "/a.txt"
// gives "/", and a folder path with its final "/" is its own folder part. A path without any
// "/" has no folder part and raises a ProgramError.
QString GetFolderPart(const QString& vstrPath);

// The part after the last "/"; the whole path when it has none ("/data/" gives the empty text).
QString GetFileName(const QString& vstrPath);

// Whether the path, exactly as written (names are case-sensitive here), names an ordinary file
// that is not hidden (its name does not start with "."). A symbolic link counts when it leads to
// such a file, since the name then opens, reads and writes as that file; a link to a folder or a
// dangling link does not. Folders, pipes and devices give false.
bool FileExists(const QString& vstrPath);

// Whether the path names something that exists: a blank path counts as existing; a path ending
// with "/" is tested as a folder; any other path as a file (FileExists), so an existing folder
// written without its final "/" gives false.
bool PathExists(const QString& vstrPath);

// Whether the text is empty or holds spaces (U+0020) only.
bool IsBlank(const QString& text);
// The text without the spaces (U+0020) at its two ends; other white space stays.
QString TrimBlanks(const QString& text);

}  // namespace tralex
