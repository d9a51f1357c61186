#include "engines/office/OfficeEngine.h"

#include "engines/BackUpFile.h"
#include "engines/ReplaceText.h"
#include "engines/SkipReasons.h"
#include "platform/office/OfficeApplication.h"
#include "platform/office/OfficeDocument.h"
#include "platform/office/OfficeLocks.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace tralex {

namespace {

const QString ReasonReadOnly = QStringLiteral("読み取り専用でしか開けません");
const QString ReasonInUse = QStringLiteral("他のプログラムが使用中です");
const QString ReasonStopped = QStringLiteral("中断したため変更していません");
const QString ReasonLinkedObject = QStringLiteral("他のファイルにリンクしたオブジェクトがあります");
const QString ReasonPackageUnreadable = QStringLiteral("ファイルの中身を読み取れません");

// Only U+0020 counts as a blank here, as in the text engine's pair check.
bool isBlanks(const QString& text)
{
    for (const QChar c : text) {
        if (c != QLatin1Char(' '))
            return false;
    }
    return true;
}

// Copies the whole open file, from its start, into a new private file (mode 0600).
bool copyOpened(int from, const QString& to)
{
    const int out = ::open(QFile::encodeName(to).constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (out < 0)
        return false;
    bool ok = true;
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (off_t offset = 0; ok;) {
        const ssize_t n = ::pread(from, buffer.data(), size_t(buffer.size()), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        for (ssize_t done = 0; ok && done < n;) {
            const ssize_t w = ::write(out, buffer.constData() + done, size_t(n - done));
            if (w < 0 && errno != EINTR)
                ok = false;
            else if (w > 0)
                done += w;
        }
        offset += n;
    }
    if (::close(out) != 0)
        ok = false;
    return ok;
}

// Removes the work files of a file when it is done, whichever way.
struct WorkFiles {
    QString copy;
    QString stored;
    ~WorkFiles()
    {
        QFile::remove(copy);
        QFile::remove(stored);
    }
};

}  // namespace

OfficeEngine::OfficeEngine(QObject* parent)
    : TralexEngine(parent)
{
    setFileSystemFlush(nullptr);
}

OfficeEngine::~OfficeEngine() = default;

OfficeApplication& OfficeEngine::Application()
{
    if (!mApplication) {
        mApplication = std::make_unique<OfficeApplication>();
        mApplication->setStopFlag(&stopFlag());
    }
    return *mApplication;
}

void OfficeEngine::EndApplication()
{
    mApplication.reset();
}

void OfficeEngine::setFileSystemFlush(std::unique_ptr<FileSystemFlush> flush)
{
    TralexEngine::setFileSystemFlush(std::move(flush));
    // LibreOffice writes its own files on the same disk while a run goes on: flushing under it
    // costs each file more than one flush of everything at the end.
    fileSystemFlush().setFlushWhileRunning(false);
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

QString OfficeEngine::applyAllPairs(const QString& text, qint64* count) const
{
    QString result = text;
    for (const auto& [find, replace] : mPairs) {
        const qint64 replaced = ReplaceText(result, find, replace, false, mUcaseOption);
        if (count)
            *count += replaced;
    }
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
    // The process starts with the first file and ends with the run, whichever way the run ends,
    // and its private folders go with it.
    struct EndOffice {
        OfficeEngine& engine;
        ~EndOffice() { engine.EndApplication(); }
    } endOffice{*this};
    Application();
    runFiles(this);
}

bool OfficeEngine::readsBackAsWritten(const QStringList& before, const QStringList& after,
                                      const QStringList& stored)
{
    if (before.size() != after.size() || after.size() != stored.size())
        return after == stored;
    for (qsizetype i = 0; i < after.size(); ++i) {
        if (before.at(i) != after.at(i) && stored.at(i) != after.at(i))
            return false;
    }
    return true;
}

QString OfficeEngine::ProgressText(const QString& path, const QString&) const
{
    return path;
}

FileWork OfficeEngine::Work(FileAtHand& file)
{
    // A file another program has open is left to it.
    if (IsLockedByOthers(file.folder, file.rawName))
        return FileWork::skipped(ReasonInUse);
    OfficeApplication& application = Application();
    WorkFiles work{JoinPath(application.WorkFolder(QStringLiteral("in")), file.name),
                   JoinPath(application.WorkFolder(QStringLiteral("out")), file.name)};
    QFile::remove(work.copy);
    if (!copyOpened(file.snapshot->opened->get(), work.copy))
        return FileWork::skipped(SkipReason::CannotOpen);
    // Known from the file itself, before LibreOffice would read what it links to.
    const QString linked = linkRefusal(LinksOfPackage(work.copy));
    if (!linked.isEmpty())
        return FileWork::skipped(linked);
    // A crash may come from outside (the system ending a process that grew too large): the file
    // gets a second try in a fresh process. A hang costs the whole time limit and is not tried
    // again. A file that crashes or hangs LibreOffice is skipped and the run goes on with a
    // fresh process, however many such files come in a row; only a process that cannot be
    // started ends the run.
    for (int attempt = 1;; ++attempt) {
        try {
            return workOnCopy(work.copy, file.path);
        } catch (const OfficeError& e) {
            if (e.kind() == OfficeError::Kind::NotStarted)
                raise(e.reason());
            if (e.kind() == OfficeError::Kind::File)
                return FileWork::skipped(e.reason());
            if (StopFlag())
                return FileWork::skipped(ReasonStopped);  // ended by STOP: no fresh process
            restartOffice();
            if (e.kind() == OfficeError::Kind::Crashed && attempt == 1)
                continue;
            return FileWork::skipped(e.reason());
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

QString OfficeEngine::linkRefusal(const PackageLinks& links) const
{
    if (links.unreadable)
        return ReasonPackageUnreadable;
    for (const PackageLink& link : links.links) {
        if (link.kind == PackageLink::Kind::Object)
            return ReasonLinkedObject;
    }
    return QString();
}

FileWork OfficeEngine::workOnCopy(const QString& copy, const QString& original)
{
    OfficeApplication& application = Application();
    application.Start();
    OfficeApplication::FileTime time(application);
    // Links relative to the file are read and written from its own place, not the copy's.
    std::unique_ptr<OfficeDocument> document = application.Open(copy, original);
    const FormatCheck format = checkFormat(mTargetType, document->FilterName());
    if (!format.accepted)
        return FileWork::skipped(format.reason);
    if (document->IsReadOnly())
        return FileWork::skipped(ReasonReadOnly);
    if (!mPairError.isEmpty())
        raise(mPairError);
    const QStringList before = changeableTexts(*document, Reading::Before);
    const PairsApplied applied = applyPairs(*document);
    if (!applied.refused.isEmpty())
        return FileWork::skipped(applied.refused);
    if (!document->IsModified())
        return FileWork::unchanged();
    const QStringList after = changeableTexts(*document, Reading::After);
    if (Preview()) {
        // Nothing is stored: the document closes unsaved, and the run's copy goes.
        FileWork work = FileWork::changed(QByteArray(), applied.replacements);
        work.lines = ChangedTexts(before, after, PreviewLineLimit(), &work.changedLines);
        return work;
    }
    // LibreOffice writes into the private folder; the loop then puts the content in place with
    // the same no-loss steps as for text files.
    const QString stored = JoinPath(application.WorkFolder(QStringLiteral("out")),
                                    copy.mid(copy.lastIndexOf(QLatin1Char('/')) + 1));
    QFile::remove(stored);
    document->StoreTo(stored, document->FilterName(), original);
    document->Close();
    // A format may hold less than the document did (a text cut short, a character dropped): the
    // stored copy is read again, and a file that would lose what was written is left as it was.
    if (!readsBackAsWritten(before, after, changeableTexts(*application.Open(stored), Reading::Stored)))
        return FileWork::skipped(SkipReason::NotReadBack);
    QFile storedFile(stored);
    if (!storedFile.open(QIODevice::ReadOnly))
        return FileWork::skipped(SkipReason::WriteFailed);
    return FileWork::changed(storedFile.readAll(), applied.replacements);
}

}  // namespace tralex
