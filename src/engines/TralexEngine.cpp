#include "engines/TralexEngine.h"

#include "engines/SkipReasons.h"
#include "services/basPathControl.h"

#include "platform/ProgramError.h"

#include <QFileInfo>

namespace tralex {

TralexEngine::TralexEngine(QObject* parent) : QObject(parent) {}

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

void TralexEngine::RemoveFileAll()
{
    ItemResult()->Clear();
    ItemSkipped()->Clear();
}

void TralexEngine::skip(const QString& path, const QString& reason)
{
    ItemSkipped()->Add(path + QLatin1Char('\t') + reason);
}

void TralexEngine::finishWrites(FileSystemFlush& flush)
{
    if (!flush.Flush())
        skip(mTargetPath, SkipReason::NotOnDisk);
}

bool TralexEngine::reportRenewal(const QString& path, RenewOutcome outcome)
{
    switch (outcome) {
    case RenewOutcome::Renewed: ItemResult()->Add(path); return true;
    case RenewOutcome::BackUpNameTaken: skip(path, SkipReason::BackUpTaken); break;
    case RenewOutcome::BackUpFailed: skip(path, SkipReason::BackUpFailed); break;
    case RenewOutcome::WriteFailed: skip(path, SkipReason::WriteFailed); break;
    case RenewOutcome::ChangedMeanwhile: skip(path, SkipReason::Changed); break;
    case RenewOutcome::NotWritable: skip(path, SkipReason::NotWritable); break;
    case RenewOutcome::AttributesNotKept: skip(path, SkipReason::Attributes); break;
    case RenewOutcome::OwnerNotKept: skip(path, SkipReason::Owner); break;
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
