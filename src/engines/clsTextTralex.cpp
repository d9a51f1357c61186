// The text engine's part of a run, file by file; the run loop (RunLoop) walks the folders, reads
// each file whole through a descriptor that stays open until the file is renewed, and puts the
// new content in place. Here:
//   1. binary and UTF-32 files are reported;
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

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>


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
    mPairForms.clear();
    mByteReplacers.clear();
    runFiles(this);
    mPairs.clear();
    mPrefilter = FindPrefilter();
    mPairForms.clear();
    mByteReplacers.clear();
}

QString clsTextTralex::ProgressText(const QString&, const QString& name) const
{
    return name + QStringLiteral(" を置換中...");
}

FileWork clsTextTralex::Work(FileAtHand& file)
{
    QByteArray& bytes = file.bytes;
    if (mPairs.isEmpty())
        return FileWork::unchanged();
    // A binary file is reported whether or not it holds a find text: the user asked for files of
    // this type and should learn that one of them is not text.
    if (HasUtf32ByteOrderMark(bytes))
        return FileWork::skipped(ReasonUtf32);
    if (LooksBinary(bytes))
        return FileWork::skipped(ReasonBinary);
    if (!mPrefilter.mayMatch(bytes))
        return FileWork::unchanged();  // no find text in it: not touched, whatever its encoding
    const std::optional<TextEncoding> encoding = DetectEncoding(bytes);
    if (!encoding)
        return FileWork::skipped(ReasonUndecodable);
    std::optional<qint64> total = replaceInBytes(bytes, *encoding);
    if (!total)
        total = replaceInText(bytes, *encoding);
    if (!total)
        return FileWork::skipped(ReasonUnencodable);
    if (*total == 0)
        return FileWork::unchanged();  // not touched, not listed
    return FileWork::changed(std::move(bytes));
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

}  // namespace tralex
