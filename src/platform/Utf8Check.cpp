#include "platform/Utf8Check.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TRALEX_HAVE_SSSE3 1
#endif

namespace tralex {

#if defined(TRALEX_HAVE_SSSE3)
namespace {

// Every byte is classified by itself and the byte before it, through three table look-ups (the
// high half of the byte before, its low half, and the high half of the byte itself); a bit
// that survives in all three names an error. Bytes that must be the second or third
// continuation of a three- or four-byte character are checked against the two and three bytes
// before. (The method of Keiser and Lemire, "Validating UTF-8 in less than one instruction per
// byte".)
constexpr uchar TooShort = 1 << 0;    // a lead byte not followed by a continuation
constexpr uchar TooLong = 1 << 1;     // a continuation after ASCII
constexpr uchar Overlong3 = 1 << 2;   // E0 80..9F
constexpr uchar TooLarge = 1 << 3;    // F4 90..BF, F5..FF
constexpr uchar Surrogate = 1 << 4;   // ED A0..BF
constexpr uchar Overlong2 = 1 << 5;   // C0, C1
constexpr uchar TooLarge1000 = 1 << 6;  // F5..FF 80..8F
constexpr uchar Overlong4 = 1 << 6;   // F0 80..8F
constexpr uchar TwoConts = 1 << 7;    // a continuation after a continuation (checked below)
constexpr uchar Carry = TooShort | TooLong | TwoConts;

__attribute__((target("ssse3"))) inline __m128i highNibbles(__m128i v)
{
    return _mm_and_si128(_mm_srli_epi16(v, 4), _mm_set1_epi8(0x0F));
}

__attribute__((target("ssse3"))) qsizetype validPrefixSsse3(const uchar* data, qsizetype size)
{
    const __m128i byte1High = _mm_setr_epi8(
        TooLong, TooLong, TooLong, TooLong, TooLong, TooLong, TooLong, TooLong,  // 0_______
        char(TwoConts), char(TwoConts), char(TwoConts), char(TwoConts),          // 10______
        TooShort | Overlong2,                                                    // 1100____
        TooShort,                                                                // 1101____
        TooShort | Overlong3 | Surrogate,                                        // 1110____
        TooShort | TooLarge | TooLarge1000 | Overlong4);                         // 1111____
    const __m128i byte1Low = _mm_setr_epi8(
        char(Carry | Overlong3 | Overlong2 | Overlong4),             // ____0000
        char(Carry | Overlong2),                                     // ____0001
        char(Carry), char(Carry),                                    // ____001_
        char(Carry | TooLarge),                                      // ____0100
        char(Carry | TooLarge | TooLarge1000),                       // ____0101
        char(Carry | TooLarge | TooLarge1000),                       // ____011_
        char(Carry | TooLarge | TooLarge1000),
        char(Carry | TooLarge | TooLarge1000),                       // ____1___
        char(Carry | TooLarge | TooLarge1000),
        char(Carry | TooLarge | TooLarge1000),
        char(Carry | TooLarge | TooLarge1000),
        char(Carry | TooLarge | TooLarge1000),
        char(Carry | TooLarge | TooLarge1000 | Surrogate),           // ____1101
        char(Carry | TooLarge | TooLarge1000),
        char(Carry | TooLarge | TooLarge1000));
    const __m128i byte2High = _mm_setr_epi8(
        TooShort, TooShort, TooShort, TooShort, TooShort, TooShort, TooShort, TooShort,  // 0___
        char(TooLong | Overlong2 | TwoConts | Overlong3 | TooLarge1000 | Overlong4),    // 1000
        char(TooLong | Overlong2 | TwoConts | Overlong3 | TooLarge),                   // 1001
        char(TooLong | Overlong2 | TwoConts | Surrogate | TooLarge),                   // 101_
        char(TooLong | Overlong2 | TwoConts | Surrogate | TooLarge),
        TooShort, TooShort, TooShort, TooShort);                                        // 11__
    // A block whose last three bytes begin a character that goes on in the next block.
    const __m128i incompleteLimit = _mm_setr_epi8(
        char(0xFF), char(0xFF), char(0xFF), char(0xFF), char(0xFF), char(0xFF), char(0xFF),
        char(0xFF), char(0xFF), char(0xFF), char(0xFF), char(0xFF), char(0xFF),
        char(0xF0 - 1), char(0xE0 - 1), char(0xC0 - 1));

    const __m128i zero = _mm_setzero_si128();
    __m128i previous = zero;
    __m128i previousIncomplete = zero;
    qsizetype i = 0;
    for (; i + 16 <= size; i += 16) {
        const __m128i input = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        __m128i error;
        if (_mm_movemask_epi8(input) == 0) {
            error = previousIncomplete;
            previousIncomplete = zero;
        } else {
            const __m128i prev1 = _mm_alignr_epi8(input, previous, 15);
            const __m128i prev2 = _mm_alignr_epi8(input, previous, 14);
            const __m128i prev3 = _mm_alignr_epi8(input, previous, 13);
            const __m128i special = _mm_and_si128(
                _mm_and_si128(_mm_shuffle_epi8(byte1High, highNibbles(prev1)),
                              _mm_shuffle_epi8(byte1Low, _mm_and_si128(prev1, _mm_set1_epi8(0x0F)))),
                _mm_shuffle_epi8(byte2High, highNibbles(input)));
            const __m128i third = _mm_subs_epu8(prev2, _mm_set1_epi8(char(0xE0 - 0x80)));
            const __m128i fourth = _mm_subs_epu8(prev3, _mm_set1_epi8(char(0xF0 - 0x80)));
            const __m128i must23 =
                _mm_and_si128(_mm_or_si128(third, fourth), _mm_set1_epi8(char(0x80)));
            error = _mm_xor_si128(must23, special);
            previousIncomplete = _mm_subs_epu8(input, incompleteLimit);
        }
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(error, zero)) != 0xFFFF)
            break;  // the bytes before this block are valid
        previous = input;
    }
    // Back to the start of the character that holds byte i - 1 (at most three continuations).
    qsizetype start = i;
    while (start > 0 && start > i - 4 && (data[start - 1] & 0xC0) == 0x80)
        --start;
    return start > 0 ? start - 1 : 0;
}

}  // namespace
#endif

qsizetype ValidUtf8Prefix(const uchar* data, qsizetype size)
{
#if defined(TRALEX_HAVE_SSSE3)
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    if (ssse3)
        return validPrefixSsse3(data, size);
#endif
    (void)data;
    (void)size;
    return 0;
}

}  // namespace tralex
