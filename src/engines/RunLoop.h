#pragma once
// The one run of every engine over the files of a type: replacing (with a FileWorker that knows
// the format) or deleting backups.
//
// The folders are listed first (FolderWalk, through folder descriptors), then each folder is
// opened again from its parent and its entries matching "*." + type are handled in turn:
//   1. the entry is reported as progress, and the run ends here when STOP was asked for;
//   2. names that are not text, links, folders swapped meanwhile and unreadable folders are
//      reported; subfolders whose own name matches the type are entered (once);
//   3. backups, renewal files and office lock files are never targets;
//   4. the file is opened relative to its folder without following a link; the open descriptor
//      is the snapshot every later step checks against; a file that is no longer a regular file
//      is reported;
//   5. the worker makes the new content (reading the bytes only when it needs them);
//   6. the backup folder chain is made, and FileRenewal puts the new content in place, the old
//      inode becoming the backup, with distinct temporary names for the two.
// Each file system written to is flushed once at the end, whichever way the run ends.
#include "engines/FileWorker.h"
#include "platform/FileRenewal.h"
#include "platform/FileSystemFlush.h"
#include "platform/FolderHandle.h"

#include <QSet>
#include <QString>

namespace tralex {

class TralexEngine;
class clsFindFile;

class RunLoop {
public:
    // worker: the format's work; null to delete the backups of the type instead.
    RunLoop(TralexEngine& engine, FileWorker* worker, FileRenewal& renewal, FileSystemFlush& flush);

    // Runs over the engine's target folder (and subfolders) for its type. Returns normally after
    // STOP; an exception of the worker, or a backup that cannot be deleted, ends it.
    void Run();

private:
    // Handles the entries of an opened folder; false when the run was stopped.
    bool searchFolder(const FolderHandle& folder, const QString& path);
    bool handleEntry(const FolderHandle& folder, const QString& path, const clsFindFile& search,
                     const QString& name);
    void handleFile(const FolderHandle& folder, const QString& path, const QString& name,
                    const QByteArray& rawName);
    void replaceIn(const FolderHandle& folder, const QString& folderPath, const QString& name,
                   const QByteArray& rawName);
    void renew(const FolderHandle& folder, const QString& folderPath, const FileAtHand& file,
               const QByteArray& rawName, const QByteArray& content);
    void deleteBackUp(const FolderHandle& folder, const QString& folderPath, const QString& name,
                      const QByteArray& rawName);
    void skipFolder(const QString& path, int error);
    bool isCandidate(const QString& name) const;

    TralexEngine& mEngine;
    FileWorker* mWorker;
    FileRenewal& mRenewal;
    FileSystemFlush& mFlush;
    QSet<FileIdentity> mVisited;  // folders handled in this run
};

}  // namespace tralex
