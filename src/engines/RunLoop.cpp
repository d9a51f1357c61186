#include "engines/RunLoop.h"

#include "engines/BackUpFile.h"
#include "engines/JobThread.h"
#include "engines/SkipReasons.h"
#include "engines/TralexEngine.h"
#include "platform/FolderPath.h"
#include "platform/MirrorFolder.h"
#include "platform/ProgramError.h"
#include "platform/SpareBuffers.h"
#include "services/FolderWalk.h"
#include "services/basPathControl.h"
#include "services/clsFindFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace tralex {

namespace {

// How much of a file the worker sees before the loop reads it whole.
constexpr qsizetype HeadSize = 64 * 1024;
// How much new content a preview keeps for the files chosen from it, all files together.
constexpr qint64 PreviewKeepsBytes = qint64(256) << 20;

const QString ReasonNameNotText = QStringLiteral("名前を文字に変換できません");
const QString ReasonOutOfMemory = QStringLiteral("メモリが足りません");
const QString ReasonFolderOutOfMemory = QStringLiteral("メモリが足りないためフォルダを調べられません");
const QString ReasonSubfoldersOutOfMemory = QStringLiteral("メモリが足りないためサブフォルダを調べられません");
const QString ReasonFolderCannotOpen = QStringLiteral("フォルダを開けません");
const QString ReasonFolderReplaced = QStringLiteral("一覧を作った後にフォルダが移動または置き換えられました");

// The owner files Office keeps beside an open file ("~$name") and LibreOffice's lock files
// (".~lock.name#"): never files of the user's.
bool isLockFile(const QString& name)
{
    return name.startsWith(QStringLiteral("~$"))
        || (name.startsWith(QStringLiteral(".~lock.")) && name.endsWith(QLatin1Char('#')));
}

}  // namespace

// The path of the folder being searched, as the user reads it and as its names' bytes below the
// target folder: one name longer for each folder entered for its name, one shorter when it is
// left, so that a chain of such folders costs one path, not one per folder.
class RunLoop::Trail {
public:
    Trail(QString shown, QByteArray raw) : mShown(std::move(shown)), mRaw(std::move(raw)) {}

    const QString& Shown() const { return mShown; }    // ending with "/"
    const QByteArray& Raw() const { return mRaw; }     // each name followed by "/"

    void Enter(const QString& shownName, const QByteArray& rawName)
    {
        mSizes.push_back({mShown.size(), mRaw.size()});
        try {
            mShown += shownName + QLatin1Char('/');
            mRaw += rawName + '/';
        } catch (...) {
            Leave();
            throw;
        }
    }
    void Leave()
    {
        mShown.truncate(mSizes.back().first);
        mRaw.truncate(mSizes.back().second);
        mSizes.pop_back();
    }
    // The bytes of the name entered k-th (from 0).
    QByteArray RawName(size_t k) const
    {
        const qsizetype from = mSizes[k].second;
        const qsizetype to = k + 1 < mSizes.size() ? mSizes[k + 1].second : mRaw.size();
        return mRaw.mid(from, to - from - 1);
    }

private:
    QString mShown;
    QByteArray mRaw;
    std::vector<std::pair<qsizetype, qsizetype>> mSizes;  // the sizes before each Enter
};

// One folder being searched: the entries not handled yet, and what it is.
struct RunLoop::Frame {
    clsFindFile search;
    FileIdentity identity;
};

// A search from one folder of the walk down the folders entered for their names. Only two
// folders are open: the first, and the innermost one; a folder left is opened again from the
// one inside it ("..", checked to be the very folder listed).
struct RunLoop::Searching {
    Trail trail;
    std::vector<Frame> frames;  // frames[0]: the folder the search began with
    FolderHandle base;          // frames[0]'s folder
    FolderHandle inner;         // the innermost folder, when deeper than frames[0]

    const FolderHandle& current() const { return frames.size() > 1 ? inner : base; }

    // The folder of the innermost frame opened again: up from the folder just left where that
    // leads to it, else down from the first folder by the names of the trail.
    FolderHandle reopenInnermost() const
    {
        const FileIdentity wanted = frames.back().identity;
        FolderHandle up = inner.OpenChild(QByteArrayLiteral(".."));
        if (up.valid() && up.Identity() == wanted)
            return up;
        FolderHandle handle;
        const FolderHandle* from = &base;
        for (size_t k = 1; k < frames.size(); ++k) {
            FolderHandle next = from->OpenChild(trail.RawName(k - 1));
            if (!next.valid())
                return next;
            if (next.Identity() != frames[k].identity)
                return FolderHandle::Failed(ESTALE);
            handle = std::move(next);
            from = &handle;
        }
        return handle;
    }
};

RunLoop::RunLoop(TralexEngine& engine, FileWorker* worker, FileRenewal& renewal,
                 FileSystemFlush& flush)
    : mEngine(engine), mWorker(worker), mRenewal(renewal), mFlush(flush)
{
    // A preview of bytes read notes each file (hashes what it read, makes its lines, keeps its new
    // content) while the next one is read and replaced.
    const bool notesApart = worker && mEngine.Preview() && worker->ReadsBytes();
    if (notesApart || (worker && mEngine.mRenewalThread && !mEngine.Preview())) {
        mThread = std::make_unique<JobThread>();
        // Whatever the run reports, the file in hand there is reported first.
        mEngine.mBeforeReport = [this] { finishJob(); };
    }
}

RunLoop::~RunLoop()
{
    mEngine.mBeforeReport = nullptr;
}

// What every run does at its end, whichever way it ends: its journal is closed, what it wrote is
// put on the disk before it reports its outcome (a disk that cannot say so is reported), and its
// last progress is shown.
struct RunLoop::EndOfRun {
    RunLoop& loop;
    ~EndOfRun()
    {
        loop.finishJob();
        if (!loop.mEngine.StopFlag())
            loop.mEngine.mFound = loop.mEngine.mDone;
        loop.endJournal();
        loop.mEngine.finishWrites(loop.mFlush);
        loop.mEngine.flushProgress();
    }
};

QString RunLoop::startFolder()
{
    const QString start = WithFinalSlash(mEngine.TargetPath());
    mStartBytes = QFile::encodeName(QDir::cleanPath(QFileInfo(start).absoluteFilePath())) + '/';
    return start;
}

void RunLoop::Run()
{
    const EndOfRun end{*this};
    const QString start = startFolder();
    beginJournal();
    mEngine.mDone = 0;
    mEngine.mFound = 0;
    // Every folder of the run is known before the first file changes; each is opened again from
    // its parent when its turn comes, and one that is no longer the folder listed is not entered.
    std::optional<FolderWalk> walk;
    try {
        // The walk lists every folder's entries: it counts the files on the way, so that the
        // progress can say how many there are before the first one is handled.
        walk.emplace(QStringList{start},
                     FolderWalk::Options{mEngine.SubFolder(), true, mEngine.mSubfolderLister,
                                         mEngine.mExcluded,
                                         [this](const char* name) { return countsAsFile(name); }});
    } catch (const std::bad_alloc&) {
        mEngine.skip(start, ReasonSubfoldersOutOfMemory);
        return;
    }
    for (const QString& path : walk->NamesNotText())
        mEngine.skip(path, ReasonNameNotText);
    for (const qsizetype index : walk->NotListed())
        mEngine.skip(walk->Path(index), ReasonSubfoldersOutOfMemory);
    mEngine.mFound = walk->FilesCounted();
    mVisited.clear();
    for (qsizetype i = 0; i < walk->Folders().size(); ++i) {
        FolderHandle folder = walk->Open(i);
        if (!folder.valid()) {
            skipFolder(walk->Path(i), folder.error());
            continue;
        }
        const std::optional<FileIdentity> identity = folder.Identity();
        if (identity && mVisited.contains(*identity))
            continue;  // searched already, entered for its name
        try {
            if (!searchFolder(std::move(folder), walk->Path(i), walk->RawPathBelowStart(i)))
                break;
        } catch (const std::bad_alloc&) {
            mEngine.skip(walk->Path(i), ReasonFolderOutOfMemory);
        }
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

bool RunLoop::countsAsFile(const char* name) const
{
    const QString text = QString::fromUtf8(name);
    return clsFindFile::MatchesPattern(text, QStringLiteral("*.") + mEngine.TargetType())
        && isCandidate(text);
}

// Without subfolders the walk lists no folder: the files of each folder count when it is entered.
void RunLoop::countFilesOf(const clsFindFile& search)
{
    if (mEngine.SubFolder())
        return;
    for (const FolderEntry& entry : search.Entries()) {
        if (entry.kind != FolderEntry::Kind::Folder && isCandidate(entry.name))
            ++mEngine.mFound;
    }
}

bool RunLoop::searchFolder(FolderHandle folder, const QString& path, const QByteArray& rawBelowStart)
{
    Searching s{Trail(path, rawBelowStart), {}, {}, {}};
    if (!enter(s, std::move(folder), QString(), QByteArray()))
        return true;
    while (!s.frames.empty()) {
        if (!nextEntry(s))
            return false;
    }
    return true;
}

bool RunLoop::enter(Searching& s, FolderHandle folder, const QString& name, const QByteArray& rawName)
{
    const bool first = s.frames.empty();
    const QString path = first ? s.trail.Shown() : s.trail.Shown() + name + QLatin1Char('/');
    // A folder reached twice (as a subfolder and as a folder whose own name matches the type)
    // is handled once.
    const std::optional<FileIdentity> identity = folder.Identity();
    if (!identity || mVisited.contains(*identity))
        return false;
    mVisited.insert(*identity);
    // The search lists the whole folder when the mask is set, so the backups and temporary files
    // made below never appear in it. Each file is looked at when it is opened, not while listed.
    Frame frame{clsFindFile(), *identity};
    try {
        if (!frame.search.setFileMaskAt(folder.fd(), QStringLiteral("*.") + mEngine.TargetType(), false)) {
            mEngine.skip(path, ReasonFolderCannotOpen);
            return false;
        }
    } catch (const std::bad_alloc&) {
        mEngine.skip(path, ReasonFolderOutOfMemory);
        return false;
    }
    countFilesOf(frame.search);
    if (first) {
        s.frames.push_back(std::move(frame));
        s.base = std::move(folder);
        return true;
    }
    s.trail.Enter(name, rawName);
    try {
        s.frames.push_back(std::move(frame));
    } catch (...) {
        s.trail.Leave();
        throw;
    }
    s.inner = std::move(folder);
    return true;
}

void RunLoop::leave(Searching& s)
{
    for (;;) {
        s.frames.pop_back();
        if (s.frames.empty())
            return;
        s.trail.Leave();
        if (s.frames.size() == 1) {
            s.inner = FolderHandle();
            return;
        }
        FolderHandle folder = s.reopenInnermost();
        if (folder.valid()) {
            s.inner = std::move(folder);
            return;
        }
        // Moved or replaced while the folders inside it were searched: its other entries are
        // not looked at.
        skipFolder(s.trail.Shown(), folder.error());
    }
}

bool RunLoop::nextEntry(Searching& s)
{
    bool leaving = false;
    try {
        const QString name = s.frames.back().search.NextFile();
        if (name.isEmpty())
            leaving = true;
        else if (!takeEntry(s, name))
            return false;
    } catch (const std::bad_alloc&) {
        // Too little memory to go on in this folder: it is reported, and the run goes on with
        // the folder around it.
        mEngine.skip(s.trail.Shown(), ReasonFolderOutOfMemory);
        leaving = true;
    }
    if (leaving)
        leave(s);
    return true;
}

bool RunLoop::takeEntry(Searching& s, const QString& name)
{
    const clsFindFile& search = s.frames.back().search;
    const FileNameText text = search.NameIsText() ? FileNameText{name, NameForm::Utf8}
                                                  : DecodeFileName(search.RawName());
    if (!search.IsDir() && text.form != NameForm::NotText && !isCandidate(text.text))
        return true;
    const QString shown = ShownFileName(text);
    mEngine.progress(mWorker ? mWorker->ProgressText(s.trail.Shown() + shown, shown)
                             : shown + QStringLiteral(" を削除中..."));
    if (mEngine.StopFlag())
        return false;
    const bool file = !search.IsDir();
    handleEntry(s, text);
    if (file)
        mEngine.mFound = std::max(mEngine.mFound, ++mEngine.mDone);
    return true;
}

void RunLoop::handleEntry(Searching& s, const FileNameText& name)
{
    const clsFindFile& search = s.frames.back().search;
    const QByteArray rawName = search.RawName();
    const QString entry = s.trail.Shown() + ShownFileName(name);
    if (name.form == NameForm::NotText) {
        // The text name may be another entry's: never touched, only reported (a folder once:
        // with subfolders the walk has reported it already).
        if (search.IsDir() ? !mEngine.SubFolder() : isCandidate(name.text))
            mEngine.skip(search.IsDir() ? WithFinalSlash(entry) : entry, ReasonNameNotText);
    } else if (search.IsSymLink()) {
        mEngine.skip(entry, SkipReason::SymbolicLink);
    } else if (search.IsDir()) {
        if (mEngine.mExcluded.Excludes(name.text))
            return;  // left out with everything below it
        FolderHandle child = s.current().OpenChild(rawName);
        if (!child.valid())
            skipFolder(WithFinalSlash(entry), child.error());
        else
            enter(s, std::move(child), ShownFileName(name), rawName);
    } else {
        handleFile(s.current(), s.trail, name, rawName);
    }
}

void RunLoop::handleFile(const FolderHandle& folder, const Trail& trail, const FileNameText& name,
                         const QByteArray& rawName)
{
    if (!mWorker) {
        deleteBackUp(folder, trail.Shown() + ShownFileName(name), rawName);
        return;
    }
    try {
        replaceIn(folder, trail, name, rawName);
    } catch (const std::bad_alloc&) {
        // One file too large for the memory left: the others are still handled.
        mEngine.skip(trail.Shown() + ShownFileName(name), ReasonOutOfMemory);
    }
}

void RunLoop::replaceIn(const FolderHandle& folder, const Trail& trail, const FileNameText& name,
                        const QByteArray& rawName)
{
    FileSnapshot snapshot;
    FileAtHand file;
    file.path = trail.Shown() + name.text;
    file.name = name.text;
    file.folder = folder.fd();
    file.rawName = rawName;
    file.snapshot = &snapshot;
    file.listed = mListed;
    const QString mark = name.form == NameForm::ShiftJis ? ShiftJisNameMark : QString();
    const QString shown = file.path + mark;
    ReadOutcome opened = mRenewal.OpenForRun(folder.fd(), rawName, snapshot);
    if (opened == ReadOutcome::Read && mWorker->ReadsBytes()) {
        // A file its first bytes show to be one the worker refuses is never read whole.
        QByteArray head = FileRenewal::ReadHead(snapshot, HeadSize);
        const QString refusal = mWorker->RefusalByHead(head);
        if (!refusal.isEmpty()) {
            mEngine.skip(shown, refusal);
            return;
        }
        // A large file is read by the worker, in blocks, when the run replaces (a preview and
        // the files chosen from it need the whole content).
        file.streamed = !mEngine.Preview() && !listedReport() && mWorker->StreamsFile(snapshot.size);
        if (!file.streamed)
            opened = FileRenewal::ReadOpened(snapshot, file.bytes, std::move(head));
    }
    switch (opened) {
    case ReadOutcome::Read: break;
    case ReadOutcome::CannotOpen: mEngine.skip(shown, SkipReason::CannotOpen); return;
    case ReadOutcome::SymbolicLink: mEngine.skip(shown, SkipReason::SymbolicLink); return;
    // The listing left out pipes and devices: this one took the file's place since.
    case ReadOutcome::NotAFile: mEngine.skip(shown, SkipReason::NotAFile); return;
    }
    // What the renewal would refuse before writing anything refuses the file here: before a
    // costly worker, else once the worker changed it; and so in a preview, which writes nothing.
    const bool first = mWorker->RefusesUnwritableFirst();
    RenewOutcome refused = first ? FileRenewal::CheckBeforeWriting(folder.fd(), rawName, snapshot)
                                 : RenewOutcome::Renewed;
    if (refused != RenewOutcome::Renewed) {
        mEngine.reportRenewal(file.path, refused, mark);
        return;
    }
    PreviewRead read;
    FileWork work = workOn(file, read);
    // The old content's buffer serves the next file; a large one is freed, so that the old and
    // the new content of a large file are not held at once.
    SpareBuffers::Give(std::move(file.bytes));
    switch (work.kind) {
    case FileWork::Kind::Unchanged: return;
    case FileWork::Kind::Skipped: mEngine.skip(shown, work.reason); return;
    case FileWork::Kind::Changed: break;
    }
    if (!first)
        refused = FileRenewal::CheckBeforeWriting(folder.fd(), rawName, snapshot);
    if (refused != RenewOutcome::Renewed)
        mEngine.reportRenewal(file.path, refused, mark);
    else if (mEngine.Preview())
        notePreview(trail, file, mark, work, std::move(read));
    else
        renew(folder, trail, file, mark, work, !first);
    SpareBuffers::Give(std::move(work.content));
}

const FileReport* RunLoop::listedReport() const
{
    return mListedFiles && mListed >= 0 && mListed < mListedFiles->size() ? &mListedFiles->at(mListed)
                                                                         : nullptr;
}

FileWork RunLoop::workOn(FileAtHand& file, PreviewRead& read)
{
    const FileReport* listed = listedReport();
    if (listed && listed->read) {
        // Chosen from a preview: still the very file, with the very content, the preview read.
        if (stampOf(*file.snapshot, file.bytes) != *listed->read)
            return FileWork::skipped(SkipReason::Changed);
        if (listed->newContent && !mEngine.Preview()) {
            // Its new content is written from where the preview kept it.
            FileWork kept = FileWork::changed(QByteArray(), listed->replacements);
            kept.kept = listed->newContent;
            kept.encoding = listed->encoding;
            return kept;
        }
    }
    if (!mEngine.Preview())
        return mWorker->Work(file);
    // A preview notes what it read; the worker may change the bytes it was given in place. The
    // bytes read are hashed when the file is noted.
    QByteArray bytes = file.bytes;
    FileWork work = mWorker->Work(file);
    if (work.kind == FileWork::Kind::Changed) {
        if (mWorker->ReadsBytes()) {
            read.stamp = identityOf(*file.snapshot);
            read.bytes = std::move(bytes);
            read.hashLater = true;
        } else {
            read.stamp = stampOf(*file.snapshot, bytes);
        }
    }
    SpareBuffers::Give(std::move(bytes));
    return work;
}

ReadStamp RunLoop::identityOf(const FileSnapshot& snapshot)
{
    ReadStamp stamp;
    stamp.device = snapshot.device;
    stamp.inode = snapshot.inode;
    stamp.size = snapshot.size;
    stamp.modifiedNs = qint64(snapshot.modified.tv_sec) * 1000000000 + snapshot.modified.tv_nsec;
    return stamp;
}

ReadStamp RunLoop::stampOf(const FileSnapshot& snapshot, const QByteArray& bytes) const
{
    ReadStamp stamp = identityOf(snapshot);
    if (mWorker->ReadsBytes()) {
        stamp.hash = RunJournal::ContentHash(bytes);
    } else {
        // The worker had the file copied, not read: its content is read again for the check.
        FileSnapshot again = snapshot;
        QByteArray content;
        if (FileRenewal::ReadOpened(again, content) == ReadOutcome::Read)
            stamp.hash = RunJournal::ContentHash(content);
    }
    return stamp;
}

FileReport RunLoop::reportOf(const Trail& trail, const FileAtHand& file, const FileWork& work) const
{
    FileReport report;
    report.path = file.path;
    report.rawPath = trail.Raw() + file.rawName;
    report.absolutePath = mStartBytes + report.rawPath;
    report.replacements = work.replacements;
    report.encoding = work.encoding;
    return report;
}

void RunLoop::notePreview(const Trail& trail, const FileAtHand& file, const QString& mark,
                          FileWork& work, PreviewRead read)
{
    auto noting = std::make_unique<Noting>();
    Noting& n = *noting;
    n.report = reportOf(trail, file, work);
    n.report.path += mark;
    n.line = n.report.path + mEngine.resultNote(file.path);
    n.report.lines = std::move(work.lines);
    n.report.changedLines = work.changedLines;
    n.report.read = std::move(read.stamp);
    n.read = std::move(read.bytes);
    n.hashRead = read.hashLater;
    n.lines = std::move(work.linesLater);
    n.content = std::move(work.content);
    if (mWorker->KeepsPreviewContent() && !n.content.isEmpty()
        && mEngine.mCachedBytes + n.content.size() <= PreviewKeepsBytes) {
        if (!mEngine.mKeptContent)
            mEngine.mKeptContent = MemoryFile::Create();
        n.keepIn = mEngine.mKeptContent;  // none: the content is made again when chosen
        if (n.keepIn)
            mEngine.mCachedBytes += n.content.size();
    }
    finishNote();
    // A large file is noted in turn, so that the bytes of no two large files are held at once.
    constexpr qsizetype NoteApartUpTo = qsizetype(32) << 20;
    if (!mThread || n.read.size() > NoteApartUpTo || n.content.size() > NoteApartUpTo) {
        completeNote(n);
        reportNote(n);
        return;
    }
    mNoting = std::move(noting);
    mThread->Start([job = mNoting.get()] { completeNote(*job); });
}

void RunLoop::completeNote(Noting& n)
{
    try {
        if (n.hashRead)
            n.report.read->hash = RunJournal::ContentHash(n.read);
        if (n.lines) {
            n.report.lines = n.lines(n.report.changedLines);
            n.lines = nullptr;  // lets go of the bytes it shares
        }
        if (n.keepIn) {
            if (const std::optional<MemoryFile::Piece> piece = n.keepIn->Put(n.content))
                n.report.newContent = KeptPiece{n.keepIn, *piece, RunJournal::ContentHash(n.content)};
        }
    } catch (const std::bad_alloc&) {
        n.lines = nullptr;
        n.outOfMemory = true;
    }
}

void RunLoop::reportNote(Noting& n)
{
    if (n.keepIn && !n.report.newContent)
        mEngine.mCachedBytes -= n.content.size();  // made again when the file is chosen
    if (n.outOfMemory)
        mEngine.skip(n.report.path, ReasonOutOfMemory);
    else
        mEngine.addResult(n.line, std::move(n.report));
    SpareBuffers::Give(std::move(n.read));
    SpareBuffers::Give(std::move(n.content));
}

void RunLoop::finishNote()
{
    if (!mNoting)
        return;
    const std::unique_ptr<Noting> done = std::move(mNoting);
    mThread->Wait();  // completeNote throws nothing
    reportNote(*done);
}

void RunLoop::finishJob()
{
    finishRenewal();
    finishNote();
}

void RunLoop::renew(const FolderHandle& folder, const Trail& trail, const FileAtHand& file,
                    const QString& mark, const FileWork& work, bool checked)
{
    const QDateTime now = mClock.Now();
    const QString backUpPath = mEngine.BackUpPath();
    FolderHandle backUpFolder;
    if (!backUpPath.isEmpty()) {
        // The mirror of the file's folder, name by name as the file system has them.
        backUpFolder = OpenMirrorFolder(backUpPath, mStartBytes + trail.Raw());
        if (!backUpFolder.valid()) {
            const int error = backUpFolder.error();
            const bool unsafe = error == ELOOP || error == ENOTDIR || error == EPERM;
            mEngine.skip(file.path + mark, unsafe ? SkipReason::BackUpFolderUnsafe : SkipReason::BackUpFolder);
            return;
        }
    }
    RenewalTarget target;
    target.folder = folder.fd();
    target.name = file.rawName;
    target.backUpFolder = backUpFolder.valid() ? backUpFolder.fd() : folder.fd();
    target.checkedBeforeWriting = checked;
    // A backup name taken refuses the file, unless the engine may take the next free second (an
    // undo right after its run).
    const int seconds = mEngine.mLaterBackUpStamps ? 60 : 1;
    for (int k = 0; k < seconds; ++k) {
        const QString stamp = BackUpStamp(now.addSecs(k));
        target.temporary = RenewalFileName(file.rawName, stamp);
        target.backUp = BackUpFileName(file.rawName, stamp);
        // A copied backup's own temporary name, never the new content's, even in the same folder.
        target.backUpCopy = RenewalFileName(target.backUp, stamp);
        struct stat taken {};
        if (seconds == 1
            || ::fstatat(target.backUpFolder, target.backUp.constData(), &taken, AT_SYMLINK_NOFOLLOW) != 0)
            break;
    }

    // The paths the report and the journal name, made once.
    auto renewing = std::make_unique<Renewing>();
    Renewing& r = *renewing;
    r.path = file.path;
    r.mark = mark;
    r.note = mEngine.resultNote(file.path);
    r.report = reportOf(trail, file, work);
    r.report.rawBackUp = backUpPathOf(trail, target);
    r.report.backUp = QFile::decodeName(r.report.rawBackUp);
    r.content = work.content;
    r.kept = work.kept;
    r.stream = work.stream;
    r.snapshot = *file.snapshot;
    r.backUpFolder = std::move(backUpFolder);
    if (mThread) {
        // The folder may be left before the renewal ends: it gets a descriptor of its own.
        const bool beside = target.backUpFolder == target.folder;
        r.folder = std::make_shared<UniqueFd>(::fcntl(folder.fd(), F_DUPFD_CLOEXEC, 0));
        if (!r.folder->valid()) {
            mEngine.skip(file.path + mark, SkipReason::WriteFailed);
            return;
        }
        target.folder = r.folder->get();
        if (beside)
            target.backUpFolder = target.folder;
    }
    // A small content is written without looking first: the checks come again before any name
    // is taken, and a file refused then is rare.
    constexpr qsizetype LookFirstFrom = 1 << 20;
    const qint64 size = r.kept ? r.kept->piece.size : r.content.size();
    target.lookBeforeWriting = r.stream || size >= LookFirstFrom;
    r.target = std::move(target);
    // Each renewal is reported before anything after it, so the lists keep the order of the files.
    finishRenewal();
    // A file in blocks is written by the worker as it is replaced: on this thread, in its turn.
    if (!mThread || r.stream) {
        carryOut(r);
        if (r.stream)
            r.note = mEngine.resultNote(file.path);  // the worker knows its note once it wrote
        report(r);
        return;
    }
    mRenewing = std::move(renewing);
    mThread->Start([this, job = mRenewing.get()] { carryOut(*job); });
}

// The renewal itself, on the renewal thread when there is one: it touches nothing of the run but
// the journal, which nothing else writes to meanwhile.
void RunLoop::carryOut(Renewing& r)
{
    // The journal has the file before its new content takes its name: a run killed at any
    // point has every file it changed in its journal. Its size and hash are taken as the new
    // content is written, whole or in blocks.
    bool recorded = false;
    qint64 size = 0;
    ContentHasher hasher;
    const ContentSource source = [&](const ContentSink& to) {
        if (r.kept) {
            // Kept by a preview, with its hash: copied as it is.
            size = r.kept->piece.size;
            return r.kept->file->Copy(r.kept->piece, to.copy);
        }
        const PutBytes counted = [&](QByteArrayView piece) {
            size += piece.size();
            if (mJournal)
                hasher.Add(piece);
            return to.put(piece);
        };
        return r.stream ? r.stream->write(ContentSink{counted, nullptr}) : counted(r.content);
    };
    std::optional<JournalFile> line;
    if (mJournal) {
        line = JournalFile{r.report.absolutePath, r.report.rawBackUp, 0, 0, QByteArray()};
        r.target.beforeTakingName = [&](qint64 modifiedNs) {
            line->size = size;
            line->hash = r.kept ? r.kept->hash : hasher.Result();
            line->modifiedNs = modifiedNs;
            recorded = mJournal->Record(*line);
            if (recorded && !std::exchange(mJournalNoted, true))
                mFlush.Note(mJournal->fd());
            return recorded;
        };
    }
    r.outcome = mRenewal.RenewAt(r.target, source, r.snapshot);
    r.written = size;
    if (recorded && r.outcome != RenewOutcome::Renewed)
        mJournal->Drop(line->target);
    r.content = QByteArray();
    r.kept.reset();
}

void RunLoop::report(Renewing& r)
{
    if (r.stream) {
        if (r.outcome == RenewOutcome::Declined && !r.stream->reason.isEmpty())
            mEngine.skip(r.path + r.mark, r.stream->reason);
        r.report.replacements = r.stream->replacements;
        r.report.encoding = r.stream->encoding;
    }
    if (mEngine.reportRenewal(r.path, r.outcome, r.mark, std::move(r.report), r.note)) {
        // The new content took a name of this folder: the file's file system is the folder's.
        mFlush.Note(r.target.folder, quint64(r.snapshot.device));
        if (r.target.backUpFolder != r.target.folder)
            mFlush.Note(r.target.backUpFolder);
        mFlush.Wrote(r.written);
    }
}

void RunLoop::finishRenewal()
{
    if (!mRenewing)
        return;
    const std::unique_ptr<Renewing> done = std::move(mRenewing);
    try {
        mThread->Wait();
    } catch (const std::bad_alloc&) {
        mEngine.skip(done->path + done->mark, ReasonOutOfMemory);
        return;
    } catch (const std::exception&) {
        mEngine.skip(done->path + done->mark, SkipReason::WriteFailed);
        return;
    }
    report(*done);
}

QByteArray RunLoop::backUpPathOf(const Trail& trail, const RenewalTarget& target) const
{
    const QByteArray folder = mStartBytes + trail.Raw();
    const QByteArray backUpFolder =
        mEngine.BackUpPath().isEmpty() ? folder : MirrorFolderPath(mEngine.BackUpPath(), folder);
    return backUpFolder + target.backUp;
}

void RunLoop::beginJournal()
{
    mEngine.mJournalId.clear();
    if (!mWorker || mEngine.mJournalFolder.isEmpty() || mEngine.Preview())
        return;
    JournalRun run;
    run.started = QDateTime::currentDateTime();
    run.folder = QFile::decodeName(mStartBytes);
    run.type = mEngine.TargetType();
    run.subFolders = mEngine.SubFolder();
    run.backUpFolder = mEngine.BackUpPath();
    for (const QString& entry : mEngine.ItemTarget()->items()) {
        const PairTexts texts = SplitPairEntry(entry, mEngine.SepChar());
        run.pairs.append({texts.find, texts.replace});
    }
    mEngine.describeRun(run);
    QString error;
    mJournalNoted = false;
    mJournal = RunJournal::Begin(mEngine.mJournalFolder, run, &error);
    if (!mJournal)
        mEngine.raise(QStringLiteral("元に戻すための記録を作成できません: ") + error);
    mEngine.mJournalId = mJournal->id();
}

void RunLoop::endJournal()
{
    if (!mJournal)
        return;
    if (!mJournal->Finish())
        mEngine.mJournalId.clear();  // nothing changed: no journal kept
    mJournal.reset();
}

void RunLoop::RunListed(const QList<FileReport>& files)
{
    const EndOfRun end{*this};
    const QString start = startFolder();
    const FolderHandle startHandle = FolderHandle::Open(start);
    if (!startHandle.valid()) {
        skipFolder(start, startHandle.error());
        return;
    }
    beginJournal();

    FolderHandle folder;
    Trail trail(start, QByteArray());
    mListedFiles = &files;
    mEngine.mDone = 0;
    mEngine.mFound = files.size();
    for (mListed = 0; mListed < files.size(); ++mListed, ++mEngine.mDone) {
        const QByteArray& file = files.at(mListed).rawPath;
        const qsizetype cut = file.lastIndexOf('/') + 1;
        const QByteArray folderBytes = file.first(cut);
        const FileNameText name = DecodeFileName(file.mid(cut));
        if (mListed == 0 || folderBytes != trail.Raw()) {
            // Files of one folder follow one another: its path and handle are made once.
            QString shownFolder = start;
            for (const QByteArray& piece : folderBytes.split('/'))
                if (!piece.isEmpty())
                    shownFolder += ShownFileName(DecodeFileName(piece)) + QLatin1Char('/');
            trail = Trail(shownFolder, folderBytes);
            folder = openListedFolder(startHandle, folderBytes);
        }
        const QString shown = trail.Shown() + ShownFileName(name);
        mEngine.progress(mWorker->ProgressText(shown, ShownFileName(name)));
        if (mEngine.StopFlag())
            break;
        if (name.form == NameForm::NotText || file.mid(cut).isEmpty()) {
            mEngine.skip(shown, ReasonNameNotText);
            continue;
        }
        if (!folder.valid()) {
            skipFolder(trail.Shown(), folder.error());
            continue;
        }
        handleFile(folder, trail, name, file.mid(cut));
    }
    mListed = -1;
    mListedFiles = nullptr;
}

FolderHandle RunLoop::openListedFolder(const FolderHandle& start, const QByteArray& folder) const
{
    FolderHandle handle;
    const FolderHandle* at = &start;
    for (const QByteArray& piece : folder.split('/')) {
        if (piece.isEmpty())
            continue;
        if (piece == "." || piece == "..")
            return FolderHandle::Failed(ENOENT);
        handle = at->OpenChild(piece);
        if (!handle.valid())
            return handle;
        at = &handle;
    }
    return handle.valid() ? std::move(handle) : FolderHandle::Open(mEngine.TargetPath());
}

void RunLoop::deleteBackUp(const FolderHandle& folder, const QString& path, const QByteArray& rawName)
{
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
