#pragma once
// The one run of every engine over the files of a type: replacing (with a FileWorker that knows
// the format) or deleting backups.
//
// The folders are listed first (FolderWalk, through folder descriptors), then each folder is
// opened again from its parent and its entries matching "*." + type are handled in turn:
//   1. the entry is reported as progress, and the run ends here when STOP was asked for;
//   2. names that are not text, links, folders swapped meanwhile and unreadable folders are
//      reported; subfolders whose own name matches the type are entered (once), right where
//      they are met;
//   3. backups, renewal files and office lock files are never targets;
//   4. the file is opened relative to its folder without following a link; the open descriptor
//      is the snapshot every later step checks against; a file that is no longer a regular file
//      is reported;
//   5. the worker makes the new content (reading the bytes only when it needs them);
//   6. the backup folder chain is made, and FileRenewal puts the new content in place, the old
//      inode becoming the backup, with distinct temporary names for the two.
// Each file system written to is flushed once at the end, whichever way the run ends.
//
// Names are used as the file system has them (bytes); their text is for the user only. A
// Windows-31J name is handled like any other and shown with its mark; its backup name and the
// mirror folders of its backup keep its bytes.
//
// Memory stays in proportion to the number of folders: the walk keeps names, and the folders
// entered for their names are one stack of listings under one path that grows and shrinks, with
// only the innermost folder open. Running out of memory in a folder skips that folder, reported,
// and the run goes on.
#include "engines/FileWorker.h"
#include "engines/JobThread.h"
#include "engines/RunResult.h"
#include "platform/FileNameText.h"
#include "platform/FileRenewal.h"
#include "platform/FileSystemFlush.h"
#include "platform/LocalClock.h"
#include "platform/MemoryFile.h"
#include "platform/FolderHandle.h"
#include "services/RunJournal.h"

#include <QSet>
#include <QString>

#include <vector>

namespace tralex {

class TralexEngine;
class clsFindFile;

class RunLoop {
public:
    // worker: the format's work; null to delete the backups of the type instead.
    RunLoop(TralexEngine& engine, FileWorker* worker, FileRenewal& renewal, FileSystemFlush& flush);
    ~RunLoop();
    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

    // Runs over the engine's target folder (and subfolders) for its type. Returns normally after
    // STOP; an exception of the worker, or a backup that cannot be deleted, ends it.
    void Run();
    // Runs over given files only (paths below the target folder as the file system has their
    // names), each checked, opened and renewed as in Run; their folders are opened name by name
    // from the target folder without following links.
    // A file that a preview read must still be what it read; its new content, where the preview
    // kept it, is put in place without replacing again.
    void RunListed(const QList<FileReport>& files);

private:
    class Trail;
    struct Frame;
    struct Searching;
    struct EndOfRun;
    // A file whose new content is being put in place, and what its report needs.
    struct Renewing {
        QString path;
        QString mark;
        QString note;            // the worker's note on the file, taken before the next file
        FileReport report;
        QByteArray content;
        std::optional<KeptPiece> kept;          // or where a preview kept it
        std::shared_ptr<ContentStream> stream;  // of a file in blocks: makes the content instead
        FileSnapshot snapshot;   // keeps the file open
        std::shared_ptr<UniqueFd> folder;  // the file's folder, when the renewal has a thread
        FolderHandle backUpFolder;
        RenewalTarget target;
        RenewOutcome outcome = RenewOutcome::WriteFailed;
        qint64 written = 0;      // bytes of new content written
    };
    // What a preview read of a file it found to change: its stamp, and, when the worker read
    // bytes, the bytes whose hash is still to complete it.
    struct PreviewRead {
        std::optional<ReadStamp> stamp;
        QByteArray bytes;
        bool hashLater = false;
    };
    // A file a preview found to change, being noted (its read hashed, its lines made, its new
    // content kept), and what its report needs.
    struct Noting {
        QString line;            // its result line
        FileReport report;
        QByteArray read;         // the bytes read
        bool hashRead = false;   // report.read still wants their hash
        QByteArray content;      // the new content
        std::function<QList<ChangedLine>(qint64&)> lines;  // when they are still to be made
        std::shared_ptr<MemoryFile> keepIn;  // where the new content is to be kept, if anywhere
        bool outOfMemory = false;
    };

    // The target folder with its final "/"; notes its absolute path's bytes for the mirror.
    QString startFolder();

    // Handles an opened folder and the folders inside it whose names match the type; false when
    // the run was stopped.
    bool searchFolder(FolderHandle folder, const QString& path, const QByteArray& rawBelowStart);
    // Handles the next entry of the innermost folder, or leaves the folder after its last one;
    // false when the run was stopped.
    bool nextEntry(Searching& s);
    // Reports an entry as progress and handles it; false when the run was stopped.
    bool takeEntry(Searching& s, const QString& name);
    void handleEntry(Searching& s, const FileNameText& name);
    // Lists a folder and makes it the innermost one; false when it is not searched (handled
    // before, or unreadable and reported).
    bool enter(Searching& s, FolderHandle folder, const QString& name, const QByteArray& rawName);
    // Leaves the innermost folder, and each folder around it that cannot be opened again.
    void leave(Searching& s);
    void handleFile(const FolderHandle& folder, const Trail& trail, const FileNameText& name,
                    const QByteArray& rawName);
    void replaceIn(const FolderHandle& folder, const Trail& trail, const FileNameText& name,
                   const QByteArray& rawName);
    // The work on an opened file: the worker's, or what the preview it was listed from kept.
    FileWork workOn(FileAtHand& file, PreviewRead& read);
    // What a file holds now, as a preview notes it and the files chosen from it are checked.
    ReadStamp stampOf(const FileSnapshot& snapshot, const QByteArray& bytes) const;
    // The same without the hash of the content.
    static ReadStamp identityOf(const FileSnapshot& snapshot);
    // Puts the new content in place; `checked`: CheckBeforeWriting passed just now. With a
    // renewal thread, the renewal is started there and reported later (finishRenewal).
    void renew(const FolderHandle& folder, const Trail& trail, const FileAtHand& file,
               const QString& mark, const FileWork& work, bool checked);
    void carryOut(Renewing& r);
    void report(Renewing& r);
    // Waits for the renewal in hand, if any, and reports it.
    void finishRenewal();
    // Lists a file a preview found to change, with what a run would do to it: noted on the
    // thread, when there is one, and reported later (finishNote).
    void notePreview(const Trail& trail, const FileAtHand& file, const QString& mark,
                     FileWork& work, PreviewRead read);
    // The part of the note that touches nothing of the run: on the thread, when there is one.
    static void completeNote(Noting& n);
    void reportNote(Noting& n);
    // Waits for the note in hand, if any, and reports it.
    void finishNote();
    // Waits for whatever is in hand on the thread, and reports it.
    void finishJob();
    // The report of a changed file, as far as the worker and the loop know it.
    FileReport reportOf(const Trail& trail, const FileAtHand& file, const FileWork& work) const;
    // The backup's path as the file system has it.
    QByteArray backUpPathOf(const Trail& trail, const RenewalTarget& target) const;
    // Whether a file's name counts among the files a run finds (the progress it shows).
    bool countsAsFile(const char* name) const;
    void countFilesOf(const clsFindFile& search);
    void deleteBackUp(const FolderHandle& folder, const QString& path, const QByteArray& rawName);
    void skipFolder(const QString& path, int error);
    // Starts the run's journal when it keeps one; refuses the run when it cannot.
    void beginJournal();
    void endJournal();
    // The report the file in hand was listed with, in RunListed.
    const FileReport* listedReport() const;
    // Opens the folder of a given file (a path below the target folder, its name cut off).
    FolderHandle openListedFolder(const FolderHandle& start, const QByteArray& folder) const;
    bool isCandidate(const QString& name) const;

    TralexEngine& mEngine;
    FileWorker* mWorker;
    FileRenewal& mRenewal;
    FileSystemFlush& mFlush;
    QSet<FileIdentity> mVisited;  // folders handled in this run
    std::unique_ptr<RunJournal> mJournal;
    bool mJournalNoted = false;   // the journal's file system is noted for the flush at the end
    qsizetype mListed = -1;       // the index of the given file in hand, in RunListed
    const QList<FileReport>* mListedFiles = nullptr;  // the given files, in RunListed
    QByteArray mStartBytes;       // the target folder's absolute path, for the backup mirror
    LocalClock mClock;            // the time the backups are stamped with
    std::unique_ptr<Renewing> mRenewing;  // started on mThread, not reported yet
    std::unique_ptr<Noting> mNoting;      // likewise
    std::unique_ptr<JobThread> mThread;   // when renewals or notes overlap the next file's work
};

}  // namespace tralex
