#pragma once
// LibreOffice's lock files (".~lock." + name + "#" beside a file it has open).
//
// Tralex's own LibreOffice works on private copies and leaves no lock beside a user's file, but
// another program's LibreOffice does, and a lock tells that someone edits the file right now.
// A lock that names one of Tralex's own private profiles that is gone (left by a run that was
// killed before it worked on copies) blocks nothing: it is removed.
#include <QByteArray>
#include <QString>

namespace tralex {

// The name every private profile folder of Tralex's LibreOffice starts with.
inline const QString OwnProfilePrefix = QStringLiteral("tralex-office-");

// Whether the file `name` of an open folder is locked by a LibreOffice other than a dead one of
// ours; a dead one's lock is removed.
bool IsLockedByOthers(int folder, const QByteArray& name);

}  // namespace tralex
