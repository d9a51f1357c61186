// The text engine's run, file by file.
//
// The folders of the run are listed first (level by level, through folder descriptors), then each
// folder is opened again from its parent and its files of the type are handled one after another:
//   1. read: the whole file through a descriptor relative to its folder, no link followed; the
//      descriptor stays open until the file is renewed, so every later check is about this inode;
//   2. prefilter: a file whose bytes hold no find text (four-byte sequences, ASCII case folded
//      with the case option) is passed over without being decoded;
//   3. detection: byte order mark, else UTF-8, else Windows-31J; a file that is none of these is
//      reported, never written;
//   4. byte path or text path: UTF-8 and Windows-31J files get the pairs applied to their bytes
//      (ByteReplacer); UTF-16 files, and files where the byte path declines, are decoded, replaced
//      pair after pair (ReplaceText) and encoded again, keeping the bytes that do not survive a
//      round trip. The two paths give the same bytes whenever the byte path takes the file on: it
//      declines where a find text holds a character with two Windows-31J codes or half a surrogate
//      pair, where the case option meets a letter with case outside ASCII in a pair or ı or ſ in
//      the file, where the retry option meets a replace text with a two-code character, and where
//      a replace text the encoding cannot hold would be inserted;
//   5. renewal (FileRenewal): the new content under a temporary name, the old inode as backup,
//      and an exchange of names that is undone if someone else changed the file meanwhile.
// Each file system written to is flushed once at the end of the run.
#include "engines/clsTextTralex.h"

#include "engines/BackUpFile.h"
#include "engines/ReplaceText.h"
#include "engines/SkipReasons.h"
#include "platform/CodePage.h"
#include "platform/FolderPath.h"
#include "platform/SettingsFolder.h"
#include "platform/ProgramError.h"
#include "services/basMake.h"
#include "services/basPathControl.h"
#include "services/FolderWalk.h"
#include "services/clsFindFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <new>

namespace tralex {

namespace {

// The default types, in the order the main window offers them, as the type file lists them.
const char* const DefaultTypeLines[] = {
    "doc,xls,", "txt,rtf,", "html,htm,", "xml,", "vbp,frm,bas,cls,", "java,", "jsp,",
};

// Reasons for leaving a file unchanged, as the user reads them after the run.
const QString ReasonBinary = QStringLiteral("バイナリファイルです");
const QString ReasonUndecodable = QStringLiteral("文字コードを判別できません");
const QString ReasonUtf32 = QStringLiteral("UTF-32 の文字コードには対応していません");
const QString ReasonUnencodable = QStringLiteral("置換後の文字を保存できる文字コードではありません");
const QString ReasonNameNotText = QStringLiteral("名前を文字に変換できません");
const QString ReasonOutOfMemory = QStringLiteral("メモリが足りません");
const QString ReasonFolderCannotOpen = QStringLiteral("フォルダを開けません");
const QString ReasonFolderReplaced = QStringLiteral("一覧を作った後にフォルダが移動または置き換えられました");

QString crLfAsLf(const QString& text)
{
    QString result = text;
    return result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// Whether an entry is one the run would handle: a target, or in delete mode a backup.
bool isCandidate(const QString& name, bool deleteMode)
{
    return deleteMode ? HasBackUpForm(name) : !(HasBackUpForm(name) || HasRenewalForm(name));
}

}  // namespace

clsTextTralex::clsTextTralex(QObject* parent)
    : TralexEngine(parent), mRenewal(std::make_unique<FileRenewal>()),
      mFlush(std::make_unique<FileSystemFlush>())
{
    LoadTextTypes();
}

clsTextTralex::~clsTextTralex() = default;

void clsTextTralex::LoadTextTypes()
{
    mTypes = makeOrderedList();
    const QString path = JoinPath(SettingsFolder(), TypeFileName());
    if (QFileInfo(path).isFile()) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            raise(QStringLiteral("ファイルが開けません"));
        const std::optional<QString> text = DecodeOwnFile(file.readAll());
        if (!text)
            raise(QStringLiteral("ファイルが開けません"));
        static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
        for (const QString& line : text->split(lineEnd)) {
            for (const QString& piece : line.split(QLatin1Char(',')))
                if (!TrimBlanks(piece).isEmpty())
                    mTypes->Add(piece);
        }
        return;
    }
    QString content;
    for (const char* line : DefaultTypeLines)
        content += QLatin1String(line) + QStringLiteral("\r\n");
    try {
        WriteTextFile(path, content);  // adds the final empty line
    } catch (const ProgramError&) {
        // A settings folder that cannot be written leaves the defaults in use all the same.
    }
    for (const char* line : DefaultTypeLines)
        for (const QString& piece : QString::fromLatin1(line).split(QLatin1Char(',')))
            if (!piece.isEmpty())
                mTypes->Add(piece);
}

bool clsTextTralex::IsTextType(const QString& type) const
{
    const QString wanted = TrimBlanks(type);
    for (const QString& entry : mTypes->items())
        if (TrimBlanks(entry) == wanted)
            return true;
    return false;
}

OrderedListRef clsTextTralex::ItemType()
{
    return mTypes;
}

int clsTextTralex::CountType() const
{
    return mTypes->Count();
}

void clsTextTralex::setFileSystemFlush(std::unique_ptr<FileSystemFlush> flush)
{
    mFlush = flush ? std::move(flush) : std::make_unique<FileSystemFlush>();
}

void clsTextTralex::setFileRenewal(std::unique_ptr<FileRenewal> renewal)
{
    mRenewal = renewal ? std::move(renewal) : std::make_unique<FileRenewal>();
}

void clsTextTralex::TralexGo()
{
    checkRunPreconditions(true);
    // The pairs are split once; pairs whose find text is blank are passed over.
    mPairs.clear();
    for (const QString& entry : ItemTarget()->items()) {
        const PairTexts texts = SplitPairEntry(entry, mSepChar);
        if (TrimBlanks(texts.find).isEmpty())
            continue;
        mPairs.append(Pair{texts.find, texts.replace, crLfAsLf(texts.find), crLfAsLf(texts.replace)});
    }
    QStringList finds;
    for (const Pair& pair : std::as_const(mPairs))
        finds << pair.find << pair.findLf;
    mPrefilter = FindPrefilter(finds, mUcaseOption);
    mPairForms.clear();
    mByteReplacers.clear();
    runFolders(false);
    mPairs.clear();
    mPrefilter = FindPrefilter();
    mPairForms.clear();
    mByteReplacers.clear();
}

void clsTextTralex::KillBackUpFile()
{
    checkRunPreconditions(false);
    runFolders(true);
}

void clsTextTralex::runFolders(bool deleteMode)
{
    // Every folder of the run is known before the first file changes; each is opened again
    // from its parent when its turn comes, and one that is no longer the folder listed is not
    // entered.
    const FolderWalk walk({WithFinalSlash(mTargetPath)}, mSubFolder);
    for (const QString& path : walk.NamesNotText())
        skip(path, ReasonNameNotText);
    mVisited.clear();
    for (qsizetype i = 0; i < walk.Folders().size(); ++i) {
        const QString& path = walk.Folders().at(i).path;
        const FolderHandle folder = walk.Open(i);
        if (!folder.valid()) {
            skipFolder(path, folder.error());
            continue;
        }
        if (!SearchFolder(folder, path, mTargetType, deleteMode))
            break;
    }
    mVisited.clear();
    // When the run reports its outcome, what it wrote is on the disk.
    finishWrites(*mFlush);
}

void clsTextTralex::skipFolder(const QString& path, int error)
{
    const bool replaced = error == ELOOP || error == ENOTDIR || error == ESTALE || error == ENOENT;
    skip(path, replaced ? ReasonFolderReplaced : ReasonFolderCannotOpen);
}

bool clsTextTralex::SearchFolder(const FolderHandle& folder, const QString& path,
                                 const QString& type, bool deleteMode)
{
    // A folder reached twice (as a subfolder and as a folder whose own name matches the type)
    // is handled once.
    const std::optional<FileIdentity> identity = folder.Identity();
    if (!identity || mVisited.contains(*identity))
        return true;
    mVisited.insert(*identity);

    // The search lists the whole folder when the mask is set, so the backups and temporary
    // files made below never appear in it.
    clsFindFile search;
    if (!search.setFileMaskAt(folder.fd(), QStringLiteral("*.") + type)) {
        skip(path, ReasonFolderCannotOpen);
        return true;
    }
    const QString doing = deleteMode ? QStringLiteral(" を削除中...") : QStringLiteral(" を置換中...");
    for (QString name = search.NextFile(); !name.isEmpty(); name = search.NextFile()) {
        emit ExecutionMessage(name + doing);
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
        if (mStopFlag)
            return false;
        const QString entry = JoinPath(path, name);
        if (!search.NameIsText()) {
            // The text name may be another entry's: never touched, only reported (a folder once:
            // with subfolders the walk has reported it already).
            if (search.IsDir() ? !mSubFolder : isCandidate(name, deleteMode))
                skip(search.IsDir() ? WithFinalSlash(entry) : entry, ReasonNameNotText);
        } else if (search.IsSymLink()) {
            skip(entry, SkipReason::SymbolicLink);
        } else if (search.IsDir()) {
            const FolderHandle child = folder.OpenChild(search.RawName());
            if (!child.valid())
                skipFolder(WithFinalSlash(entry), child.error());
            else if (!SearchFolder(child, WithFinalSlash(entry), type, deleteMode))
                return false;
        } else if (deleteMode) {
            DeleteBackUp(folder, path, name, search.RawName());
        } else {
            try {
                ReplaceInFile(folder, path, name, search.RawName());
            } catch (const std::bad_alloc&) {
                // One file too large for the memory left: the others are still handled.
                skip(entry, ReasonOutOfMemory);
            }
        }
    }
    return true;
}

void clsTextTralex::ReplaceInFile(const FolderHandle& folder, const QString& folderPath,
                                  const QString& name, const QByteArray& rawName)
{
    // Backups and temporary files, including ones left by an interrupted run, are never targets.
    if (!isCandidate(name, false) || mPairs.isEmpty())
        return;
    const QString path = JoinPath(folderPath, name);

    QByteArray bytes;
    FileSnapshot snapshot;
    switch (FileRenewal::ReadFileAt(folder.fd(), rawName, bytes, snapshot)) {
    case ReadOutcome::Read: break;
    case ReadOutcome::CannotOpen: skip(path, SkipReason::CannotOpen); return;
    case ReadOutcome::SymbolicLink: skip(path, SkipReason::SymbolicLink); return;
    case ReadOutcome::NotAFile: return;
    }
    // A binary file is reported whether or not it holds a find text: the user asked for files of
    // this type and should learn that one of them is not text.
    if (HasUtf32ByteOrderMark(bytes)) {
        skip(path, ReasonUtf32);
        return;
    }
    if (LooksBinary(bytes)) {
        skip(path, ReasonBinary);
        return;
    }
    if (!mPrefilter.mayMatch(bytes))
        return;  // no find text in it: not touched, whatever its encoding
    const std::optional<TextEncoding> encoding = DetectEncoding(bytes);
    if (!encoding) {
        skip(path, ReasonUndecodable);
        return;
    }
    std::optional<qint64> total = replaceInBytes(bytes, *encoding);
    if (!total)
        total = replaceInText(bytes, *encoding);
    if (!total) {
        skip(path, ReasonUnencodable);
        return;
    }
    if (*total == 0)
        return;  // not touched, not listed

    const QString stamp = BackUpStamp();
    FolderHandle backUpFolder;
    if (!mBackUpPath.isEmpty()) {
        try {
            BackUpFilePath(mBackUpPath, folderPath, name, stamp, true, ClassName());
        } catch (const ProgramError&) {
            skip(path, SkipReason::BackUpFolder);
            return;
        }
        backUpFolder = FolderHandle::Open(BackUpFolder(mBackUpPath, folderPath));
        if (!backUpFolder.valid()) {
            skip(path, SkipReason::BackUpFolder);
            return;
        }
    }
    RenewalTarget target;
    target.folder = folder.fd();
    target.name = rawName;
    target.temporary = QFile::encodeName(RenewalName(name, stamp));
    target.backUpFolder = backUpFolder.valid() ? backUpFolder.fd() : folder.fd();
    target.backUp = QFile::encodeName(BackUpName(name, stamp));
    // A copied backup's own temporary name, never the new content's, even in the same folder.
    target.backUpCopy = QFile::encodeName(RenewalName(BackUpName(name, stamp), stamp));

    if (reportRenewal(path, mRenewal->RenewAt(target, bytes, snapshot))) {
        mFlush->Note(target.folder);
        mFlush->Note(target.backUpFolder);
    }
}

const QList<TextPair>& clsTextTralex::pairsFor(TextEncoding encoding, bool lfOnly)
{
    const int key = int(encoding) * 2 + (lfOnly ? 1 : 0);
    auto found = mPairForms.find(key);
    if (found == mPairForms.end()) {
        QList<TextPair> pairs;
        for (const Pair& pair : std::as_const(mPairs))
            pairs.append(lfOnly ? TextPair{InFileForms(pair.findLf, encoding),
                                           InFileForms(pair.replaceLf, encoding)}
                                : TextPair{InFileForms(pair.find, encoding),
                                           InFileForms(pair.replace, encoding)});
        found = mPairForms.emplace(key, std::move(pairs)).first;
    }
    return found->second;
}

const ByteReplacer& clsTextTralex::byteReplacer(TextEncoding encoding, bool lfOnly)
{
    const int key = int(encoding) * 2 + (lfOnly ? 1 : 0);
    auto found = mByteReplacers.find(key);
    if (found == mByteReplacers.end())
        found = mByteReplacers.emplace(key, ByteReplacer(pairsFor(encoding, lfOnly), encoding,
                                                         mRetryOption, mUcaseOption)).first;
    return found->second;
}

std::optional<qint64> clsTextTralex::replaceInBytes(QByteArray& bytes, TextEncoding encoding)
{
    if (encoding != TextEncoding::Utf8 && encoding != TextEncoding::Utf8Bom
        && encoding != TextEncoding::Windows31J)
        return std::nullopt;
    // Line-break bytes are the same in both encodings and never part of another character.
    const bool lfOnly = bytes.contains('\n') && !bytes.contains("\r\n");
    return byteReplacer(encoding, lfOnly).Apply(bytes, ByteOrderMarkSize(encoding));
}

std::optional<qint64> clsTextTralex::replaceInText(QByteArray& bytes, TextEncoding encoding)
{
    const qsizetype bom = ByteOrderMarkSize(encoding);
    std::optional<DecodedText> decoded =
        DecodeAs(QByteArray::fromRawData(bytes.constData() + bom, bytes.size() - bom), encoding);
    if (!decoded)
        return std::nullopt;  // cannot happen: the encoding was detected from these bytes
    bytes = QByteArray();  // the file may be large: keep one copy at a time
    QString& text = decoded->text;
    QList<KeptBytes>& kept = decoded->kept;
    // In a file whose line breaks are LF alone, the CR LF of a pair text stands for LF.
    const bool lfOnly = text.contains(QLatin1Char('\n')) && !text.contains(QStringLiteral("\r\n"));
    qint64 total = 0;
    QList<TextEdit> edits;
    for (const TextPair& pair : pairsFor(encoding, lfOnly)) {
        edits.clear();
        const qint64 n = ReplaceText(text, pair.find, pair.replace, mRetryOption, mUcaseOption,
                                     kept.isEmpty() ? nullptr : &edits);
        if (n > 0 && !kept.isEmpty())
            ShiftKeptBytes(kept, edits);
        total += n;
    }
    if (total == 0)
        return 0;
    std::optional<QByteArray> encoded = EncodeText(text, encoding, kept);
    if (!encoded)
        return std::nullopt;
    bytes = std::move(*encoded);
    return total;
}

void clsTextTralex::DeleteBackUp(const FolderHandle& folder, const QString& folderPath,
                                 const QString& name, const QByteArray& rawName)
{
    if (!HasBackUpForm(name))
        return;
    const QString path = JoinPath(folderPath, name);
    // A read-only backup goes all the same: removing a name needs only the folder's permission.
    const int error = folder.RemoveFile(rawName);
    if (error == ENOENT)
        return;  // gone meanwhile, or not a regular file
    if (error != 0)
        raise(QStringLiteral("バックアップファイルを削除できません: ") + path);
    ItemResult()->Add(path);
    mFlush->Note(folder.fd());
}

}  // namespace tralex
