#pragma once
#include "services/OrderedList.h"

#include <QString>

namespace tralex {

// The "drive" of a path: "/" for an absolute path, the empty text for a relative or blank one.
QString GetDrivePart(const QString& vstrPath);

// The part of a folder path below its drive: "/data/sub/" gives "data/sub/", "/" the empty
// text. A relative path is all below the drive and comes back as it is, so that
// GetDrivePart(p) + GetPathBelowDrive(p) is always p (blank paths give the empty text).
QString GetPathBelowDrive(const QString& vstrPath);

// Appends every subfolder, at every depth, of the folders in the list (each entry a folder path
// ending with "/"): level by level, the children of one level in the order of their parents,
// each parent's children in the order clsFindFile lists them. Each appended entry is its own
// path with a final "/" and carries that path as its key.
//
// Hidden folders (names starting with ".") are left out, and everything inside them. Symbolic
// links are never followed. A folder is listed once: one reached a second time (the same folder
// through another path, such as a bind mount, or one already in the list) is not appended again.
// Two different folders whose names differ only in letter case are both appended, the second
// without a key, since here they are two folders with files of their own.
// A folder that cannot be read adds nothing; a folder whose name is not valid UTF-8 cannot be
// named in a path and is left out.
void AddSubFolders(OrderedList& list);

}  // namespace tralex
