#include "engines/office/OfficeEngine.h"

#include "engines/BackUpFile.h"
#include "engines/SkipReasons.h"
#include "engines/ReplaceText.h"
#include "platform/office/OfficeApplication.h"
#include "platform/office/OfficeDocument.h"
#include "platform/office/OfficeFileSearch.h"
#include "platform/FolderHandle.h"
#include "platform/ProgramError.h"

#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace tralex {

namespace {

// After this many files in a row that crashed or hung LibreOffice, the run itself is at fault.
constexpr int MaxFaultsInRow = 3;

const QString ReasonReadOnly = QStringLiteral("読み取り専用でしか開けません");

// Only U+0020 counts as a blank here, as in the text engine's pair check.
bool isBlanks(const QString& text)
{
    for (const QChar c : text) {
        if (c != QLatin1Char(' '))
            return false;
    }
    return true;
}

QString folderOf(const QString& path)
{
    return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

}  // namespace

OfficeEngine::OfficeEngine(QObject* parent)
    : TralexEngine(parent)
{
    setFileSystemFlush(nullptr);
}

OfficeEngine::~OfficeEngine() = default;

OfficeApplication& OfficeEngine::Application()
{
    if (!mApplication)
        mApplication = std::make_unique<OfficeApplication>();
    return *mApplication;
}

void OfficeEngine::setFileSystemFlush(std::unique_ptr<FileSystemFlush> flush)
{
    mFlush = flush ? std::move(flush) : std::make_unique<FileSystemFlush>();
    // LibreOffice writes its own files on the same disk while a run goes on: flushing under it
    // costs each file more than one flush of everything at the end.
    mFlush->setFlushWhileRunning(false);
}

OfficeEngine::FormatCheck OfficeEngine::checkFilter(const QString& filter, const QStringList& filters,
                                                    const QStringList& oldFilters)
{
    if (filters.contains(filter))
        return {true, QString()};
    if (oldFilters.contains(filter))
        return {false, QStringLiteral("古い形式のファイルは保存できません")};
    return {false, QStringLiteral("拡張子と異なる形式のファイルです")};
}

QString OfficeEngine::applyAllPairs(const QString& text) const
{
    QString result = text;
    for (const auto& [find, replace] : mPairs)
        ReplaceText(result, find, replace, false, mUcaseOption);
    return result;
}

void OfficeEngine::preparePairs()
{
    mPairs.clear();
    mPairError.clear();
    const OrderedListRef targets = ItemTarget();
    for (const QString& entry : targets->items()) {
        const PairTexts pair = SplitPairEntry(entry, mSepChar);
        if (isBlanks(pair.find))
            continue;
        const QString crLf = QStringLiteral("\r\n");
        if (pair.find.contains(crLf)) {
            mPairError = QStringLiteral("複数行検索には対応していません");
            break;
        }
        if (pair.replace.contains(crLf)) {
            mPairError = QStringLiteral("複数行置換には対応していません");
            break;
        }
        mPairs.append({pair.find, pair.replace});
    }
}

void OfficeEngine::TralexGo()
{
    checkRunPreconditions(true);
    RemoveFileAll();
    preparePairs();
    mFaultsInRow = 0;
    // The process starts with the first file (unless one runs with no document open) and ends
    // with the run, whatever way the run ends.
    struct EndOffice {
        OfficeApplication& application;
        ~EndOffice() { application.Quit(); }
    } endOffice{Application()};
    // What the run wrote is on the disk when it reports its outcome, whatever way it ends; a disk
    // that cannot say so is reported.
    struct FlushAtEnd {
        OfficeEngine& engine;
        ~FlushAtEnd() { engine.finishWrites(*engine.mFlush); }
    } flushAtEnd{*this};

    OfficeFileSearch search;
    search.setLookIn(mTargetPath);
    search.setFileName(QStringLiteral("*.") + mTargetType);
    search.setSearchSubFolders(mSubFolder);
    const int count = search.Execute();
    for (int i = 1; i <= count && !mStopFlag; ++i) {
        const QString path = search.FoundFile(i);
        const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
        // Office's own lock files, and the backups and renewal files of this program (also ones
        // an interrupted run left), are never targets.
        if (name.startsWith(QStringLiteral("~$")) || HasBackUpForm(name) || HasRenewalForm(name))
            continue;
        emit ExecutionMessage(path);
        if (mStopFlag)
            break;
        if (search.IsSymLink(i))
            skip(path, SkipReason::SymbolicLink);
        else
            handleFile(path);
    }
}

void OfficeEngine::handleFile(const QString& path)
{
    QByteArray bytes;
    FileSnapshot snapshot;
    switch (FileRenewal::ReadFile(path, bytes, snapshot)) {
    case ReadOutcome::Read: break;
    case ReadOutcome::CannotOpen: skip(path, SkipReason::CannotOpen); return;
    case ReadOutcome::SymbolicLink: skip(path, SkipReason::SymbolicLink); return;
    case ReadOutcome::NotAFile: return;
    }
    if ((snapshot.mode & 0222) == 0 || ::access(QFile::encodeName(path).constData(), W_OK) != 0) {
        skip(path, SkipReason::NotWritable);
        return;
    }
    // A crash may come from outside (the system ending a process that grew too large): the file
    // gets a second try in a fresh process. A hang costs the whole time limit and is not tried
    // again.
    for (int attempt = 1;; ++attempt) {
        try {
            workOnFile(path, snapshot);
            mFaultsInRow = 0;
            return;
        } catch (const OfficeError& e) {
            if (e.kind() == OfficeError::Kind::NotStarted)
                raise(e.reason());
            if (e.kind() == OfficeError::Kind::File) {
                mFaultsInRow = 0;
                skip(path, e.reason());
                return;
            }
            restartOffice();
            if (e.kind() == OfficeError::Kind::Crashed && attempt == 1)
                continue;
            skip(path, e.reason());
            if (++mFaultsInRow >= MaxFaultsInRow)
                raise(QStringLiteral("LibreOffice が繰り返し異常終了しました"));
            return;
        }
    }
}

void OfficeEngine::restartOffice()
{
    try {
        Application().Restart();
    } catch (const OfficeError& e) {
        raise(e.reason());
    }
}

void OfficeEngine::workOnFile(const QString& path, const FileSnapshot& snapshot)
{
    OfficeApplication& application = Application();
    application.Start();
    OfficeApplication::FileTime time(application);
    std::unique_ptr<OfficeDocument> document = application.Open(path);
    const FormatCheck format = checkFormat(mTargetType, document->FilterName());
    if (!format.accepted) {
        skip(path, format.reason);
        return;
    }
    if (document->IsReadOnly()) {
        skip(path, ReasonReadOnly);
        return;
    }
    if (!mPairError.isEmpty())
        raise(mPairError);
    applyPairs(*document);
    if (document->IsModified())
        renewFile(*document, path, snapshot);
}

void OfficeEngine::renewFile(OfficeDocument& document, const QString& path, const FileSnapshot& snapshot)
{
    const QString folder = folderOf(path);
    const QString name = path.mid(folder.size());
    const QString stamp = BackUpStamp();
    RenewalPaths paths;
    paths.file = path;
    paths.temporary = JoinPath(folder, RenewalName(name, stamp));
    try {
        paths.backUp = BackUpFilePath(mBackUpPath, folder, name, stamp, true, ClassName());
    } catch (const ProgramError&) {
        skip(path, SkipReason::BackUpFolder);
        return;
    }
    paths.backUpCopy = BackUpFolder(mBackUpPath, folder) + RenewalName(name, stamp);

    // LibreOffice writes into its own work folder; the file renewal then puts the content in
    // place with the same no-loss steps as for text files.
    const QString stored = JoinPath(Application().WorkFolder(), QStringLiteral("stored.") + mTargetType);
    QFile::remove(stored);
    document.StoreTo(stored, document.FilterName());
    document.Close();
    QFile storedFile(stored);
    if (!storedFile.open(QIODevice::ReadOnly)) {
        skip(path, SkipReason::WriteFailed);
        return;
    }
    const QByteArray content = storedFile.readAll();
    storedFile.close();
    QFile::remove(stored);

    if (reportRenewal(path, mRenewal.Renew(paths, content, snapshot))) {
        for (const QString& written : {paths.file, paths.backUp}) {
            const FolderHandle handle = FolderHandle::Open(folderOf(written));
            if (handle.valid())
                mFlush->Note(handle.fd());
        }
    }
}

}  // namespace tralex
