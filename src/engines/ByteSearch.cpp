#include "engines/ByteSearch.h"

#include <algorithm>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tralex {

ByteFinder::ByteFinder(const QByteArray& compared, const QByteArray& fold)
    : mNeedle(compared), mFold(fold)
{
    if (compared.size() < LongNeedle)
        return;
    const bool folds = fold.contains('\1');
    QByteArray canonical = compared;
    for (qsizetype i = 0; folds && i < canonical.size(); ++i) {
        const uchar b = uchar(canonical[i]);
        canonical[i] = char(UpperAscii(b));
        if (!fold[i] && ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z')))
            mCheckEach = true;
    }
    mLong = std::make_shared<const LongSearch>(
        reinterpret_cast<const uchar*>(canonical.constData()), canonical.size(), Canon{folds});
}

ByteFinder ByteFinder::Of(const QByteArray& needle, bool ignoreAsciiCase)
{
    QByteArray compared = needle;
    QByteArray fold(needle.size(), '\0');
    for (qsizetype i = 0; ignoreAsciiCase && i < needle.size(); ++i) {
        const uchar b = uchar(needle[i]);
        if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z')) {
            fold[i] = '\1';
            compared[i] = char(UpperAscii(b));
        }
    }
    return ByteFinder(compared, fold);
}

bool ByteFinder::matchesAt(const uchar* p) const
{
    const uchar* needle = reinterpret_cast<const uchar*>(mNeedle.constData());
    const char* fold = mFold.constData();
    for (qsizetype k = 0; k < mNeedle.size(); ++k) {
        const uchar b = fold[k] ? UpperAscii(p[k]) : p[k];
        if (b != needle[k])
            return false;
    }
    return true;
}

// Candidates are picked by their first and last byte (in either case where folded), sixteen
// places at a time, and then compared whole.
qsizetype ByteFinder::find(const uchar* hay, qsizetype size, qsizetype from) const
{
    const qsizetype len = mNeedle.size();
    if (len == 0 || from < 0 || size - from < len)
        return -1;
    if (mLong) {
        for (qsizetype at = mLong->find(hay, size, from); at >= 0; at = mLong->find(hay, size, at + 1))
            if (!mCheckEach || matchesAt(hay + at))
                return at;
        return -1;
    }
    const qsizetype lastStart = size - len;
    const uchar first = uchar(mNeedle[0]);
    const uchar firstOther = mFold[0] ? uchar(first | 0x20) : first;
    const uchar last = uchar(mNeedle[len - 1]);
    const uchar lastOther = mFold[len - 1] ? uchar(last | 0x20) : last;
    qsizetype i = from;
#if defined(__SSE2__)
    const __m128i f1 = _mm_set1_epi8(char(first));
    const __m128i f2 = _mm_set1_epi8(char(firstOther));
    const __m128i l1 = _mm_set1_epi8(char(last));
    const __m128i l2 = _mm_set1_epi8(char(lastOther));
    for (; i + 16 <= lastStart + 1; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + i + len - 1));
        const __m128i hitA = _mm_or_si128(_mm_cmpeq_epi8(a, f1), _mm_cmpeq_epi8(a, f2));
        const __m128i hitB = _mm_or_si128(_mm_cmpeq_epi8(b, l1), _mm_cmpeq_epi8(b, l2));
        unsigned mask = unsigned(_mm_movemask_epi8(_mm_and_si128(hitA, hitB)));
        while (mask != 0) {
            const int k = __builtin_ctz(mask);
            if (matchesAt(hay + i + k))
                return i + k;
            mask &= mask - 1;
        }
    }
#endif
    for (; i <= lastStart; ++i) {
        const uchar b = hay[i];
        if ((b == first || b == firstOther) && matchesAt(hay + i))
            return i;
    }
    return -1;
}

QuadGramSet::QuadGramSet(const QByteArray& bytes, bool fold) : mFold(fold ? 0x20202020u : 0u)
{
    quint32 bits = 1u << 12;
    while (bits < quint64(bytes.size()) * 8 && bits < (1u << 24))
        bits <<= 1;
    mShift = 32 - quint32(std::countr_zero(bits));
    mTable.assign(bits / 64, 0);
    add(bytes, 0, bytes.size());
}

void QuadGramSet::add(const QByteArray& bytes, qsizetype from, qsizetype to)
{
    const uchar* p = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype end = std::min(to, bytes.size() - 3);
    for (qsizetype i = std::max<qsizetype>(from, 0); i < end; ++i) {
        const quint32 h = hash(p + i);
        mTable[h >> 6] |= quint64(1) << (h & 63);
    }
}

bool QuadGramSet::mayContain(const QByteArray& needle) const
{
    const uchar* p = reinterpret_cast<const uchar*>(needle.constData());
    for (qsizetype i = 0; i + 4 <= needle.size(); ++i) {
        const quint32 h = hash(p + i);
        if (!(mTable[h >> 6] & (quint64(1) << (h & 63))))
            return false;
    }
    return true;
}

}  // namespace tralex
