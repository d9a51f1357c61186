#include "engines/clsTextTralex.h"

#include "engines/BackUpFile.h"
#include "engines/ReplaceText.h"
#include "platform/CodePage.h"
#include "platform/SettingsFolder.h"
#include "platform/ProgramError.h"
#include "services/basMake.h"
#include "services/basPathControl.h"
#include "services/basPathSearch.h"
#include "services/clsFindFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace tralex {

namespace {

// The default types, in the order the main window offers them, as the type file lists them.
const char* const DefaultTypeLines[] = {
    "doc,xls,", "txt,rtf,", "html,htm,", "xml,", "vbp,frm,bas,cls,", "java,", "jsp,",
};

// Reasons for leaving a file unchanged, as the user reads them after the run.
const QString ReasonCannotOpen = QStringLiteral("ファイルが開けません");
const QString ReasonSymbolicLink = QStringLiteral("シンボリックリンクは対象外です");
const QString ReasonBinary = QStringLiteral("バイナリファイルです");
const QString ReasonUndecodable = QStringLiteral("文字コードを判別できません");
const QString ReasonUnencodable = QStringLiteral("置換後の文字を保存できる文字コードではありません");
const QString ReasonBackUpFolder = QStringLiteral("バックアップフォルダを作成できません");
const QString ReasonBackUpTaken = QStringLiteral("バックアップファイル名が既に存在します");
const QString ReasonBackUpFailed = QStringLiteral("バックアップファイルを作成できません");
const QString ReasonWriteFailed = QStringLiteral("ファイルを書き込めません");
const QString ReasonChanged = QStringLiteral("読み込んだ後にファイルが変更されました");

QString withSlash(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString crLfAsLf(const QString& text)
{
    QString result = text;
    return result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// Whether a path (with or without its final "/") is itself a symbolic link.
bool isSymbolicLink(const QString& path)
{
    QString p = path;
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    struct stat st {};
    return ::lstat(QFile::encodeName(p).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

}  // namespace

clsTextTralex::clsTextTralex(QObject* parent)
    : TralexEngine(parent), mRenewal(std::make_unique<FileRenewal>())
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
    mByteReplacers.clear();
    runFolders(false);
    mPairs.clear();
    mPrefilter = FindPrefilter();
    mByteReplacers.clear();
}

void clsTextTralex::KillBackUpFile()
{
    checkRunPreconditions(false);
    runFolders(true);
}

void clsTextTralex::runFolders(bool deleteMode)
{
    // Every folder of the run is known before the first file changes.
    OrderedList folders;
    folders.Add(withSlash(mTargetPath));
    if (mSubFolder)
        AddSubFolders(folders);
    mVisited.clear();
    for (qsizetype i = 0; i < folders.items().size(); ++i) {
        const QString& folder = folders.items().at(i);
        // Folders below the target are never entered through a symbolic link.
        if (i > 0 && isSymbolicLink(folder))
            continue;
        if (!SearchFolder(folder, mTargetType, deleteMode))
            break;
    }
    mVisited.clear();
}

bool clsTextTralex::SearchFolder(const QString& folder, const QString& type, bool deleteMode)
{
    // A folder reached twice (as a subfolder and as a folder whose own name matches the type)
    // is handled once.
    struct stat st {};
    if (::stat(QFile::encodeName(folder).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return true;
    const std::pair<quint64, quint64> key{quint64(st.st_dev), quint64(st.st_ino)};
    if (mVisited.contains(key))
        return true;
    mVisited.insert(key);

    // The search lists the whole folder when the mask is set, so the backups and temporary
    // files made below never appear in it.
    clsFindFile search;
    search.setFileMask(JoinPath(folder, QStringLiteral("*.") + type));
    const QString doing = deleteMode ? QStringLiteral(" を削除中...") : QStringLiteral(" を置換中...");
    for (QString name = search.NextFile(); !name.isEmpty(); name = search.NextFile()) {
        const bool isDir = search.IsDir();
        const bool isLink = search.IsSymLink();
        emit ExecutionMessage(name + doing);
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
        if (mStopFlag)
            return false;
        const QString path = JoinPath(folder, name);
        if (isLink) {
            skip(path, ReasonSymbolicLink);
        } else if (isDir) {
            if (!SearchFolder(withSlash(path), type, deleteMode))
                return false;
        } else if (deleteMode) {
            DeleteBackUp(folder, name);
        } else {
            ReplaceInFile(folder, name);
        }
    }
    return true;
}

void clsTextTralex::ReplaceInFile(const QString& folder, const QString& name)
{
    // Backups and temporary files, including ones left by an interrupted run, are never targets.
    if (HasBackUpForm(name) || HasRenewalForm(name) || mPairs.isEmpty())
        return;
    const QString path = JoinPath(folder, name);

    QByteArray bytes;
    FileSnapshot snapshot;
    switch (FileRenewal::ReadFile(path, bytes, snapshot)) {
    case ReadOutcome::Read: break;
    case ReadOutcome::CannotOpen: skip(path, ReasonCannotOpen); return;
    case ReadOutcome::SymbolicLink: skip(path, ReasonSymbolicLink); return;
    case ReadOutcome::NotAFile: return;
    }
    // A binary file is reported whether or not it holds a find text: the user asked for files of
    // this type and should learn that one of them is not text.
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
    RenewalPaths paths;
    paths.file = path;
    paths.temporary = JoinPath(folder, RenewalName(name, stamp));
    try {
        paths.backUp = BackUpFilePath(mBackUpPath, folder, name, stamp, true, ClassName());
    } catch (const ProgramError&) {
        skip(path, ReasonBackUpFolder);
        return;
    }
    paths.backUpCopy = BackUpFolder(mBackUpPath, folder) + RenewalName(name, stamp);

    switch (mRenewal->Renew(paths, bytes, snapshot)) {
    case RenewOutcome::Renewed: ItemResult()->Add(path); break;
    case RenewOutcome::BackUpNameTaken: skip(path, ReasonBackUpTaken); break;
    case RenewOutcome::BackUpFailed: skip(path, ReasonBackUpFailed); break;
    case RenewOutcome::WriteFailed: skip(path, ReasonWriteFailed); break;
    case RenewOutcome::ChangedMeanwhile: skip(path, ReasonChanged); break;
    }
}

const ByteReplacer& clsTextTralex::byteReplacer(TextEncoding encoding, bool lfOnly)
{
    const int key = int(encoding) * 2 + (lfOnly ? 1 : 0);
    auto found = mByteReplacers.find(key);
    if (found == mByteReplacers.end()) {
        QList<TextPair> pairs;
        for (const Pair& pair : std::as_const(mPairs))
            pairs.append(lfOnly ? TextPair{pair.findLf, pair.replaceLf}
                                : TextPair{pair.find, pair.replace});
        found = mByteReplacers.emplace(key, ByteReplacer(pairs, encoding, mRetryOption,
                                                         mUcaseOption)).first;
    }
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
    for (const Pair& pair : std::as_const(mPairs)) {
        edits.clear();
        const qint64 n = ReplaceText(text, lfOnly ? pair.findLf : pair.find,
                                     lfOnly ? pair.replaceLf : pair.replace, mRetryOption,
                                     mUcaseOption, kept.isEmpty() ? nullptr : &edits);
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

void clsTextTralex::DeleteBackUp(const QString& folder, const QString& name)
{
    if (!HasBackUpForm(name))
        return;
    const QString path = JoinPath(folder, name);
    struct stat st {};
    const QByteArray encoded = QFile::encodeName(path);
    if (::lstat(encoded.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return;
    // A read-only backup goes all the same: removing a name needs only the folder's permission.
    if (::unlink(encoded.constData()) != 0)
        raise(QStringLiteral("バックアップファイルを削除できません: ") + path);
    ItemResult()->Add(path);
}

}  // namespace tralex
