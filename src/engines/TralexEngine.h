#pragma once
// The members that every replacement engine shares: the pair list, the result list, the paths
// and options of a run, the progress signal and the way errors are raised.
//
// A caller creates one engine per run, sets its members (BackUpPath only when backups go to a
// folder of their own, then SsCollection, TargetPath, TargetType, the options), calls TralexGo and
// reads ItemResult afterwards. Errors are ProgramError with the engine's class name as source.
#include "engines/FileWorker.h"
#include "engines/RunResult.h"
#include "services/PairEntry.h"
#include "platform/FileRenewal.h"
#include "platform/FileSystemFlush.h"
#include "services/FolderWalk.h"
#include "services/ExcludedFolders.h"
#include "services/OrderedList.h"
#include "services/RunJournal.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

namespace tralex {

class TralexEngine : public QObject {
    Q_OBJECT
public:
    ~TralexEngine() override;

    // Request to stop. May be set from any thread while the run goes on (on another): the run
    // reads it between files and ends before the next one.
    void setStopFlag(bool value);
    bool StopFlag() const { return mStopFlag.load(); }

    // Folder for backups (empty: each backup beside its file). Must be an existing folder; else the
    // path becomes empty and "指定のディレクトリは存在しません" is raised.
    void setBackUpPath(const QString& value);
    QString BackUpPath() const { return mBackUpPath; }
    // Folder to search; checked like BackUpPath.
    void setTargetPath(const QString& value);
    QString TargetPath() const { return mTargetPath; }
    // File extension without the dot; each engine checks it against what it accepts and, when it
    // is refused, empties it and raises its own message.
    void setTargetType(const QString& value);
    QString TargetType() const { return mTargetType; }

    // Appends the pair entry for a find text and a replace text to the target list.
    void AddTarget(const QString& vstrFndStr, const QString& vstrRepStr);

    // Leave occurrences alone that lie inside an occurrence of the replace text.
    void setRetryOption(bool value) { mRetryOption = value; }
    bool RetryOption() const { return mRetryOption; }
    // Compare without regard to letter case.
    void setUcaseOption(bool value) { mUcaseOption = value; }
    bool UcaseOption() const { return mUcaseOption; }
    // Include every subfolder of the target path.
    void setSubFolder(bool value) { mSubFolder = value; }
    bool SubFolder() const { return mSubFolder; }

    // The field separator of pair entries (character code 31).
    QString SepChar() const { return mSepChar; }
    void setSepChar(const QString& value) { mSepChar = value; }

    // The engine's own lists, not copies: changes through them are the engine's changes.
    OrderedListRef ItemTarget();
    OrderedListRef ItemResult();
    int CountTarget() const;
    int CountResult() const;

    // Files left unchanged for a reason other than "no pair matched": the full path, a tab and
    // the reason. Not cleared by a run, like ItemResult; a skipped file is never a result.
    OrderedListRef ItemSkipped();
    int CountSkipped() const;

    // Copies of the result list and of the list of skipped files, with a report of each file in
    // the result list.
    RunResult Result() const;
    // The report of result line `index` (from 0), without copying the lists; null when the line
    // has none (it was added from outside a run).
    const FileReport* ReportAt(qsizetype index) const
    {
        return index >= 0 && index < mReports.size() ? &mReports.at(index) : nullptr;
    }

    // Whether TralexGo only shows what it would do: every file is found, checked, read and
    // replaced in memory exactly as in a run, but nothing is written (no file, backup, temporary
    // file or journal); the result lists the files a run would change, each report with its
    // changed lines, and the files a run would leave with their reasons.
    void setPreview(bool value) { mPreview = value; }
    bool Preview() const { return mPreview; }
    // Whether each changed file is put in place on a thread of its own while the next file is
    // read and replaced. Reports, STOP and the end of the run are as without it.
    void setRenewalThread(bool value) { mRenewalThread = value; }
    // How many changed lines a preview keeps per file (20 unless set; negative: all of them).
    void setPreviewLineLimit(qsizetype value) { mPreviewLineLimit = value; }
    qsizetype PreviewLineLimit() const { return mPreviewLineLimit; }
    // The files TralexGo handles, alone, without searching the folders: reports of a preview of
    // the same folder, pairs and options. Each file must still be the one the preview read (same
    // inode, size, time and content); one that is not is refused as changed since it was read.
    // Empty (the default): every file of the type.
    void setListedFiles(QList<FileReport> files) { mListedFiles = std::move(files); }
    const QList<FileReport>& ListedFiles() const { return mListedFiles; }

    // Empties the result list and the list of skipped files.
    void RemoveFileAll();

    void RemoveTargetAll();
    // Removes the pair entry at a position from 1; the entries behind move up.
    void RemoveTarget(int vintRow);

    // Makes the caller's list the target list: shared, not copied.
    void setSsCollection(OrderedListRef list);

    // Runs the replacement.
    virtual void TralexGo() = 0;
    // Deletes the backups of the target type in the target folder (and its subfolders).
    void KillBackUpFile();

    // The shortest time between two progress reports (default 40 ms, so about 25 a second); 0
    // raises one for every file, as tests that act at a given file need.
    void setProgressInterval(qint64 milliseconds) { mProgressInterval = milliseconds; }

    // Replaces how files are put in place; tests use it to make single steps fail.
    void setFileRenewal(std::unique_ptr<FileRenewal> renewal);
    // Replaces how the run's writes are put on the disk at its end; the same for tests.
    void setFileSystemFlush(std::unique_ptr<FileSystemFlush> flush);
    // Replaces how the run lists the subfolders it walks (empty: the file system's own listing);
    // tests use it to make a listing fail for want of memory.
    void setSubfolderLister(FolderWalk::SubfolderLister lister) { mSubfolderLister = std::move(lister); }

    // The folders every run of this engine leaves out (not entered, nothing below them listed).
    void setExcludedFolders(ExcludedFolders folders) { mExcluded = std::move(folders); }
    const ExcludedFolders& Excluded() const { return mExcluded; }
    // The folder of the run journals; empty (the default) for runs that keep none. A run that
    // should keep one and cannot is refused before it changes anything.
    void setJournalFolder(const QString& folder) { mJournalFolder = folder; }
    QString JournalFolder() const { return mJournalFolder; }
    // The journal of the last run that changed files; empty when it kept none.
    QString JournalId() const { return mJournalId; }

    // The class name that errors carry as their source.
    virtual QString ClassName() const = 0;

signals:
    // Raised with a short progress text before a unit of work, at most about 25 times a second;
    // the text of the last unit is always raised before the run returns. Raised on the thread
    // the run works on.
    void ExecutionMessage(const QString& vstrMsg);
    // Raised with each progress text: the files handled so far and the files found so far (which
    // may grow while the run goes on); both equal at the end of a run that was not stopped.
    void ExecutionCount(qint64 done, qint64 found);

protected:
    explicit TralexEngine(QObject* parent = nullptr);

    // Whether an engine takes this file type; the refusal message when it does not.
    virtual bool acceptsType(const QString& type) const = 0;
    virtual QString typeRefusedMessage() const = 0;
    // The arrow written into pair entries by AddTarget.
    virtual QString pairArrow() const { return DefaultSepTralex; }
    // What the result list shows behind the path of a file the run changed: nothing, unless the
    // engine has something to say of that file.
    virtual QString resultNote(const QString& path) const
    {
        Q_UNUSED(path);
        return QString();
    }

    // The stop flag itself, for a watcher on another thread.
    const std::atomic<bool>& stopFlag() const { return mStopFlag; }

    // Reports progress: raised now unless the last report is less than a 25th of a second old,
    // else kept for the next report or the end of the run.
    void progress(const QString& text);
    // Raises the progress text kept back, if any.
    void flushProgress();
    // Runs the loop over the files of the type: with a worker to replace, without to delete
    // backups.
    void runFiles(FileWorker* worker);
    // Runs the loop over given files only: paths below the target folder, as the file system
    // has their names; the worker sees each one's index in FileAtHand::listed.
    void runListed(FileWorker* worker, const QList<QByteArray>& files);
    // Adds a line to the result list, with its report.
    void addResult(const QString& line, FileReport report);
    // Fills in what a run's journal says of it beyond the folder, the type and the pairs.
    virtual void describeRun(JournalRun& run) const { Q_UNUSED(run); }
    // Lets a backup whose name (the current second's) is taken have the next free second's name
    // instead of refusing the file.
    void setLaterBackUpStamps(bool value) { mLaterBackUpStamps = value; }
    // Flushes what the runs wrote; made by setFileSystemFlush.
    FileSystemFlush& fileSystemFlush() { return *mFlush; }

    // Raises a ProgramError with this engine's class name as its source.
    [[noreturn]] void raise(const QString& description) const;
    // Lists a file as left unchanged, with the reason the user reads after the run.
    void skip(const QString& path, const QString& reason);
    // Lists a renewed file as a result, or a file whose renewal was refused as skipped with its
    // reason; true when the file was renewed. `mark` follows the path where the user reads it
    // (the mark of a Windows-31J name); `note` follows a renewed file's line (resultNote).
    bool reportRenewal(const QString& path, RenewOutcome outcome, const QString& mark = QString(),
                       FileReport report = FileReport(), const QString& note = QString());
    // Puts what the run wrote on the disk before it reports its outcome. When a file system
    // says it could not, the run is no clean success: the target folder is listed with the reason.
    void finishWrites(FileSystemFlush& flush);
    // The run preconditions in their order: a path, a type and (when pairsNeeded) a pair.
    void checkRunPreconditions(bool pairsNeeded) const;

    QString mTargetPath;
    QString mBackUpPath;
    QString mTargetType;
    bool mRetryOption = false;
    bool mUcaseOption = false;
    bool mSubFolder = false;
    QString mSepChar = DefaultSepChar;

private:
    friend class RunLoop;

    // Empty is taken as "no folder"; anything else must name an existing folder.
    void setCheckedFolder(QString& member, const QString& value);

    OrderedListRef mTargets;
    OrderedListRef mResults;
    OrderedListRef mSkipped;
    std::atomic<bool> mStopFlag{false};
    std::unique_ptr<FileRenewal> mRenewal;
    std::unique_ptr<FileSystemFlush> mFlush;  // file systems written to in this run
    FolderWalk::SubfolderLister mSubfolderLister;
    ExcludedFolders mExcluded;
    bool mLaterBackUpStamps = false;  // a taken backup name moves on to the next free second
    bool mRenewalThread = false;      // renewals run on a thread of their own (setRenewalThread)
    // Called before anything is reported: a run with a renewal thread reports the renewal in
    // hand first, so the lists keep the order of the files.
    std::function<void()> mBeforeReport;
    QString mJournalFolder;
    QString mJournalId;
    bool mPreview = false;
    qsizetype mPreviewLineLimit = 20;
    QList<FileReport> mListedFiles;
    QList<FileReport> mReports;               // one per result line
    qint64 mCachedBytes = 0;                  // new content a preview keeps in its reports
    std::shared_ptr<MemoryFile> mKeptContent;  // where it keeps it
    qint64 mDone = 0;                         // files handled in this run
    qint64 mFound = 0;                        // files found so far
    qint64 mProgressInterval = 40;
    QElapsedTimer mProgressClock;             // since the last progress report was raised
    QString mProgressHeld;                    // a report not raised yet
};

}  // namespace tralex
