#include "engines/TextScan.h"

#include "platform/EucJpTables.h"
#include "platform/UtfWalk.h"
#include "platform/Windows31JTables.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tralex {

TextScan::TextScan(const FindPrefilter& prefilter)
    : mPrefilter(prefilter), mUtf8(CheckUtf8, 4), mWindows31J(CheckWindows31J, 2), mEucJp(CheckEucJp, 3)
{
}

void TextScan::Check::feed(const uchar* p, qsizetype n, bool last)
{
    if (!mValid)
        return;
    if (mWaiting > 0) {
        // The character cut by the last block's end ends where its bytes first check as valid.
        const int take = int(std::min<qsizetype>(n, mLongest - mWaiting));
        std::memcpy(mCut + mWaiting, p, size_t(take));
        int end = 0;
        for (int j = mWaiting + 1; j <= mWaiting + take && end == 0; ++j)
            if (mCheck(mCut, j) < 0)
                end = j;
        if (end == 0) {
            if (mWaiting + take < mLongest && !last) {
                mWaiting += take;  // the block ended within the character again
                return;
            }
            mValid = false;
            return;
        }
        p += end - mWaiting;
        n -= end - mWaiting;
        mWaiting = 0;
    }
    const qsizetype bad = mCheck(p, n);
    if (bad < 0)
        return;
    if (!last && n - bad < mLongest) {
        mWaiting = int(n - bad);
        std::memcpy(mCut, p + bad, size_t(mWaiting));
        return;
    }
    mValid = false;
}

void TextScan::Feed(QByteArrayView block, bool last)
{
    if (Refused())
        return;
    QByteArray joined;
    if (mKind == Kind::Open) {
        // The kind of file is known from its first four bytes.
        if (!mStart.isEmpty() || (block.size() < 4 && !last)) {
            mStart.append(block);
            if (mStart.size() < 4 && !last)
                return;
            joined = std::exchange(mStart, QByteArray());
            block = joined;
        }
        start(block.first(std::min<qsizetype>(block.size(), 4)));
    }
    const qsizetype mark = mKind == Kind::Utf8Bom ? 3 : mKind == Kind::Plain ? 0 : 2;
    const qsizetype skip = std::clamp<qint64>(mark - mScanned, 0, block.size());
    mScanned += block.size();
    switch (mKind) {
    case Kind::Open:
    case Kind::Utf32: return;
    case Kind::Utf16Le:
    case Kind::Utf16Be: scanUnits(block, skip, last); return;
    case Kind::Utf8Bom: scanBytes(block, skip, last, true); return;
    case Kind::Plain: scanBytes(block, 0, last, false); return;
    }
}

void TextScan::start(QByteArrayView first)
{
    const QByteArray bytes = QByteArray::fromRawData(first.data(), first.size());
    if (HasUtf32ByteOrderMark(bytes))
        mKind = Kind::Utf32;
    else if (bytes.startsWith(ByteOrderMark(TextEncoding::Utf16LeBom)))
        mKind = Kind::Utf16Le;
    else if (bytes.startsWith(ByteOrderMark(TextEncoding::Utf16BeBom)))
        mKind = Kind::Utf16Be;
    else if (bytes.startsWith(ByteOrderMark(TextEncoding::Utf8Bom)))
        mKind = Kind::Utf8Bom;
    else
        mKind = Kind::Plain;
    mUtf32 = mKind == Kind::Utf32;
    // UTF-16 holds ASCII text as other bytes: every such file may match.
    mMayMatch = mKind == Kind::Utf16Le || mKind == Kind::Utf16Be;
    mAscii = mKind == Kind::Plain;
}

void TextScan::scanBytes(QByteArrayView block, qsizetype skip, bool last, bool utf8Only)
{
    const uchar* p = reinterpret_cast<const uchar*>(block.data());
    const uchar* const end = p + block.size();
    if (std::memchr(p, 0, size_t(block.size()))) {
        mBinary = true;
        return;
    }
    prefilter(block);
    if (last && !mMayMatch)
        return;  // nothing of the encoding will be asked
    lineBreaks(block);
    p += skip;
    // ASCII is valid in each encoding: a check waiting for no cut character starts after it.
    const uchar* const ascii = SkipAscii(p, end);
    if (ascii != end)
        mAscii = false;
    const auto feed = [&](Check& check) {
        const uchar* from = check.waiting() ? p : ascii;
        check.feed(from, end - from, last);
    };
    feed(mUtf8);
    if (utf8Only || (last && mUtf8.valid()))
        return;  // UTF-8 decides: the others are not asked
    feed(mWindows31J);
    feed(mEucJp);
}

void TextScan::scanUnits(QByteArrayView block, qsizetype skip, bool last)
{
    const uchar* p = reinterpret_cast<const uchar*>(block.data()) + skip;
    const uchar* const end = reinterpret_cast<const uchar*>(block.data()) + block.size();
    const bool big = mKind == Kind::Utf16Be;
    const auto unit = [&](uchar first, uchar second) {
        const char16_t u = big ? char16_t(first << 8 | second) : char16_t(second << 8 | first);
        if (u == 0)
            mBinary = true;
        const bool high = u >= 0xD800 && u <= 0xDBFF;
        const bool low = u >= 0xDC00 && u <= 0xDFFF;
        if (mHighWaiting != low)
            mUnitsValid = false;
        mHighWaiting = high;
        if (u == u'\n') {
            mHasLf = true;
            mHasCrLf = mHasCrLf || mCrLast;
        }
        mCrLast = u == u'\r';
    };
    if (mOddByte >= 0 && p < end) {
        unit(uchar(mOddByte), *p++);
        mOddByte = -1;
    }
    for (; end - p >= 2 && !mBinary; p += 2)
        unit(p[0], p[1]);
    if (p < end)
        mOddByte = *p;
    if (last && (mOddByte >= 0 || mHighWaiting))
        mUnitsValid = false;  // an odd final byte, a lone high surrogate at the end
}

void TextScan::prefilter(QByteArrayView block)
{
    if (mMayMatch)
        return;
    // A find text that begins in the last bytes so far and ends in this block lies in the seam
    // of those bytes and the block's first ones.
    const qsizetype overlap = mPrefilter.overlap();
    if (overlap > 0 && !mTail.isEmpty()) {
        QByteArray seam = mTail;
        seam.append(block.first(std::min(block.size(), overlap)));
        mMayMatch = mPrefilter.mayMatchIn(seam);
    }
    mMayMatch = mMayMatch || mPrefilter.mayMatchIn(block);
    if (mMayMatch || overlap == 0)
        return;
    if (block.size() >= overlap) {
        mTail = block.last(overlap).toByteArray();
    } else {
        mTail.append(block);
        mTail = mTail.right(overlap);
    }
}

void TextScan::lineBreaks(QByteArrayView block)
{
    if (block.isEmpty())
        return;
    const char* p = block.data();
    const size_t n = size_t(block.size());
    mHasCrLf = mHasCrLf || (mCrLast && p[0] == '\n');
    mHasLf = mHasLf || std::memchr(p, '\n', n);
    // CR is rare outside CR LF: the first CR of a file that has CR LF is nearly always one.
    const char* const end = p + n;
    for (const char* cr = p; !mHasCrLf && mHasLf && cr < end; ++cr) {
        cr = static_cast<const char*>(std::memchr(cr, '\r', size_t(end - cr)));
        if (!cr)
            break;
        mHasCrLf = cr + 1 < end && cr[1] == '\n';
    }
    mCrLast = p[n - 1] == '\r';
}

std::optional<TextEncoding> TextScan::Encoding(bool* alsoEucJp) const
{
    if (alsoEucJp)
        *alsoEucJp = false;
    switch (mKind) {
    case Kind::Open:
    case Kind::Utf32: return std::nullopt;
    case Kind::Utf16Le: return mUnitsValid ? std::optional(TextEncoding::Utf16LeBom) : std::nullopt;
    case Kind::Utf16Be: return mUnitsValid ? std::optional(TextEncoding::Utf16BeBom) : std::nullopt;
    case Kind::Utf8Bom: return mUtf8.valid() ? std::optional(TextEncoding::Utf8Bom) : std::nullopt;
    case Kind::Plain: break;
    }
    if (mUtf8.valid())
        return TextEncoding::Utf8;
    if (mWindows31J.valid()) {
        if (alsoEucJp)
            *alsoEucJp = mEucJp.valid();
        return TextEncoding::Windows31J;
    }
    if (mEucJp.valid())
        return TextEncoding::EucJp;
    return std::nullopt;
}

}  // namespace tralex
