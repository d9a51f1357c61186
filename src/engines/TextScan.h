#pragma once
// One look through a text file's bytes, block after block, for everything the text engine must
// know before it replaces: a UTF-32 mark, binary content, whether a find text may occur, the
// encoding and the kind of line breaks. Whatever the cut into blocks, it finds what the checks of
// the whole file find (HasUtf32ByteOrderMark, LooksBinary, FindPrefilter::mayMatch,
// DetectFileEncoding, and whether LF and CR LF occur): the bytes of a character, of a CR LF or of
// a find text cut by a block edge are looked at together with the next block.
//
// A file given as one block (Feed with last set, first and only) is checked in the order that
// costs least: binary, then the prefilter, and the encoding and line breaks only when a find text
// may occur; UTF-8 first, Windows-31J and EUC-JP only when it is not UTF-8. A file given in
// several blocks has every check done on each block, since nothing is read twice.
#include "engines/FindPrefilter.h"
#include "platform/CodePage.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace tralex {

class TextScan {
public:
    // The prefilter must live as long as the scan.
    explicit TextScan(const FindPrefilter& prefilter);

    // The next bytes of the file; last: they are its end.
    void Feed(QByteArrayView block, bool last = false);
    // The end of the file, when the last Feed did not say so.
    void Finish() { Feed(QByteArrayView(), true); }

    // Whether the file is refused whatever follows (UTF-32 or binary): reading may stop.
    bool Refused() const { return mUtf32 || mBinary; }
    bool Utf32() const { return mUtf32; }
    bool Binary() const { return mBinary; }
    bool MayMatch() const { return mMayMatch; }

    // Once the file was fed whole and a find text may occur in it:
    // the encoding DetectFileEncoding finds, with its alsoEucJp;
    std::optional<TextEncoding> Encoding(bool* alsoEucJp = nullptr) const;
    // whether the file holds LF and no CR LF (for UTF-16, as code units);
    bool LfOnly() const { return mHasLf && !mHasCrLf; }
    // whether it holds ASCII bytes alone (without a byte order mark).
    bool Ascii() const { return mAscii; }

private:
    // One encoding's check going on across blocks: valid while every character so far is; the
    // bytes of a character cut by the block's end wait for the next block.
    class Check {
    public:
        using Function = qsizetype (*)(const uchar*, qsizetype);
        Check(Function check, int longest) : mCheck(check), mLongest(longest) {}
        bool valid() const { return mValid; }
        bool waiting() const { return mWaiting > 0; }
        void feed(const uchar* p, qsizetype n, bool last);

    private:
        Function mCheck;
        int mLongest;  // the longest character, in bytes
        bool mValid = true;
        uchar mCut[8] = {};
        int mWaiting = 0;
    };

    enum class Kind { Open, Utf32, Utf16Le, Utf16Be, Utf8Bom, Plain };

    void start(QByteArrayView first);
    void scanBytes(QByteArrayView block, qsizetype skip, bool last, bool only);
    void scanUnits(QByteArrayView block, qsizetype skip, bool last);
    void prefilter(QByteArrayView block);
    void lineBreaks(QByteArrayView block);

    const FindPrefilter& mPrefilter;
    Kind mKind = Kind::Open;
    QByteArray mStart;  // the first bytes, while fewer than a byte order mark needs
    qint64 mScanned = 0;
    bool mUtf32 = false;
    bool mBinary = false;
    bool mMayMatch = false;
    QByteArray mTail;   // the last bytes so far, for a find text reaching into the next block
    Check mUtf8;
    Check mWindows31J;
    Check mEucJp;
    bool mAscii = true;
    bool mHasLf = false;
    bool mHasCrLf = false;
    bool mCrLast = false;      // the last byte (unit) so far was CR
    // UTF-16: a byte of a unit cut by the block's end, a high surrogate waiting for its pair.
    int mOddByte = -1;
    bool mHighWaiting = false;
    bool mUnitsValid = true;
};

}  // namespace tralex
