#pragma once
// The chain of folders under a backup folder that mirrors a folder of a run: backup folder /bk,
// folder /data/sub/ -> /bk/data/sub/.
//
// The chain is opened, and what is missing made, one folder at a time from the backup folder,
// each relative to the one before and never through a link, so that nobody who can write in a
// shared backup folder can steer backups into a place of his choosing. A folder of the chain that
// is a link, or that belongs to another user (neither root nor the running user) and is writable
// by others, is refused. Each folder of the chain is no more open than the folder it mirrors:
// new ones are made so, and our own older ones lose the permission bits the mirrored folder does
// not have, so that a backup is never readable where its original was not.
#include "platform/FolderHandle.h"

#include <QString>

namespace tralex {

// Opens the mirror of `folder` under `backUpRoot`. On failure the handle is invalid with the
// errno: ELOOP or ENOTDIR for a link, EPERM for a folder of someone else's that others may write,
// or what making or opening a folder gave.
FolderHandle OpenMirrorFolder(const QString& backUpRoot, const QString& folder);
// The same for a folder given as the bytes of its absolute path without "." or ".." parts, as
// the file system has its names (a folder whose names are not UTF-8 is mirrored byte for byte).
FolderHandle OpenMirrorFolder(const QString& backUpRoot, const QByteArray& folder);
// The path of that mirror, as bytes: the backup folder's absolute path followed by `folder`.
QByteArray MirrorFolderPath(const QString& backUpRoot, const QByteArray& folder);

}  // namespace tralex
