#pragma once
// The engine for plain text files: every file of the chosen type in the target folder (and, with
// SubFolder, in its subfolders) is read whole (a large one in blocks of whole lines, see
// setBlockLimits), the pairs are applied in list order, and a file in which at least one pair
// matched gets its new content while its old content stays in a backup.
// The accepted types come from "TextFile.tfd" in the settings folder. KillBackUpFile deletes the
// backups of a type instead.
//
// Files are decoded by their byte order mark, as UTF-8, as Windows-31J or as EUC-JP, and written
// back in the same encoding with only the matched parts changed. A file of ASCII alone says
// nothing of its encoding: when a replacement brings other characters into it, they are written
// in the encoding most text files of its folder have, or, with no such evidence, the one set by
// setAsciiFileEncoding; the result list names the encoding chosen. Where the pairs allow it, they are applied to
// the bytes directly, which gives the same result without decoding. A file that cannot be handled safely is left
// as it is and listed with its reason in ItemSkipped; it is never listed in ItemResult.
#include "engines/ByteReplace.h"
#include "engines/FindPrefilter.h"
#include "engines/TralexEngine.h"
#include "platform/CodePage.h"
#include "platform/FolderListing.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <map>
#include <memory>
#include <optional>
#include <utility>

namespace tralex {

class TextScan;

class clsTextTralex : public TralexEngine, private FileWorker {
    Q_OBJECT
public:
    // Reads "TextFile.tfd", writing it with the default types when it is missing. A file that
    // exists but cannot be read raises "ファイルが開けません".
    explicit clsTextTralex(QObject* parent = nullptr);
    ~clsTextTralex() override;

    QString ClassName() const override { return QStringLiteral("clsTextTralex"); }

    // The accepted file types, without a dot, in the order of the type file.
    OrderedListRef ItemType();
    int CountType() const;

    // The arrow that AddTarget writes into pair entries.
    QString SepTralex() const { return mSepTralex; }
    void setSepTralex(const QString& value) { mSepTralex = value; }

    void TralexGo() override;

    // The encoding a file of ASCII alone gets for the other characters a replacement brings in,
    // when no other text file of its folder tells one: Auto takes the nearest folder above it,
    // up to the searched folder, whose files tell one, and else UTF-8; Utf8 writes UTF-8 and
    // ShiftJis Windows-31J. The folder's files, where they tell one, decide under every setting.
    enum class AsciiFileEncoding { Auto, ShiftJis, Utf8 };
    void setAsciiFileEncoding(AsciiFileEncoding value) { mAsciiFileEncoding = value; }
    AsciiFileEncoding asciiFileEncoding() const { return mAsciiFileEncoding; }

    // Files larger than `above` bytes are read, replaced and written in blocks of about `block`
    // bytes cut after line breaks, never held whole, when no pair text holds a line break (else
    // a match could reach over a cut: such a run reads every file whole). A line longer than
    // `longestLine` skips such a file. A preview reads every file whole.
    struct BlockLimits {
        qint64 above = qint64(16) << 20;
        qsizetype block = qsizetype(1) << 20;
        qsizetype longestLine = qsizetype(8) << 20;
    };
    void setBlockLimits(const BlockLimits& limits) { mBlockLimits = limits; }

    // The name of the type file in the settings folder.
    static QString TypeFileName() { return QStringLiteral("TextFile.tfd"); }

protected:
    bool acceptsType(const QString& type) const override { return IsTextType(type); }
    QString typeRefusedMessage() const override
    {
        return QStringLiteral("指定された拡張子には対応していません");
    }
    QString pairArrow() const override { return mSepTralex; }
    QString resultNote(const QString& path) const override;

private:
    struct Pair {
        QString find;
        QString replace;
        QString findLf;     // the same texts with CR LF written as LF, for LF-only files
        QString replaceLf;
    };

    void LoadTextTypes();
    bool IsTextType(const QString& type) const;

    // The text file's part of the run: decode, replace, encode.
    bool ReadsBytes() const override { return true; }
    QString RefusalByHead(const QByteArray& head) const override;
    bool RefusesUnwritableFirst() const override { return false; }
    // A preview keeps each file's new content for the files chosen from it, whatever the pairs:
    // it is kept while the next file is worked on, and put in place by a copy in the kernel,
    // which costs less than replacing again even with one pair.
    bool KeepsPreviewContent() const override { return true; }
    QString ProgressText(const QString& path, const QString& name) const override;
    FileWork Work(FileAtHand& file) override;
    bool StreamsFile(qint64 size) const override;
    // The encoding a scanned file is replaced in; nothing when it is left as it is, as `work`
    // then says.
    std::optional<TextEncoding> scannedEncoding(const TextScan& scan, const FileAtHand& file,
                                                FileWork& work);
    // A file too large to be read whole: scanned in blocks, and given a stream that replaces and
    // writes it block after block (writeInBlocks).
    FileWork workInBlocks(FileAtHand& file);
    int writeInBlocks(int fd, TextEncoding encoding, bool lfOnly, bool asciiOnly,
                      const QString& path, ContentStream& stream, const PutBytes& put);
    // Apply the pairs to a file's bytes and leave the result in them. Both return the number of
    // replacements. replaceInBytes works on the bytes as they are and returns nothing when the
    // text has to be decoded instead; replaceInText decodes, replaces and encodes, and returns
    // nothing when the result cannot be written in the file's encoding.
    // lfOnly: the file's line breaks are LF alone; marked: the bytes begin with the encoding's
    // byte order mark (a block of a file further on does not).
    std::optional<qint64> replaceInBytes(QByteArray& bytes, TextEncoding encoding, bool lfOnly,
                                         bool marked);
    std::optional<qint64> replaceInText(QByteArray& bytes, TextEncoding encoding, bool lfOnly,
                                        bool marked);
    // The pair texts as files of one encoding and line-break kind hold them (LF for CR LF in
    // LF-only files, the Windows-31J forms of characters typed in their JIS form), made on use
    // and given to both ways of replacing, so that they keep giving the same result.
    const QList<TextPair>& pairsFor(TextEncoding encoding, bool lfOnly);
    const ByteReplacer& byteReplacer(TextEncoding encoding, bool lfOnly);
    // Both ways of replacing in turn; nothing when the result cannot be written.
    std::optional<qint64> replaceIn(QByteArray& bytes, TextEncoding encoding, bool lfOnly,
                                    bool marked = true);

    // What the text files of one folder tell of their encoding: how many are of each encoding
    // that ASCII text can be written in unchanged. Files valid in both Windows-31J and EUC-JP
    // are counted apart.
    struct FolderEvidence {
        int utf8 = 0;
        int windows31J = 0;
        int eucJp = 0;
        int eitherJapanese = 0;
    };
    // The evidence of an open folder: its files of the type are looked at once per folder, at
    // the first file that needs it, by their first bytes (files of ASCII alone tell nothing).
    const FolderEvidence& folderEvidence(int folder);
    // The encoding the files of the nearest folder above `folder` tell, up to the searched
    // folder; none when none tells one or `folder` is not below the searched folder.
    std::optional<TextEncoding> encodingAbove(int folder);
    // The encoding most of the folder's files have, when one has more than each other.
    static std::optional<TextEncoding> prevailing(const FolderEvidence& evidence);
    // The encoding the non-ASCII text of a file of ASCII alone is written in.
    TextEncoding encodingForAsciiFile(const FileAtHand& file);

    QString mSepTralex = DefaultSepTralex;
    OrderedListRef mTypes;
    QList<Pair> mPairs;                         // the pair list as split at the start of a run
    FindPrefilter mPrefilter;                    // passes over files no pair can change
    bool mLinesKept = true;                      // no pair holds a line break
    std::map<int, QList<TextPair>> mPairForms;   // per encoding and line-break kind, made on use
    std::map<int, ByteReplacer> mByteReplacers;  // likewise
    AsciiFileEncoding mAsciiFileEncoding = AsciiFileEncoding::Utf8;
    BlockLimits mBlockLimits;
    QHash<FileIdentity, FolderEvidence> mEvidence;  // per folder, in this run
    std::optional<FileIdentity> mSearchedFolder;     // the folder the run searches
    QString mNotePath;                           // the last file given a result note, and the note
    QString mNote;
};

}  // namespace tralex
