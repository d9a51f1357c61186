#include "engines/TralexEngine.h"

#include "engines/RunLoop.h"
#include "engines/SkipReasons.h"
#include "services/basPathControl.h"

#include "platform/HeapSettings.h"
#include "platform/ProgramError.h"
#include "platform/SpareBuffers.h"

#include <QFileInfo>

namespace tralex {

TralexEngine::TralexEngine(QObject* parent)
    : QObject(parent), mRenewal(std::make_unique<FileRenewal>()),
      mFlush(std::make_unique<FileSystemFlush>())
{
}

void TralexEngine::setStopFlag(bool value)
{
    mStopFlag.store(value);
}

void TralexEngine::setFileRenewal(std::unique_ptr<FileRenewal> renewal)
{
    mRenewal = renewal ? std::move(renewal) : std::make_unique<FileRenewal>();
}

void TralexEngine::setFileSystemFlush(std::unique_ptr<FileSystemFlush> flush)
{
    mFlush = flush ? std::move(flush) : std::make_unique<FileSystemFlush>();
}

// Progress reports are raised at most every mProgressInterval: nobody reads faster, and a window
// that laid out and painted a text for every file would make a run of many small files markedly
// slower.
void TralexEngine::progress(const QString& text)
{
    if (mProgressInterval > 0 && mProgressClock.isValid()
        && mProgressClock.elapsed() < mProgressInterval) {
        mProgressHeld = text;
        return;
    }
    mProgressHeld.clear();
    mProgressClock.start();
    emit ExecutionCount(mDone, mFound);
    emit ExecutionMessage(text);
}

void TralexEngine::flushProgress()
{
    emit ExecutionCount(mDone, mFound);
    if (!mProgressHeld.isEmpty())
        emit ExecutionMessage(mProgressHeld);
    mProgressHeld.clear();
    mProgressClock.invalidate();
}

void TralexEngine::runFiles(FileWorker* worker)
{
    KeepFreedMemoryForNextFile();
    RunLoop loop(*this, worker, *mRenewal, *mFlush);
    if (worker && !mListedFiles.isEmpty())
        loop.RunListed(mListedFiles);
    else
        loop.Run();
    SpareBuffers::Release();
}

void TralexEngine::runListed(FileWorker* worker, const QList<QByteArray>& files)
{
    QList<FileReport> listed;
    listed.reserve(files.size());
    for (const QByteArray& file : files) {
        FileReport report;
        report.rawPath = file;
        listed.append(std::move(report));
    }
    RunLoop(*this, worker, *mRenewal, *mFlush).RunListed(listed);
}

void TralexEngine::addResult(const QString& line, FileReport report)
{
    if (mBeforeReport)
        mBeforeReport();
    ItemResult()->Add(line);
    mReports.append(std::move(report));
}

void TralexEngine::KillBackUpFile()
{
    checkRunPreconditions(false);
    runFiles(nullptr);
}

TralexEngine::~TralexEngine() = default;

void TralexEngine::raise(const QString& description) const
{
    throw ProgramError(ClassName(), description);
}

void TralexEngine::setCheckedFolder(QString& member, const QString& value)
{
    // A folder given with or without its final "/" is accepted; a file of that name is not a
    // folder to search or to back up into.
    if (value.isEmpty() || QFileInfo(value).isDir()) {
        member = value;
        return;
    }
    member.clear();
    raise(QStringLiteral("指定のディレクトリは存在しません"));
}

void TralexEngine::setBackUpPath(const QString& value)
{
    setCheckedFolder(mBackUpPath, value);
}

void TralexEngine::setTargetPath(const QString& value)
{
    setCheckedFolder(mTargetPath, value);
}

void TralexEngine::setTargetType(const QString& value)
{
    if (acceptsType(value)) {
        mTargetType = value;
        return;
    }
    mTargetType.clear();
    raise(typeRefusedMessage());
}

void TralexEngine::AddTarget(const QString& vstrFndStr, const QString& vstrRepStr)
{
    ItemTarget()->Add(BuildPairEntry(vstrFndStr, vstrRepStr, mSepChar, pairArrow()));
}

OrderedListRef TralexEngine::ItemTarget()
{
    if (!mTargets)
        mTargets = makeOrderedList();
    return mTargets;
}

OrderedListRef TralexEngine::ItemResult()
{
    if (!mResults)
        mResults = makeOrderedList();
    return mResults;
}

int TralexEngine::CountTarget() const
{
    return mTargets ? mTargets->Count() : 0;
}

int TralexEngine::CountResult() const
{
    return mResults ? mResults->Count() : 0;
}

OrderedListRef TralexEngine::ItemSkipped()
{
    if (!mSkipped)
        mSkipped = makeOrderedList();
    return mSkipped;
}

int TralexEngine::CountSkipped() const
{
    return mSkipped ? mSkipped->Count() : 0;
}

RunResult TralexEngine::Result() const
{
    RunResult result;
    if (mResults)
        result.changed = mResults->items();
    if (mSkipped)
        result.skipped = mSkipped->items();
    result.files = mReports;
    // Lines added to the result list from outside a run have a report of their path alone.
    result.files.resize(std::min(result.files.size(), result.changed.size()));
    for (qsizetype i = result.files.size(); i < result.changed.size(); ++i) {
        FileReport report;
        report.path = result.changed.at(i);
        result.files.append(std::move(report));
    }
    result.preview = mPreview;
    return result;
}

void TralexEngine::RemoveFileAll()
{
    ItemResult()->Clear();
    ItemSkipped()->Clear();
    mReports.clear();
    mCachedBytes = 0;
    mKeptContent.reset();  // the reports handed out keep theirs
}

void TralexEngine::skip(const QString& path, const QString& reason)
{
    if (mBeforeReport)
        mBeforeReport();
    ItemSkipped()->Add(path + QLatin1Char('\t') + reason);
}

void TralexEngine::finishWrites(FileSystemFlush& flush)
{
    if (!flush.Flush())
        skip(mTargetPath, SkipReason::NotOnDisk);
}

bool TralexEngine::reportRenewal(const QString& path, RenewOutcome outcome, const QString& mark,
                                 FileReport report, const QString& note)
{
    const QString shown = path + mark;
    switch (outcome) {
    case RenewOutcome::Renewed:
        report.path = shown;
        addResult(shown + note, std::move(report));
        return true;
    case RenewOutcome::BackUpNameTaken: skip(shown, SkipReason::BackUpTaken); break;
    case RenewOutcome::BackUpFailed: skip(shown, SkipReason::BackUpFailed); break;
    case RenewOutcome::WriteFailed: skip(shown, SkipReason::WriteFailed); break;
    case RenewOutcome::ChangedMeanwhile: skip(shown, SkipReason::Changed); break;
    case RenewOutcome::NotWritable: skip(shown, SkipReason::NotWritable); break;
    case RenewOutcome::AttributesNotKept: skip(shown, SkipReason::Attributes); break;
    case RenewOutcome::OwnerNotKept: skip(shown, SkipReason::Owner); break;
    case RenewOutcome::NotRecorded: skip(shown, SkipReason::NotRecorded); break;
    case RenewOutcome::Declined: break;  // the worker's reason is reported by the run loop
    }
    return false;
}

void TralexEngine::RemoveTargetAll()
{
    if (mTargets)
        mTargets->Clear();
}

void TralexEngine::RemoveTarget(int vintRow)
{
    if (vintRow < 1 || vintRow > CountTarget())
        raise(QStringLiteral("指定された位置に置換設定がありません"));
    mTargets->Remove(vintRow);
}

void TralexEngine::setSsCollection(OrderedListRef list)
{
    mTargets = std::move(list);
}

void TralexEngine::checkRunPreconditions(bool pairsNeeded) const
{
    if (mTargetPath.isEmpty())
        raise(QStringLiteral("パスが指定されていません"));
    if (mTargetType.isEmpty())
        raise(QStringLiteral("ファイルタイプが指定されていません"));
    if (pairsNeeded && CountTarget() == 0)
        raise(QStringLiteral("置換が設定されていません"));
}

}  // namespace tralex
