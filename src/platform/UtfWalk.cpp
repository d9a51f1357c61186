#include "platform/UtfWalk.h"

#include "platform/Utf8Check.h"

namespace tralex {

namespace {

// Walks strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF), handing the
// characters to sink: runs of ASCII to sink.ascii(p, end) (which returns where the run ends) and
// every other character to sink.unit(c) or, above U+FFFF, to sink.unit twice (its surrogates).
// Returns the byte offset of the first invalid sequence, or -1 when all of it is valid.
template <typename Sink>
qsizetype walkUtf8(const uchar* begin, qsizetype size, Sink& sink)
{
    const uchar* p = begin;
    const uchar* const end = begin + size;
    while (p < end) {
        const uchar b = *p;
        if (b < 0x80) {
            p = sink.ascii(p, end);
            continue;
        }
        const qsizetype left = end - p;
        if (b >= 0xC2 && b <= 0xDF) {
            if (left < 2 || (p[1] & 0xC0) != 0x80)
                return p - begin;
            sink.unit(char16_t((b & 0x1F) << 6 | (p[1] & 0x3F)));
            p += 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            if (left < 3 || (p[1] & 0xC0) != 0x80 || (p[2] & 0xC0) != 0x80)
                return p - begin;
            if ((b == 0xE0 && p[1] < 0xA0) || (b == 0xED && p[1] >= 0xA0))
                return p - begin;  // overlong, or a surrogate
            sink.unit(char16_t((b & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F)));
            p += 3;
        } else if (b >= 0xF0 && b <= 0xF4) {
            if (left < 4 || (p[1] & 0xC0) != 0x80 || (p[2] & 0xC0) != 0x80
                || (p[3] & 0xC0) != 0x80)
                return p - begin;
            if ((b == 0xF0 && p[1] < 0x90) || (b == 0xF4 && p[1] >= 0x90))
                return p - begin;  // overlong, or above U+10FFFF
            const char32_t c = char32_t(b & 0x07) << 18 | char32_t(p[1] & 0x3F) << 12
                               | char32_t(p[2] & 0x3F) << 6 | char32_t(p[3] & 0x3F);
            sink.unit(QChar::highSurrogate(c));
            sink.unit(QChar::lowSurrogate(c));
            p += 4;
        } else {
            return p - begin;
        }
    }
    return -1;
}

// A sink that only lets the walk check the bytes.
struct Checker {
    const uchar* ascii(const uchar* p, const uchar* end) { return SkipAscii(p, end); }
    void unit(char16_t) {}
};

}  // namespace

qsizetype FirstLoneSurrogate(QStringView text)
{
    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
#ifdef __SSE2__
        // Skip blocks of eight units without surrogates.
        const __m128i mask = _mm_set1_epi16(short(0xF800));
        const __m128i surrogate = _mm_set1_epi16(short(0xD800));
        while (n - i >= 8
               && _mm_movemask_epi8(_mm_cmpeq_epi16(
                      _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)),
                                    mask),
                      surrogate))
                      == 0)
            i += 8;
        if (i >= n)
            break;
#endif
        const char16_t c = p[i];
        if ((c & 0xF800) != 0xD800)
            continue;
        if (c < 0xDC00 && i + 1 < n && (p[i + 1] & 0xFC00) == 0xDC00) {
            ++i;
            continue;
        }
        return i;
    }
    return -1;
}

// The byte offset of the first invalid UTF-8 sequence, or -1: long valid stretches are checked
// sixteen bytes at a time, the rest (and the exact place of an error) byte by byte.
qsizetype CheckUtf8(const uchar* begin, qsizetype size)
{
    const qsizetype valid = ValidUtf8Prefix(begin, size);
    Checker checker;
    const qsizetype bad = walkUtf8(begin + valid, size - valid, checker);
    return bad < 0 ? -1 : valid + bad;
}

// Strict UTF-8 to UTF-16. Returns the byte offset of the first invalid sequence, or -1.
qsizetype DecodeUtf8(const uchar* begin, qsizetype size, QString& text)
{
    text.resize(size);  // never more UTF-16 units than bytes
    char16_t* const outBegin = reinterpret_cast<char16_t*>(text.data());
    UnitWriter writer{outBegin};
    const qsizetype bad = walkUtf8(begin, size, writer);
    if (bad < 0)
        text.resize(writer.out - outBegin);
    return bad;
}

qsizetype DecodeUtf16(const uchar* begin, qsizetype size, bool bigEndian, QString& text)
{
    text.resize(size / 2);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    const qsizetype units = size / 2;
    for (qsizetype i = 0; i < units; ++i) {
        const uchar* u = begin + 2 * i;
        out[i] = bigEndian ? char16_t(u[0] << 8 | u[1]) : char16_t(u[1] << 8 | u[0]);
    }
    const qsizetype lone = FirstLoneSurrogate(text);
    if (lone >= 0)
        return lone * 2;
    if (size % 2 != 0)
        return size - 1;
    return -1;
}

}  // namespace tralex
