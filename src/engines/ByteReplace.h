#pragma once
// Applying the pairs of a run directly to the bytes of a UTF-8 or Windows-31J file.
//
// Decoding a whole file to UTF-16 and encoding it back costs more than everything else a run
// does. For most pairs it is not needed: the encoded find text occurs in the bytes exactly where
// the find text occurs in the decoded text, provided that
//   - a match begins where a character begins (Windows-31J trail bytes can look like ASCII),
//   - no character of the find text has a second byte form (Windows-31J duplicate codes),
//   - with the upper-case option, the only characters that compare without case are ASCII
//     letters (a find or replace text holding Ａ or Ω is left to the decoded text, and so is a file
//     holding ı or ſ, whose upper case is I or S).
// Under these conditions ByteReplacer gives exactly the result of ReplaceText on the decoded
// text, pair after pair, encoded; the bytes outside the matches are never touched. When they do
// not hold, it says so and the caller decodes.
#include "engines/ByteSearch.h"
#include "engines/MultiSearch.h"
#include "platform/CodePage.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <vector>

namespace tralex {

struct TextPair {
    QString find;
    QString replace;
};

// The bytes, in one encoding without byte order mark, of the characters above ASCII whose upper
// case is an ASCII letter (ı and ſ): with the upper-case option a file holding one of them is
// matched by character.
QList<QByteArray> CaseFoldTrapBytes(TextEncoding encoding);

class ByteReplacer {
public:
    // Prepares the pairs (find texts not blank) for files of one encoding.
    ByteReplacer(const QList<TextPair>& pairs, TextEncoding encoding, bool retryOption,
                 bool ucaseOption);

    // Whether every pair can be applied to bytes of this encoding.
    bool usable() const { return mUsable; }
    // Whether the pairs are applied in one pass over the bytes, which gives what applying them
    // one after the other gives when no find text can overlap another's occurrence and no
    // replacement can make a later pair's find text (see prepareOnePass).
    bool appliesInOnePass() const { return !mOnePass.empty(); }

    // Applies every pair in order to the bytes from `start` on (behind a byte order mark), which
    // must be valid text in the encoding. Returns the number of replacements, with bytes holding
    // the result; or nothing, with bytes unchanged, when this text must be decoded instead (a
    // character that compares like an ASCII letter, or a replace text the encoding cannot hold
    // that would have been inserted).
    std::optional<qint64> Apply(QByteArray& bytes, qsizetype start) const;

private:
    // One pair in encoded form. For each byte, `fold` says whether it is an ASCII letter to be
    // compared without case; the comparison bytes are then upper-cased.
    struct Encoded {
        QByteArray bytes;
        QByteArray compared;
        QByteArray fold;
    };
    struct Pair {
        std::optional<Encoded> find;  // nothing: the find text cannot occur in such a file
        std::optional<ByteFinder> finder;  // the search for find, when there is one
        std::optional<Encoded> replace;  // nothing: the encoding cannot hold the replace text
        qsizetype replaceUnits = 0;   // UTF-16 length of the replace text
        qsizetype innerBytes = -1;    // bytes of the replace text before the find text in it
    };

    std::optional<Encoded> encode(const QString& text) const;
    bool prepare(const TextPair& pair);
    // Applies one pair; when inserted is given, the positions (in the result) where replace
    // texts were inserted are appended to it.
    std::optional<qint64> applyPair(const Pair& pair, QByteArray& bytes, qsizetype start,
                                    QList<qsizetype>* inserted) const;
    // Applies every pair in one pass (mOnePass), with the result of applying them in turn.
    std::optional<qint64> applyInOnePass(QByteArray& bytes, qsizetype start) const;
    void prepareOnePass();

    TextEncoding mEncoding;
    bool mRetry;
    bool mUcase;
    bool mUsable = true;
    std::vector<Pair> mPairs;
    std::vector<ByteFinder> mFoldTraps;  // encoded characters that compare like an ASCII letter
    MultiSearch mOnePass;                   // when the pairs can be applied in one pass
    std::vector<size_t> mOnePassPairs;      // its pairs' indices in mPairs
};

}  // namespace tralex
