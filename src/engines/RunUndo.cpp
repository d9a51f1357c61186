#include "engines/RunUndo.h"

#include <QFile>

namespace tralex {

namespace {

const QString ReasonChangedSinceRun = QStringLiteral("実行の後でファイルが変更されています");
const QString ReasonBackUpGone = QStringLiteral("バックアップファイルがありません");

// The path of a file below the searched folder, as the file system has it; empty for a path
// outside it.
QByteArray relativeTo(const QByteArray& folder, const QByteArray& path)
{
    QByteArray start = folder;
    if (!start.endsWith('/'))
        start += '/';
    return path.startsWith(start) ? path.mid(start.size()) : QByteArray();
}

}  // namespace

RunUndo::RunUndo(QString journals, QString id, QObject* parent)
    : TralexEngine(parent), mJournals(std::move(journals)), mRun(RunJournal::Load(mJournals, id))
{
    // The undo keeps a journal of its own, so that it can be taken back in its turn.
    setJournalFolder(mJournals);
    // Taken back right after the run, a file's backup name of this second may be the run's own.
    setLaterBackUpStamps(true);
}

QString RunUndo::ProgressText(const QString&, const QString& name) const
{
    return name + QStringLiteral(" を元に戻しています...");
}

void RunUndo::TralexGo()
{
    if (!mRun)
        raise(QStringLiteral("元に戻す実行の記録が見つかりません"));
    if (mRun->undone)
        raise(QStringLiteral("この実行はすでに元に戻しています"));
    setTargetPath(mRun->folder);
    mTargetType = mRun->type;
    mSubFolder = mRun->subFolders;
    // The backups of the content taken back go where the run put its own, when that folder is
    // still there; else beside their files.
    mBackUpPath = QFile::exists(mRun->backUpFolder) ? mRun->backUpFolder : QString();
    QList<QByteArray> files;
    const QByteArray folder = QFile::encodeName(mRun->folder);
    for (const JournalFile& file : std::as_const(mRun->files))
        files.append(relativeTo(folder, file.target));
    runListed(this, files);
    // A run whose undo cannot be noted could be taken back twice: the user is told.
    if (!StopFlag() && !RunJournal::MarkUndone(mJournals, mRun->id, QDateTime::currentDateTime()))
        skip(mJournals + mRun->id, QStringLiteral("元に戻したことを記録できません"));
}

void RunUndo::describeRun(JournalRun& run) const
{
    run.undoes = mRun->id;
    run.pairs.clear();
}

FileWork RunUndo::Work(FileAtHand& file)
{
    const JournalFile& record = mRun->files.at(file.listed);
    const bool asWritten = file.bytes.size() == record.size && RunJournal::ContentHash(file.bytes) == record.hash;
    QByteArray old;
    FileSnapshot backUp;
    const bool backedUp = FileRenewal::ReadFile(QFile::decodeName(record.backUp), old, backUp) == ReadOutcome::Read;
    // A run killed after the file's line was written, before its new content took the name,
    // left the file as it was: nothing to take back.
    if (backedUp && old == file.bytes)
        return FileWork::unchanged();
    if (!asWritten)
        return FileWork::skipped(ReasonChangedSinceRun);
    if (!backedUp)
        return FileWork::skipped(ReasonBackUpGone);
    return FileWork::changed(std::move(old), -1);
}

}  // namespace tralex
