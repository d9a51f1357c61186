// The text engine's part of a run, file by file; the run loop (RunLoop) walks the folders, reads
// each file whole through a descriptor that stays open until the file is renewed, and puts the
// new content in place. Steps 1 to 3 and the line-break kind are one look through the bytes
// (TextScan). A file above the block limit is not read whole: it is looked through in blocks
// first, then read again in blocks of whole lines, each replaced as below and written as it goes.
// Here:
//   1. binary and UTF-32 files are reported;
//   2. prefilter: a file whose bytes hold no find text (four-byte sequences, ASCII case folded
//      with the case option) is passed over without being decoded;
//   3. detection: byte order mark, else UTF-8, else Windows-31J or EUC-JP; a file valid in both
//      of these is Windows-31J unless more files of its folder are EUC-JP than Windows-31J; a
//      file that is none of these is reported, never written;
//   4. byte path or text path: UTF-8 and Windows-31J files get the pairs applied to their bytes
//      (ByteReplacer); UTF-16 files, and files where the byte path declines, are decoded, replaced
//      pair after pair (ReplaceText) and encoded again, keeping the bytes that do not survive a
//      round trip. The two paths give the same bytes whenever the byte path takes the file on: it
//      declines where a find text holds a character with two Windows-31J codes or half a surrogate
//      pair, where the case option meets a letter with case outside ASCII in a pair or ı or ſ in
//      the file, where the retry option meets a replace text with a two-code character, and where
//      a replace text the encoding cannot hold would be inserted; EUC-JP files always take the
//      text path;
//   5. a file of ASCII alone that a replacement gives other characters is written in the
//      encoding its folder's files have (or the one set for want of evidence), replaced again in
//      that encoding's forms of the pair texts.
#include "engines/clsTextTralex.h"

#include "engines/BackUpFile.h"
#include "engines/ReplaceText.h"
#include "engines/SkipReasons.h"
#include "engines/TextBlocks.h"
#include "engines/TextScan.h"
#include "platform/CodePage.h"
#include "platform/FolderHandle.h"
#include "platform/FolderListing.h"
#include "platform/FolderPath.h"
#include "platform/SettingsFolder.h"
#include "platform/ProgramError.h"
#include "platform/UtfWalk.h"
#include "services/basMake.h"
#include "services/basPathControl.h"
#include "services/clsFindFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>


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
const QString ReasonLineTooLong = QStringLiteral("行が長すぎるため読み込めません");

// How much of each other file of a folder is read to learn its encoding.
constexpr qsizetype EvidenceBytes = 64 * 1024;

bool isAscii(const QByteArray& bytes)
{
    const uchar* data = reinterpret_cast<const uchar*>(bytes.constData());
    return SkipAscii(data, data + bytes.size()) == data + bytes.size();
}

// The text of a file's bytes in its encoding, for showing; empty when they do not decode.
QString shownText(const QByteArray& bytes, TextEncoding encoding)
{
    const std::optional<DecodedText> decoded =
        DecodeAs(bytes.mid(ByteOrderMarkSize(encoding)), encoding);
    return decoded ? decoded->text : QString();
}

// The lines a preview shows of a file: its content before and after, in its encoding. linesKept:
// no pair holds a line break. Touches nothing of the engine: it runs apart from the work.
QList<ChangedLine> changedLines(const QByteArray& before, const QByteArray& after, TextEncoding encoding,
                                bool linesKept, qsizetype limit, qint64& total)
{
    if (encoding == TextEncoding::Utf16LeBom || encoding == TextEncoding::Utf16BeBom)
        return ChangedLines(shownText(before, encoding), shownText(after, encoding), limit, &total);
    // LF is one byte of its own in the other encodings: the lines are cut in the bytes, and only
    // those shown are decoded.
    const qsizetype mark = ByteOrderMarkSize(encoding);
    return ChangedByteLines(QByteArrayView(before).sliced(mark), QByteArrayView(after).sliced(mark),
                            linesKept, limit, &total, [encoding](QByteArrayView line) {
                                const std::optional<DecodedText> decoded = DecodeAs(line, encoding);
                                return decoded ? decoded->text : QString();
                            });
}

// The first bytes of a file of the folder, opened without following a link; nothing for what is
// not a regular file or cannot be read. truncated tells whether the file goes on.
std::optional<QByteArray> readStart(int folder, const QByteArray& name, bool& truncated)
{
    const int fd = ::openat(folder, name.constData(),
                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    std::optional<QByteArray> result;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        QByteArray bytes(EvidenceBytes + 1, Qt::Uninitialized);
        qsizetype got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += n;
        }
        truncated = got > EvidenceBytes;
        bytes.truncate(std::min(got, EvidenceBytes));
        result = std::move(bytes);
    }
    ::close(fd);
    return result;
}

QString crLfAsLf(const QString& text)
{
    QString result = text;
    return result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

}  // namespace

clsTextTralex::clsTextTralex(QObject* parent)
    : TralexEngine(parent)
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
    // Without a line break in any pair, line i of a file is line i of its new content.
    mLinesKept = std::none_of(mPairs.cbegin(), mPairs.cend(), [](const Pair& pair) {
        const auto breaks = [](const QString& text) {
            return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
        };
        return breaks(pair.find) || breaks(pair.replace);
    });
    mPairForms.clear();
    mByteReplacers.clear();
    mEvidence.clear();
    mSearchedFolder = FolderHandle::Open(TargetPath()).Identity();
    runFiles(this);
    mPairs.clear();
    mPrefilter = FindPrefilter();
    mPairForms.clear();
    mByteReplacers.clear();
}

QString clsTextTralex::ProgressText(const QString&, const QString& name) const
{
    // A preview changes nothing: it looks the file through.
    return name + (Preview() ? QStringLiteral(" を調べています...") : QStringLiteral(" を置換中..."));
}

// A binary file is reported whether or not it holds a find text: the user asked for files of this
// type and should learn that one of them is not text. Its first bytes often tell (a NUL byte in
// them is in the file), so that a large binary file is not read whole for nothing.
QString clsTextTralex::RefusalByHead(const QByteArray& head) const
{
    if (mPairs.isEmpty())
        return QString();
    if (HasUtf32ByteOrderMark(head))
        return ReasonUtf32;
    // An odd cut could split a UTF-16 unit: only whole units are looked at.
    if (LooksBinary(QByteArrayView(head).chopped(head.size() % 2)))
        return ReasonBinary;
    return QString();
}

FileWork clsTextTralex::Work(FileAtHand& file)
{
    QByteArray& bytes = file.bytes;
    mNotePath.clear();
    if (mPairs.isEmpty())
        return FileWork::unchanged();
    if (file.streamed)
        return workInBlocks(file);
    // The same checks on the whole file, for what its first bytes did not show, in one look.
    TextScan scan(mPrefilter);
    scan.Feed(bytes, true);
    FileWork refused;
    std::optional<TextEncoding> encoding = scannedEncoding(scan, file, refused);
    if (!encoding)
        return refused;
    const bool lfOnly = scan.LfOnly();
    // A file of ASCII alone is replaced as UTF-8 first: only when the result holds other
    // characters does its encoding matter, and then it is replaced again in the chosen one.
    const bool asciiOnly = *encoding == TextEncoding::Utf8 && scan.Ascii();
    const QByteArray original = asciiOnly || Preview() ? bytes : QByteArray();  // shared, not copied
    std::optional<qint64> total = replaceIn(bytes, *encoding, lfOnly);
    if (asciiOnly && total && *total > 0 && !isAscii(bytes)) {
        const TextEncoding chosen = encodingForAsciiFile(file);
        if (chosen != TextEncoding::Utf8) {
            bytes = original;
            total = replaceIn(bytes, chosen, lfOnly);
            encoding = chosen;
        }
        mNotePath = file.path;
        mNote = QStringLiteral(" (%1)").arg(EncodingName(chosen));
    }
    if (!total)
        return FileWork::skipped(ReasonUnencodable);
    if (*total == 0)
        return FileWork::unchanged();  // not touched, not listed
    FileWork work = FileWork::changed(std::move(bytes), *total);
    work.encoding = EncodingName(*encoding);
    if (Preview()) {
        // The lines are made apart from the work: the loop may make them while the next file
        // is worked on.
        work.linesLater = [original, after = work.content, encoding = *encoding, linesKept = mLinesKept,
                           limit = PreviewLineLimit()](qint64& total) {
            return changedLines(original, after, encoding, linesKept, limit, total);
        };
    }
    return work;
}

std::optional<TextEncoding> clsTextTralex::scannedEncoding(const TextScan& scan,
                                                          const FileAtHand& file, FileWork& work)
{
    work = FileWork::unchanged();
    if (scan.Utf32())
        work = FileWork::skipped(ReasonUtf32);
    else if (scan.Binary())
        work = FileWork::skipped(ReasonBinary);
    if (scan.Refused() || !scan.MayMatch())
        return std::nullopt;  // no find text in it: not touched, whatever its encoding
    bool alsoEucJp = false;
    std::optional<TextEncoding> encoding = scan.Encoding(&alsoEucJp);
    if (!encoding) {
        work = FileWork::skipped(ReasonUndecodable);
        return std::nullopt;
    }
    if (alsoEucJp) {
        const FolderEvidence& evidence = folderEvidence(file.folder);
        if (evidence.eucJp > evidence.windows31J)
            encoding = TextEncoding::EucJp;
    }
    return encoding;
}

std::optional<qint64> clsTextTralex::replaceIn(QByteArray& bytes, TextEncoding encoding,
                                               bool lfOnly, bool marked)
{
    std::optional<qint64> total = replaceInBytes(bytes, encoding, lfOnly, marked);
    if (!total)
        total = replaceInText(bytes, encoding, lfOnly, marked);
    return total;
}

QString clsTextTralex::resultNote(const QString& path) const
{
    return path == mNotePath ? mNote : QString();
}

const clsTextTralex::FolderEvidence& clsTextTralex::folderEvidence(int folder)
{
    const std::optional<FileIdentity> identity = IdentityOf(folder);
    static const FolderEvidence none;
    if (!identity)
        return none;
    if (const auto found = mEvidence.constFind(*identity); found != mEvidence.cend())
        return *found;
    FolderEvidence evidence;
    const QString mask = QStringLiteral("*.") + mTargetType;
    const auto entries = ListFolderAt(folder, [&mask](const QString& name) {
        return clsFindFile::MatchesPattern(name, mask) && !HasBackUpForm(name)
               && !HasRenewalForm(name);
    });
    for (const FolderEntry& entry : entries.value_or(QList<FolderEntry>())) {
        if (entry.kind != FolderEntry::Kind::File)
            continue;
        bool truncated = false;
        std::optional<QByteArray> start = readStart(folder, entry.rawName, truncated);
        if (!start || HasUtf32ByteOrderMark(*start) || LooksBinary(*start))
            continue;
        if (truncated) {
            // The cut may fall inside a character: the start is taken up to its last ASCII byte.
            qsizetype end = start->size();
            while (end > 0 && uchar(start->at(end - 1)) >= 0x80)
                --end;
            start->truncate(end);
        }
        if (isAscii(*start))
            continue;
        bool alsoEucJp = false;
        switch (DetectFileEncoding(*start, &alsoEucJp).value_or(TextEncoding::Utf16LeBom)) {
        case TextEncoding::Utf8:
        case TextEncoding::Utf8Bom: ++evidence.utf8; break;
        case TextEncoding::Windows31J: ++(alsoEucJp ? evidence.eitherJapanese : evidence.windows31J); break;
        case TextEncoding::EucJp: ++evidence.eucJp; break;
        case TextEncoding::Utf16LeBom:
        case TextEncoding::Utf16BeBom: break;  // ASCII is other bytes there: no evidence
        }
    }
    return *mEvidence.insert(*identity, evidence);
}

std::optional<TextEncoding> clsTextTralex::encodingAbove(int folder)
{
    if (!mSearchedFolder)
        return std::nullopt;
    // The folders from `folder`'s parent up to the searched folder, opened through "..", which
    // is never a link; their evidence counts only when the chain reaches the searched folder.
    std::vector<FolderHandle> chain;
    std::optional<FileIdentity> identity = IdentityOf(folder);
    int at = folder;
    while (identity && !(*identity == *mSearchedFolder)) {
        FolderHandle parent = FolderHandle::OpenParent(at);
        const std::optional<FileIdentity> above = parent.Identity();
        if (!above || *above == *identity)
            return std::nullopt;  // the root, not below the searched folder
        identity = above;
        at = parent.fd();
        chain.push_back(std::move(parent));
    }
    if (!identity)
        return std::nullopt;
    for (const FolderHandle& above : chain)
        if (const std::optional<TextEncoding> found = prevailing(folderEvidence(above.fd())))
            return found;
    return std::nullopt;
}

std::optional<TextEncoding> clsTextTralex::prevailing(const FolderEvidence& evidence)
{
    const std::pair<int, TextEncoding> counts[] = {{evidence.utf8, TextEncoding::Utf8},
                                                   {evidence.windows31J, TextEncoding::Windows31J},
                                                   {evidence.eucJp, TextEncoding::EucJp}};
    std::optional<TextEncoding> best;
    int most = 0;
    bool tie = false;
    for (const auto& [count, encoding] : counts) {
        if (count > most) {
            most = count;
            best = encoding;
            tie = false;
        } else if (count == most && count > 0) {
            tie = true;
        }
    }
    if (tie)
        return std::nullopt;
    // Files that are Windows-31J or EUC-JP alike still say the folder is not UTF-8; they are
    // Windows-31J, as such a file is read.
    if (!best && evidence.eitherJapanese > 0)
        return TextEncoding::Windows31J;
    return best;
}

TextEncoding clsTextTralex::encodingForAsciiFile(const FileAtHand& file)
{
    if (const std::optional<TextEncoding> found = prevailing(folderEvidence(file.folder)))
        return *found;
    switch (mAsciiFileEncoding) {
    case AsciiFileEncoding::ShiftJis: return TextEncoding::Windows31J;
    case AsciiFileEncoding::Utf8: return TextEncoding::Utf8;
    case AsciiFileEncoding::Auto: break;
    }
    return encodingAbove(file.folder).value_or(TextEncoding::Utf8);
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

std::optional<qint64> clsTextTralex::replaceInBytes(QByteArray& bytes, TextEncoding encoding,
                                                    bool lfOnly, bool marked)
{
    if (encoding != TextEncoding::Utf8 && encoding != TextEncoding::Utf8Bom
        && encoding != TextEncoding::Windows31J)
        return std::nullopt;
    return byteReplacer(encoding, lfOnly).Apply(bytes, marked ? ByteOrderMarkSize(encoding) : 0);
}

std::optional<qint64> clsTextTralex::replaceInText(QByteArray& bytes, TextEncoding encoding,
                                                   bool lfOnly, bool marked)
{
    const qsizetype bom = marked ? ByteOrderMarkSize(encoding) : 0;
    std::optional<DecodedText> decoded =
        DecodeAs(QByteArray::fromRawData(bytes.constData() + bom, bytes.size() - bom), encoding);
    if (!decoded)
        return std::nullopt;  // cannot happen: the encoding was detected from these bytes
    bytes = QByteArray();  // the file may be large: keep one copy at a time
    QString& text = decoded->text;
    QList<KeptBytes>& kept = decoded->kept;
    qint64 total = 0;
    QList<TextEdit> edits;
    // In a file whose line breaks are LF alone, the CR LF of a pair text stands for LF.
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
    if (!marked)
        encoded->remove(0, ByteOrderMarkSize(encoding));
    bytes = std::move(*encoded);
    return total;
}

// ---- files too large to be read whole ----

bool clsTextTralex::StreamsFile(qint64 size) const
{
    // Blocks cut after line breaks keep every match whole only when no pair text holds a line
    // break; with one, every file is read whole, whatever its size.
    return mLinesKept && size > mBlockLimits.above;
}

FileWork clsTextTralex::workInBlocks(FileAtHand& file)
{
    // First one look through the whole file: a file found binary or undecodable anywhere, or
    // holding no find text, is never written.
    const int fd = file.snapshot->opened->get();
    TextScan scan(mPrefilter);
    if (!ScanOpenFile(fd, scan, mBlockLimits.block))
        return FileWork::skipped(SkipReason::CannotOpen);
    FileWork work;
    const std::optional<TextEncoding> encoding = scannedEncoding(scan, file, work);
    if (!encoding)
        return work;
    // A file of ASCII alone is replaced in the encoding chosen for it from the start: its text,
    // and so each match, is the same in each encoding, and only a result holding other
    // characters shows which one it is written in.
    const bool asciiOnly = *encoding == TextEncoding::Utf8 && scan.Ascii();
    const TextEncoding writtenIn = asciiOnly ? encodingForAsciiFile(file) : *encoding;
    auto stream = std::make_shared<ContentStream>();
    stream->write = [this, fd, writtenIn, asciiOnly, lfOnly = scan.LfOnly(), path = file.path,
                     state = stream.get()](const ContentSink& to) {
        return writeInBlocks(fd, writtenIn, lfOnly, asciiOnly, path, *state, to.put);
    };
    work = FileWork::changed(QByteArray(), 0);
    work.stream = std::move(stream);
    return work;
}

int clsTextTralex::writeInBlocks(int fd, TextEncoding encoding, bool lfOnly, bool asciiOnly,
                                 const QString& path, ContentStream& stream, const PutBytes& put)
{
    LineBlocks blocks(fd, encoding, mBlockLimits.block, mBlockLimits.longestLine);
    QByteArray block;
    qint64 total = 0;
    bool otherCharacters = false;  // of a file of ASCII alone: the result holds others
    for (bool first = true;; first = false) {
        switch (blocks.Next(block)) {
        case LineBlocks::Step::Block: break;
        case LineBlocks::Step::ReadFailed: return EIO;
        case LineBlocks::Step::LineTooLong:
            stream.reason = ReasonLineTooLong;
            return FileRenewal::ContentDeclined;
        case LineBlocks::Step::End:
            if (total == 0)
                return FileRenewal::ContentDeclined;  // no pair matched after all
            stream.replacements = total;
            stream.encoding = EncodingName(asciiOnly && !otherCharacters ? TextEncoding::Utf8 : encoding);
            if (asciiOnly && otherCharacters) {
                mNotePath = path;
                mNote = QStringLiteral(" (%1)").arg(EncodingName(encoding));
            }
            return 0;
        }
        const QByteArray read = block;  // shared, not copied: a block without a match is kept
        const std::optional<qint64> replaced = replaceIn(block, encoding, lfOnly, first);
        if (!replaced) {
            stream.reason = ReasonUnencodable;
            return FileRenewal::ContentDeclined;
        }
        if (*replaced == 0)
            block = read;
        total += *replaced;
        if (asciiOnly && *replaced > 0 && !otherCharacters)
            otherCharacters = !isAscii(block);
        if (const int error = put(block); error != 0)
            return error;
    }
}

}  // namespace tralex
