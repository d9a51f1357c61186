#pragma once
// Walking UTF-8 and UTF-16: strict checks and decoding, and the ASCII runs that every encoding
// Tralex reads shares, copied or skipped sixteen bytes at a time.
#include <QString>
#include <QStringView>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tralex {

// Copies ASCII bytes to UTF-16 from p while they last (at most end); returns the new p.
inline const uchar* CopyAscii(const uchar* p, const uchar* end, char16_t*& out)
{
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    while (end - p >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int high = _mm_movemask_epi8(bytes);
        if (high != 0) {
            const int ascii = __builtin_ctz(unsigned(high));
            for (int k = 0; k < ascii; ++k)
                out[k] = p[k];
            out += ascii;
            return p + ascii;
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(bytes, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(bytes, zero));
        out += 16;
        p += 16;
    }
#endif
    while (p < end && *p < 0x80)
        *out++ = *p++;
    return p;
}

// Skips ASCII bytes from p while they last (at most end); returns the new p.
inline const uchar* SkipAscii(const uchar* p, const uchar* end)
{
#ifdef __SSE2__
    while (end - p >= 16) {
        const int high = _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
        if (high != 0)
            return p + __builtin_ctz(unsigned(high));
        p += 16;
    }
#endif
    while (p < end && *p < 0x80)
        ++p;
    return p;
}

// Number of units from p on (at most n) that are ASCII.
inline qsizetype AsciiUnits(const char16_t* p, qsizetype n)
{
    qsizetype i = 0;
#ifdef __SSE2__
    const __m128i mask = _mm_set1_epi16(short(0xFF80));
    const __m128i zero = _mm_setzero_si128();
    for (; n - i >= 8; i += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(units, mask), zero)) != 0xFFFF)
            break;
    }
#endif
    while (i < n && p[i] < 0x80)
        ++i;
    return i;
}

// Writes n ASCII units as bytes.
inline void NarrowAscii(const char16_t* p, qsizetype n, uchar* out)
{
    qsizetype i = 0;
#ifdef __SSE2__
    for (; n - i >= 16; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 8));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(a, b));
    }
#endif
    for (; i < n; ++i)
        out[i] = uchar(p[i]);
}

// A sink of decoded characters that writes the UTF-16 units into a buffer.
struct UnitWriter {
    char16_t* out;
    const uchar* ascii(const uchar* p, const uchar* end) { return CopyAscii(p, end, out); }
    void unit(char16_t c) { *out++ = c; }
};

// Index of the first UTF-16 unit of text that is not part of a valid character (a lone
// surrogate); -1 when there is none.
qsizetype FirstLoneSurrogate(QStringView text);

// The byte offset of the first invalid UTF-8 sequence (overlong forms, surrogates and anything
// above U+10FFFF are invalid), or -1.
qsizetype CheckUtf8(const uchar* begin, qsizetype size);
// Strict UTF-8 to UTF-16. Returns the byte offset of the first invalid sequence, or -1.
qsizetype DecodeUtf8(const uchar* begin, qsizetype size, QString& text);
// Strict UTF-16 (without byte order mark) to text. Returns the byte offset of the first lone
// surrogate or of an odd final byte, or -1.
qsizetype DecodeUtf16(const uchar* begin, qsizetype size, bool bigEndian, QString& text);

}  // namespace tralex
