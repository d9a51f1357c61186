#pragma once
// The engine for plain text files: every file of the chosen type in the target folder (and, with
// SubFolder, in its subfolders) is read whole, the pairs are applied in list order, and a file in
// which at least one pair matched gets its new content while its old content stays in a backup.
// The accepted types come from "TextFile.tfd" in the settings folder. KillBackUpFile deletes the
// backups of a type instead.
//
// Files are decoded by their byte order mark, as UTF-8 or as Windows-31J, and written back in the
// same encoding with only the matched parts changed. Where the pairs allow it, they are applied to
// the bytes directly, which gives the same result without decoding. A file that cannot be handled safely is left
// as it is and listed with its reason in ItemSkipped; it is never listed in ItemResult.
#include "engines/ByteReplace.h"
#include "engines/FindPrefilter.h"
#include "engines/TralexEngine.h"
#include "platform/CodePage.h"

#include <QSet>
#include <QStringList>
#include <map>
#include <memory>
#include <optional>
#include <utility>

namespace tralex {

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

    // The name of the type file in the settings folder.
    static QString TypeFileName() { return QStringLiteral("TextFile.tfd"); }

protected:
    bool acceptsType(const QString& type) const override { return IsTextType(type); }
    QString typeRefusedMessage() const override
    {
        return QStringLiteral("指定された拡張子には対応していません");
    }
    QString pairArrow() const override { return mSepTralex; }

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
    bool RefusesUnwritableFirst() const override { return false; }
    QString ProgressText(const QString& path, const QString& name) const override;
    FileWork Work(FileAtHand& file) override;
    // Apply the pairs to a file's bytes and leave the result in them. Both return the number of
    // replacements. replaceInBytes works on the bytes as they are and returns nothing when the
    // text has to be decoded instead; replaceInText decodes, replaces and encodes, and returns
    // nothing when the result cannot be written in the file's encoding.
    std::optional<qint64> replaceInBytes(QByteArray& bytes, TextEncoding encoding);
    std::optional<qint64> replaceInText(QByteArray& bytes, TextEncoding encoding);
    // The pair texts as files of one encoding and line-break kind hold them (LF for CR LF in
    // LF-only files, the Windows-31J forms of characters typed in their JIS form), made on use
    // and given to both ways of replacing, so that they keep giving the same result.
    const QList<TextPair>& pairsFor(TextEncoding encoding, bool lfOnly);
    const ByteReplacer& byteReplacer(TextEncoding encoding, bool lfOnly);

    QString mSepTralex = DefaultSepTralex;
    OrderedListRef mTypes;
    QList<Pair> mPairs;                         // the pair list as split at the start of a run
    FindPrefilter mPrefilter;                    // passes over files no pair can change
    std::map<int, QList<TextPair>> mPairForms;   // per encoding and line-break kind, made on use
    std::map<int, ByteReplacer> mByteReplacers;  // likewise
};

}  // namespace tralex
