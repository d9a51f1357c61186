#include "engines/RunLoop.h"

#include "engines/BackUpFile.h"
#include "engines/SkipReasons.h"
#include "engines/TralexEngine.h"
#include "platform/FolderPath.h"
#include "platform/MirrorFolder.h"
#include "platform/ProgramError.h"
#include "services/FolderWalk.h"
#include "services/basPathControl.h"
#include "services/clsFindFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <unistd.h>

namespace tralex {

namespace {

// How much of a file the worker sees before the loop reads it whole.
constexpr qsizetype HeadSize = 64 * 1024;

const QString ReasonNameNotText = QStringLiteral("名前を文字に変換できません");
const QString ReasonOutOfMemory = QStringLiteral("メモリが足りません");
const QString ReasonFolderCannotOpen = QStringLiteral("フォルダを開けません");
const QString ReasonFolderReplaced = QStringLiteral("一覧を作った後にフォルダが移動または置き換えられました");

// The owner files Office keeps beside an open file ("~$name") and LibreOffice's lock files
// (".~lock.name#"): never files of the user's.
bool isLockFile(const QString& name)
{
    return name.startsWith(QStringLiteral("~$"))
        || (name.startsWith(QStringLiteral(".~lock.")) && name.endsWith(QLatin1Char('#')));
}

// Whether the running user may replace the file: it has a write bit (root would be allowed by
// access() without one) and may be written.
bool mayReplace(int folder, const QByteArray& name, const FileSnapshot& snapshot)
{
    return (snapshot.mode & 0222) != 0
        && ::faccessat(folder, name.constData(), W_OK, AT_EACCESS) == 0;
}

}  // namespace

RunLoop::RunLoop(TralexEngine& engine, FileWorker* worker, FileRenewal& renewal,
                 FileSystemFlush& flush)
    : mEngine(engine), mWorker(worker), mRenewal(renewal), mFlush(flush)
{
}

void RunLoop::Run()
{
    // What the run wrote is on the disk when it reports its outcome, whichever way it ends; a
    // disk that cannot say so is reported.
    struct FlushAtEnd {
        RunLoop& loop;
        ~FlushAtEnd()
        {
            loop.mEngine.finishWrites(loop.mFlush);
            loop.mEngine.flushProgress();
        }
    } flushAtEnd{*this};

    // Every folder of the run is known before the first file changes; each is opened again from
    // its parent when its turn comes, and one that is no longer the folder listed is not entered.
    const FolderWalk walk({WithFinalSlash(mEngine.TargetPath())}, mEngine.SubFolder());
    for (const QString& path : walk.NamesNotText())
        mEngine.skip(path, ReasonNameNotText);
    mVisited.clear();
    for (qsizetype i = 0; i < walk.Folders().size(); ++i) {
        const QString& path = walk.Folders().at(i).path;
        const FolderHandle folder = walk.Open(i);
        if (!folder.valid()) {
            skipFolder(path, folder.error());
            continue;
        }
        if (!searchFolder(folder, path))
            break;
    }
    mVisited.clear();
}

void RunLoop::skipFolder(const QString& path, int error)
{
    const bool replaced = error == ELOOP || error == ENOTDIR || error == ESTALE || error == ENOENT;
    mEngine.skip(path, replaced ? ReasonFolderReplaced : ReasonFolderCannotOpen);
}

bool RunLoop::isCandidate(const QString& name) const
{
    if (!mWorker)
        return HasBackUpForm(name);
    // Backups and renewal files, also ones an interrupted run left, are never targets.
    return !(HasBackUpForm(name) || HasRenewalForm(name) || isLockFile(name));
}

bool RunLoop::searchFolder(const FolderHandle& folder, const QString& path)
{
    // A folder reached twice (as a subfolder and as a folder whose own name matches the type)
    // is handled once.
    const std::optional<FileIdentity> identity = folder.Identity();
    if (!identity || mVisited.contains(*identity))
        return true;
    mVisited.insert(*identity);

    // The search lists the whole folder when the mask is set, so the backups and temporary files
    // made below never appear in it.
    clsFindFile search;
    if (!search.setFileMaskAt(folder.fd(), QStringLiteral("*.") + mEngine.TargetType())) {
        mEngine.skip(path, ReasonFolderCannotOpen);
        return true;
    }
    for (QString name = search.NextFile(); !name.isEmpty(); name = search.NextFile()) {
        if (!search.IsDir() && search.NameIsText() && !isCandidate(name))
            continue;
        mEngine.progress(mWorker ? mWorker->ProgressText(JoinPath(path, name), name)
                                 : name + QStringLiteral(" を削除中..."));
        if (mEngine.StopFlag())
            return false;
        if (!handleEntry(folder, path, search, name))
            return false;
    }
    return true;
}

bool RunLoop::handleEntry(const FolderHandle& folder, const QString& path,
                          const clsFindFile& search, const QString& name)
{
    const QString entry = JoinPath(path, name);
    if (!search.NameIsText()) {
        // The text name may be another entry's: never touched, only reported (a folder once:
        // with subfolders the walk has reported it already).
        if (search.IsDir() ? !mEngine.SubFolder() : isCandidate(name))
            mEngine.skip(search.IsDir() ? WithFinalSlash(entry) : entry, ReasonNameNotText);
    } else if (search.IsSymLink()) {
        mEngine.skip(entry, SkipReason::SymbolicLink);
    } else if (search.IsDir()) {
        const FolderHandle child = folder.OpenChild(search.RawName());
        if (!child.valid())
            skipFolder(WithFinalSlash(entry), child.error());
        else if (!searchFolder(child, WithFinalSlash(entry)))
            return false;
    } else {
        handleFile(folder, path, name, search.RawName());
    }
    return true;
}

void RunLoop::handleFile(const FolderHandle& folder, const QString& path, const QString& name,
                         const QByteArray& rawName)
{
    if (!mWorker) {
        deleteBackUp(folder, path, name, rawName);
        return;
    }
    try {
        replaceIn(folder, path, name, rawName);
    } catch (const std::bad_alloc&) {
        // One file too large for the memory left: the others are still handled.
        mEngine.skip(JoinPath(path, name), ReasonOutOfMemory);
    }
}

void RunLoop::replaceIn(const FolderHandle& folder, const QString& folderPath, const QString& name,
                        const QByteArray& rawName)
{
    FileSnapshot snapshot;
    FileAtHand file;
    file.path = JoinPath(folderPath, name);
    file.name = name;
    file.folder = folder.fd();
    file.rawName = rawName;
    file.snapshot = &snapshot;
    ReadOutcome opened = mRenewal.OpenForRun(folder.fd(), rawName, snapshot);
    if (opened == ReadOutcome::Read && mWorker->ReadsBytes()) {
        // A file its first bytes show to be one the worker refuses is never read whole.
        const QByteArray head = FileRenewal::ReadHead(snapshot, HeadSize);
        const QString refusal = mWorker->RefusalByHead(head);
        if (!refusal.isEmpty()) {
            mEngine.skip(file.path, refusal);
            return;
        }
        opened = FileRenewal::ReadOpened(snapshot, file.bytes, head);
    }
    switch (opened) {
    case ReadOutcome::Read: break;
    case ReadOutcome::CannotOpen: mEngine.skip(file.path, SkipReason::CannotOpen); return;
    case ReadOutcome::SymbolicLink: mEngine.skip(file.path, SkipReason::SymbolicLink); return;
    // The listing left out pipes and devices: this one took the file's place since.
    case ReadOutcome::NotAFile: mEngine.skip(file.path, SkipReason::NotAFile); return;
    }
    const bool writable = mayReplace(folder.fd(), rawName, snapshot);
    if (!writable && mWorker->RefusesUnwritableFirst()) {
        mEngine.skip(file.path, SkipReason::NotWritable);
        return;
    }
    FileWork work = mWorker->Work(file);
    file.bytes = QByteArray();  // the file may be large: the old and the new content not at once
    switch (work.kind) {
    case FileWork::Kind::Unchanged: return;
    case FileWork::Kind::Skipped: mEngine.skip(file.path, work.reason); return;
    case FileWork::Kind::Changed: break;
    }
    if (!writable) {
        mEngine.skip(file.path, SkipReason::NotWritable);
        return;
    }
    renew(folder, folderPath, file, rawName, work.content);
}

void RunLoop::renew(const FolderHandle& folder, const QString& folderPath, const FileAtHand& file,
                    const QByteArray& rawName, const QByteArray& content)
{
    const QString stamp = BackUpStamp();
    const QString backUpPath = mEngine.BackUpPath();
    FolderHandle backUpFolder;
    if (!backUpPath.isEmpty()) {
        backUpFolder = OpenMirrorFolder(backUpPath, folderPath);
        if (!backUpFolder.valid()) {
            const int error = backUpFolder.error();
            const bool unsafe = error == ELOOP || error == ENOTDIR || error == EPERM;
            mEngine.skip(file.path, unsafe ? SkipReason::BackUpFolderUnsafe : SkipReason::BackUpFolder);
            return;
        }
    }
    RenewalTarget target;
    target.folder = folder.fd();
    target.name = rawName;
    target.temporary = QFile::encodeName(RenewalName(file.name, stamp));
    target.backUpFolder = backUpFolder.valid() ? backUpFolder.fd() : folder.fd();
    target.backUp = QFile::encodeName(BackUpName(file.name, stamp));
    // A copied backup's own temporary name, never the new content's, even in the same folder.
    target.backUpCopy = QFile::encodeName(RenewalName(BackUpName(file.name, stamp), stamp));

    if (mEngine.reportRenewal(file.path, mRenewal.RenewAt(target, content, *file.snapshot))) {
        mFlush.Note(target.folder);
        mFlush.Note(target.backUpFolder);
    }
}

void RunLoop::deleteBackUp(const FolderHandle& folder, const QString& folderPath,
                           const QString& name, const QByteArray& rawName)
{
    const QString path = JoinPath(folderPath, name);
    // A read-only backup goes all the same: removing a name needs only the folder's permission.
    const int error = folder.RemoveFile(rawName);
    if (error == ENOENT)
        return;  // gone meanwhile, or not a regular file
    if (error != 0)
        mEngine.raise(QStringLiteral("バックアップファイルを削除できません: ") + path);
    mEngine.ItemResult()->Add(path);
    mFlush.Note(folder.fd());
}

}  // namespace tralex
