#pragma once
// Searching bytes for a needle whose ASCII letters may be compared without case.
#include "engines/TwoWaySearch.h"

#include <QByteArray>

#include <cstring>
#include <memory>
#include <vector>

namespace tralex {

// The upper case of an ASCII letter; any other byte as it is.
inline uchar UpperAscii(uchar b)
{
    return (b >= 'a' && b <= 'z') ? uchar(b - 0x20) : b;
}

// Short needles are found by their first and last byte, sixteen places at a time, and then
// compared whole; a long one by the Two-Way search, so that no file makes the search cost grow
// with the needle's length.
class ByteFinder {
public:
    // compared: the needle, with the bytes marked in fold upper-cased; fold: per byte, '\1' for
    // an ASCII letter to be compared without case, '\0' for a byte compared as it is.
    ByteFinder(const QByteArray& compared, const QByteArray& fold);
    // A needle whose bytes that look like ASCII letters are letters (not Windows-31J trail
    // bytes), every letter compared without case when ignoreAsciiCase is set.
    static ByteFinder Of(const QByteArray& needle, bool ignoreAsciiCase);

    qsizetype size() const { return mNeedle.size(); }
    // The needle as it is compared (its folded letters upper-cased).
    const QByteArray& needle() const { return mNeedle; }
    // The first position at or after `from` where the needle occurs, or -1.
    qsizetype find(const uchar* hay, qsizetype size, qsizetype from) const;
    bool matchesAt(const uchar* p) const;
    // Whether the search is linear in the haystack's size: false only for a long needle whose
    // letters are folded at some places and not at others.
    bool linear() const { return !mCheckEach; }

private:
    // Maps a byte to its comparison form: with folding, every ASCII letter upper-cased.
    struct Canon {
        bool fold;
        uchar operator()(uchar b) const { return fold ? UpperAscii(b) : b; }
    };
    using LongSearch = TwoWaySearch<uchar, Canon>;
    static constexpr qsizetype LongNeedle = 32;

    QByteArray mNeedle;
    QByteArray mFold;
    // For a long needle: the Two-Way search, which folds every ASCII letter when any is folded.
    // When a letter byte is compared as it is (a Windows-31J trail byte), mCheckEach makes every
    // place it finds be compared once more with the needle's own folding.
    std::shared_ptr<const LongSearch> mLong;
    bool mCheckEach = false;
};

// A set of the four-byte sequences of a text, hashed into a bit table: a sequence that is not in
// the table is certainly not in the text. With folding, every byte is taken with bit 5 set, which
// makes an ASCII letter's two cases one (and some other bytes too, which only lets more through).
class QuadGramSet {
public:
    QuadGramSet(const QByteArray& bytes, bool fold);
    // Adds the sequences of bytes that begin at positions from .. to - 1 (as far as they fit).
    void add(const QByteArray& bytes, qsizetype from, qsizetype to);
    // Whether every four-byte sequence of the needle (at least four bytes) is in the set.
    bool mayContain(const QByteArray& needle) const;

private:
    quint32 hash(const uchar* p) const
    {
        quint32 v;
        std::memcpy(&v, p, 4);
        return ((v | mFold) * 0x9E3779B1u) >> mShift;
    }
    quint32 mFold;
    quint32 mShift = 0;
    std::vector<quint64> mTable;
};

}  // namespace tralex
