#include "platform/CodePage.h"

#include "platform/ProgramError.h"
#include "platform/Utf8Check.h"

#include <unicode/ucnv.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <bitset>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace tralex {

namespace {

// ---------------------------------------------------------------------------------------------
// Windows-31J tables
//
// The mapping is ICU's "windows-31j" converter. It is read once into lookup tables: every single
// byte and every lead/trail pair is decoded with the STOP callback (so an undefined code is an
// error, never a substitute), and every character obtained is encoded back to learn its canonical
// bytes. Decoding and encoding then cost one table look-up per character, and a byte pair whose
// character encodes to other bytes (the NEC and IBM duplicates) is known at once.
//
// Bytes 00-7F are taken as ASCII, as Windows reads them: ICU's table swaps 1A, 1C and 7F with
// U+001C, U+007F and U+001A (an IBM convention), which would change control characters.
// ---------------------------------------------------------------------------------------------

enum ByteKind : quint8 { Invalid = 0, Single = 1, Lead = 2 };

struct Windows31JTables {
    std::array<quint8, 256> kind{};       // what a byte is at the start of a character
    std::array<char16_t, 256> single{};   // character of a single byte
    std::vector<char16_t> pair;           // character of lead << 8 | trail; 0 = undefined
    std::vector<quint16> encode;          // canonical bytes of a BMP character; 0 = none
                                          // (a value < 0x100 is one byte, else two bytes)
    std::bitset<65536> nonCanonical;      // byte pairs whose character encodes to other bytes
    std::bitset<65536> ambiguous;         // characters that more than one byte pair reads as
    std::bitset<65536> validPair;         // byte pairs that read as a character
    std::vector<char> allPairs;           // every byte pair, lead << 8 | trail, in order

    // The two bytes of a pair as a QByteArray that shares this table's memory: kept bytes cost
    // no allocation of their own, however many a file holds.
    QByteArray pairBytes(quint16 code) const
    {
        return QByteArray::fromRawData(allPairs.data() + 2 * qsizetype(code), 2);
    }
};

struct IcuConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};

Windows31JTables buildWindows31JTables()
{
    Windows31JTables t;
    t.pair.assign(65536, 0);
    t.encode.assign(65536, 0);
    t.allPairs.resize(2 * 65536);
    for (int code = 0; code < 0x10000; ++code) {
        t.allPairs[2 * code] = char(code >> 8);
        t.allPairs[2 * code + 1] = char(code);
    }

    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, IcuConverterCloser> conv(ucnv_open("windows-31j", &status));
    if (U_FAILURE(status) || !conv)
        throw ProgramError(QStringLiteral("CodePage"),
                           QStringLiteral("Windows-31J の変換表が使えません (%1)")
                               .arg(QString::fromLatin1(u_errorName(status))));
    ucnv_setToUCallBack(conv.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    ucnv_setFromUCallBack(conv.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                          &status);
    ucnv_setFallback(conv.get(), false);

    // Decodes one complete character; 0 when the bytes are not exactly one BMP character.
    auto decode = [&](const char* bytes, int length, UErrorCode* error) -> char16_t {
        ucnv_resetToUnicode(conv.get());
        UChar out[4];
        UChar* target = out;
        const char* source = bytes;
        *error = U_ZERO_ERROR;
        ucnv_toUnicode(conv.get(), &target, out + 4, &source, bytes + length, nullptr, true,
                       error);
        if (U_FAILURE(*error) || target - out != 1 || source != bytes + length)
            return 0;
        return out[0];
    };

    for (int b = 0; b < 0x80; ++b) {
        t.kind[b] = Single;
        t.single[b] = char16_t(b);
    }
    for (int b = 0x80; b < 0x100; ++b) {
        const char byte = char(b);
        UErrorCode error = U_ZERO_ERROR;
        const char16_t c = decode(&byte, 1, &error);
        if (c >= 0x80 && !QChar::isSurrogate(c)) {
            t.kind[b] = Single;
            t.single[b] = c;
        } else if (error == U_TRUNCATED_CHAR_FOUND) {
            t.kind[b] = Lead;
        }
    }
    for (int lead = 0x80; lead < 0x100; ++lead) {
        if (t.kind[lead] != Lead)
            continue;
        for (int trail = 0; trail < 0x100; ++trail) {
            const char bytes[2] = {char(lead), char(trail)};
            UErrorCode error = U_ZERO_ERROR;
            const char16_t c = decode(bytes, 2, &error);
            if (c >= 0x80 && !QChar::isSurrogate(c)) {
                t.pair[lead << 8 | trail] = c;
                t.validPair.set(lead << 8 | trail);
            }
        }
    }

    // Canonical bytes of every decodable character, as the converter writes it.
    auto canonical = [&](char16_t c) -> quint16 {
        ucnv_resetFromUnicode(conv.get());
        const UChar in = c;
        const UChar* source = &in;
        char out[4];
        char* target = out;
        UErrorCode error = U_ZERO_ERROR;
        ucnv_fromUnicode(conv.get(), &target, out + 4, &source, &in + 1, nullptr, true, &error);
        if (U_FAILURE(error))
            return 0;
        if (target - out == 1)
            return quint8(out[0]);
        if (target - out == 2)
            return quint16(quint8(out[0]) << 8 | quint8(out[1]));
        return 0;
    };
    auto decodesTo = [&](quint16 code, char16_t c) {
        if (code < 0x100)
            return code >= 0x80 && t.kind[code] == Single && t.single[code] == c;
        return t.kind[code >> 8] == Lead && t.pair[code] == c;
    };
    auto learn = [&](char16_t c) {
        if (t.encode[c] != 0)
            return;
        const quint16 code = canonical(c);
        // Only bytes that read back as the same character count: no best-fit substitutes.
        if (code != 0 && decodesTo(code, c))
            t.encode[c] = code;
    };
    for (int b = 0x80; b < 0x100; ++b)
        if (t.kind[b] == Single)
            learn(t.single[b]);
    for (int code = 0; code < 0x10000; ++code)
        if (t.pair[code] != 0)
            learn(t.pair[code]);
    for (int code = 0; code < 0x10000; ++code) {
        const char16_t c = t.pair[code];
        if (c != 0 && t.encode[c] != code) {
            t.nonCanonical.set(code);
            t.ambiguous.set(c);
        }
    }
    return t;
}

const Windows31JTables& windows31J()
{
    static const Windows31JTables tables = buildWindows31JTables();
    return tables;
}

// ---------------------------------------------------------------------------------------------
// Helpers
// ---------------------------------------------------------------------------------------------

// Copies ASCII bytes to UTF-16 from p while they last (at most end); returns the new p.
inline const uchar* copyAscii(const uchar* p, const uchar* end, char16_t*& out)
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
inline const uchar* skipAscii(const uchar* p, const uchar* end)
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
inline qsizetype asciiUnits(const char16_t* p, qsizetype n)
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
inline void narrowAscii(const char16_t* p, qsizetype n, uchar* out)
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

const QByteArray& bomOf(TextEncoding encoding)
{
    static const QByteArray none;
    static const QByteArray utf8("\xEF\xBB\xBF", 3);
    static const QByteArray utf16le("\xFF\xFE", 2);
    static const QByteArray utf16be("\xFE\xFF", 2);
    switch (encoding) {
    case TextEncoding::Utf8Bom: return utf8;
    case TextEncoding::Utf16LeBom: return utf16le;
    case TextEncoding::Utf16BeBom: return utf16be;
    default: return none;
    }
}

void setFailure(CodePageFailure* failure, qsizetype position)
{
    if (failure)
        failure->position = position;
}

// Index of the first UTF-16 unit of text that is not part of a valid character (a lone
// surrogate); -1 when there is none.
qsizetype firstLoneSurrogate(QStringView text)
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

// ---------------------------------------------------------------------------------------------
// UTF-8
// ---------------------------------------------------------------------------------------------

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

// A sink that writes the UTF-16 units into a buffer.
struct UnitWriter {
    static constexpr bool Decodes = true;
    char16_t* out;
    const uchar* ascii(const uchar* p, const uchar* end) { return copyAscii(p, end, out); }
    void unit(char16_t c) { *out++ = c; }
};

// A sink that only lets the walk check the bytes.
struct Checker {
    static constexpr bool Decodes = false;
    const uchar* ascii(const uchar* p, const uchar* end) { return skipAscii(p, end); }
    void unit(char16_t) {}
    void kept(quint16) {}
};

// The byte offset of the first invalid UTF-8 sequence, or -1: long valid stretches are checked
// sixteen bytes at a time, the rest (and the exact place of an error) byte by byte.
qsizetype checkUtf8(const uchar* begin, qsizetype size)
{
    const qsizetype valid = ValidUtf8Prefix(begin, size);
    Checker checker;
    const qsizetype bad = walkUtf8(begin + valid, size - valid, checker);
    return bad < 0 ? -1 : valid + bad;
}

// Strict UTF-8 to UTF-16. Returns the byte offset of the first invalid sequence, or -1.
qsizetype decodeUtf8(const uchar* begin, qsizetype size, QString& text)
{
    text.resize(size);  // never more UTF-16 units than bytes
    char16_t* const outBegin = reinterpret_cast<char16_t*>(text.data());
    UnitWriter writer{outBegin};
    const qsizetype bad = walkUtf8(begin, size, writer);
    if (bad < 0)
        text.resize(writer.out - outBegin);
    return bad;
}

// ---------------------------------------------------------------------------------------------
// UTF-16
// ---------------------------------------------------------------------------------------------

qsizetype decodeUtf16(const uchar* begin, qsizetype size, bool bigEndian, QString& text)
{
    text.resize(size / 2);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    const qsizetype units = size / 2;
    for (qsizetype i = 0; i < units; ++i) {
        const uchar* u = begin + 2 * i;
        out[i] = bigEndian ? char16_t(u[0] << 8 | u[1]) : char16_t(u[1] << 8 | u[0]);
    }
    const qsizetype lone = firstLoneSurrogate(text);
    if (lone >= 0)
        return lone * 2;
    if (size % 2 != 0)
        return size - 1;
    return -1;
}

// ---------------------------------------------------------------------------------------------
// Windows-31J
// ---------------------------------------------------------------------------------------------

// Walks strict Windows-31J like walkUtf8; a character read from a byte pair that does not
// encode back to the same pair is also handed to sink.kept(code) before its unit. A sink that
// only checks (Sink::Decodes false) is given nothing, and the walk reads only the small table
// of valid pairs.
template <typename Sink>
qsizetype walkWindows31J(const uchar* begin, qsizetype size, Sink& sink)
{
    const Windows31JTables& t = windows31J();
    const uchar* p = begin;
    const uchar* const end = begin + size;
    while (p < end) {
        p = sink.ascii(p, end);
        if constexpr (!Sink::Decodes) {
            while (p < end && *p >= 0x80) {
                const uchar b = *p;
                if (t.kind[b] == Single) {
                    ++p;
                } else if (end - p >= 2 && t.validPair.test(quint16(b << 8 | p[1]))) {
                    p += 2;
                } else {
                    return p - begin;
                }
            }
            continue;
        }
        // A run of non-ASCII characters (trail bytes may be ASCII, so the run is walked here).
        while (p < end && *p >= 0x80) {
            const uchar b = *p;
            if (t.kind[b] == Single) {
                sink.unit(t.single[b]);
                ++p;
                continue;
            }
            if (t.kind[b] != Lead || end - p < 2)
                return p - begin;
            const quint16 code = quint16(b << 8 | p[1]);
            const char16_t c = t.pair[code];
            if (c == 0)
                return p - begin;
            if (t.nonCanonical.test(code)) [[unlikely]]
                sink.kept(code);
            sink.unit(c);
            p += 2;
        }
    }
    return -1;
}

// A sink that writes the UTF-16 units and notes the characters whose bytes are kept.
struct KeepingWriter : UnitWriter {
    char16_t* const outBegin;
    QList<KeptBytes>& keptBytes;
    void kept(quint16 code) { keptBytes.append({out - outBegin, windows31J().pairBytes(code)}); }
};

qsizetype decodeWindows31J(const uchar* begin, qsizetype size, QString& text,
                           QList<KeptBytes>& kept)
{
    text.resize(size);  // one UTF-16 unit per one- or two-byte character
    char16_t* const outBegin = reinterpret_cast<char16_t*>(text.data());
    KeepingWriter writer{{outBegin}, outBegin, kept};
    const qsizetype bad = walkWindows31J(begin, size, writer);
    if (bad < 0)
        text.resize(writer.out - outBegin);
    return bad;
}

// The character that kept bytes stand for, or 0 when they are not one Windows-31J character.
char16_t windows31JCharacter(const QByteArray& bytes)
{
    const Windows31JTables& t = windows31J();
    if (bytes.size() == 1) {
        const uchar b = uchar(bytes[0]);
        return t.kind[b] == Single ? t.single[b] : 0;
    }
    if (bytes.size() == 2 && t.kind[uchar(bytes[0])] == Lead)
        return t.pair[quint16(uchar(bytes[0]) << 8 | uchar(bytes[1]))];
    return 0;
}

// The bytes of the character at i: the canonical code, or the kept bytes when the caller kept
// bytes for this position that still stand for this very character.
struct KeptCursor {
    const QList<KeptBytes>& kept;
    qsizetype next = 0;

    const QByteArray* at(qsizetype i, char16_t c)
    {
        while (next < kept.size() && kept[next].position < i)
            ++next;
        if (next < kept.size() && kept[next].position == i) {
            const QByteArray& bytes = kept[next].bytes;
            ++next;
            if (windows31JCharacter(bytes) == c)
                return &bytes;
        }
        return nullptr;
    }
};

std::optional<QByteArray> encodeWindows31J(QStringView text, const QList<KeptBytes>& kept,
                                           CodePageFailure* failure)
{
    const Windows31JTables& t = windows31J();
    const char16_t* const p = text.utf16();
    const qsizetype n = text.size();

    // First pass: find an unencodable character and the exact output length.
    qsizetype length = 0;
    {
        KeptCursor cursor{kept};
        for (qsizetype i = 0; i < n; ++i) {
            const char16_t c = p[i];
            if (c < 0x80) {
                const qsizetype ascii = asciiUnits(p + i, n - i);
                length += ascii;
                i += ascii - 1;
                continue;
            }
            const quint16 code = t.encode[c];
            if (code == 0) {
                setFailure(failure, i);
                return std::nullopt;
            }
            const QByteArray* bytes = kept.isEmpty() ? nullptr : cursor.at(i, c);
            length += bytes ? bytes->size() : (code < 0x100 ? 1 : 2);
        }
    }

    QByteArray result(length, Qt::Uninitialized);
    uchar* out = reinterpret_cast<uchar*>(result.data());
    KeptCursor cursor{kept};
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i] < 0x80) {
            const qsizetype ascii = asciiUnits(p + i, n - i);
            narrowAscii(p + i, ascii, out);
            out += ascii;
            i += ascii - 1;
            continue;
        }
        const char16_t c = p[i];
        if (!kept.isEmpty()) {
            if (const QByteArray* bytes = cursor.at(i, c)) {
                std::memcpy(out, bytes->constData(), size_t(bytes->size()));
                out += bytes->size();
                continue;
            }
        }
        const quint16 code = t.encode[c];
        if (code < 0x100) {
            *out++ = uchar(code);
        } else {
            *out++ = uchar(code >> 8);
            *out++ = uchar(code);
        }
    }
    return result;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Public functions
// ---------------------------------------------------------------------------------------------

bool LooksBinary(const QByteArray& bytes)
{
    if (bytes.startsWith(bomOf(TextEncoding::Utf16LeBom))
        || bytes.startsWith(bomOf(TextEncoding::Utf16BeBom))) {
        const char* p = bytes.constData();
        for (qsizetype i = 2; i + 1 < bytes.size(); i += 2)
            if (p[i] == 0 && p[i + 1] == 0)
                return true;
        return false;
    }
    return std::memchr(bytes.constData(), 0, size_t(bytes.size())) != nullptr;
}

bool HasUtf32ByteOrderMark(const QByteArray& bytes)
{
    return bytes.startsWith(QByteArrayView("\xFF\xFE\0\0", 4))
           || bytes.startsWith(QByteArrayView("\0\0\xFE\xFF", 4));
}

std::optional<DecodedText> DecodeAs(const QByteArray& bytes, TextEncoding encoding,
                                    CodePageFailure* failure)
{
    DecodedText decoded;
    decoded.encoding = encoding;
    const uchar* data = reinterpret_cast<const uchar*>(bytes.constData());
    qsizetype bad = -1;
    switch (encoding) {
    case TextEncoding::Utf8:
    case TextEncoding::Utf8Bom:
        bad = decodeUtf8(data, bytes.size(), decoded.text);
        break;
    case TextEncoding::Utf16LeBom:
        bad = decodeUtf16(data, bytes.size(), false, decoded.text);
        break;
    case TextEncoding::Utf16BeBom:
        bad = decodeUtf16(data, bytes.size(), true, decoded.text);
        break;
    case TextEncoding::Windows31J:
        bad = decodeWindows31J(data, bytes.size(), decoded.text, decoded.kept);
        break;
    }
    if (bad >= 0) {
        setFailure(failure, bad);
        return std::nullopt;
    }
    setFailure(failure, -1);
    return decoded;
}

std::optional<DecodedText> DecodeText(const QByteArray& bytes, CodePageFailure* failure)
{
    if (HasUtf32ByteOrderMark(bytes)) {
        setFailure(failure, 0);
        return std::nullopt;
    }
    for (TextEncoding withBom :
         {TextEncoding::Utf8Bom, TextEncoding::Utf16LeBom, TextEncoding::Utf16BeBom}) {
        const QByteArray& bom = bomOf(withBom);
        if (!bytes.startsWith(bom))
            continue;
        auto decoded = DecodeAs(bytes.sliced(bom.size()), withBom, failure);
        if (!decoded && failure)
            failure->position += bom.size();
        return decoded;
    }
    {
        QString text;
        if (decodeUtf8(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size(), text) < 0) {
            setFailure(failure, -1);
            return DecodedText{TextEncoding::Utf8, std::move(text), {}};
        }
    }
    return DecodeAs(bytes, TextEncoding::Windows31J, failure);
}

std::optional<TextEncoding> DetectEncoding(const QByteArray& bytes, CodePageFailure* failure)
{
    if (HasUtf32ByteOrderMark(bytes)) {
        setFailure(failure, 0);
        return std::nullopt;
    }
    const uchar* data = reinterpret_cast<const uchar*>(bytes.constData());
    Checker checker;
    for (TextEncoding withBom :
         {TextEncoding::Utf8Bom, TextEncoding::Utf16LeBom, TextEncoding::Utf16BeBom}) {
        const QByteArray& bom = bomOf(withBom);
        if (!bytes.startsWith(bom))
            continue;
        qsizetype bad = -1;
        if (withBom == TextEncoding::Utf8Bom) {
            bad = checkUtf8(data + bom.size(), bytes.size() - bom.size());
        } else {
            QString text;
            bad = decodeUtf16(data + bom.size(), bytes.size() - bom.size(),
                              withBom == TextEncoding::Utf16BeBom, text);
        }
        setFailure(failure, bad < 0 ? -1 : bad + bom.size());
        if (bad >= 0)
            return std::nullopt;
        return withBom;
    }
    if (checkUtf8(data, bytes.size()) < 0) {
        setFailure(failure, -1);
        return TextEncoding::Utf8;
    }
    const qsizetype bad = walkWindows31J(data, bytes.size(), checker);
    setFailure(failure, bad);
    if (bad >= 0)
        return std::nullopt;
    return TextEncoding::Windows31J;
}

qsizetype ByteOrderMarkSize(TextEncoding encoding)
{
    return bomOf(encoding).size();
}

bool HasUniqueEncoding(QStringView text, TextEncoding encoding)
{
    if (!CanEncode(text, encoding))
        return false;
    if (encoding != TextEncoding::Windows31J)
        return true;
    const Windows31JTables& t = windows31J();
    for (const QChar c : text)
        if (t.ambiguous.test(c.unicode()))
            return false;
    return true;
}

bool StartsCharacter(const char* data, qsizetype start, qsizetype position, TextEncoding encoding)
{
    const uchar* p = reinterpret_cast<const uchar*>(data);
    switch (encoding) {
    case TextEncoding::Utf8:
    case TextEncoding::Utf8Bom:
        return position == start || (p[position] & 0xC0) != 0x80;
    case TextEncoding::Utf16LeBom:
    case TextEncoding::Utf16BeBom:
        return (position - start) % 2 == 0;
    case TextEncoding::Windows31J:
        break;
    }
    // A byte that cannot lead a pair ends a character, whether it is a character of its own or
    // the trail of a pair, so a character starts right behind it. From there on every byte
    // leads a pair, so the characters are pairs: the position starts one when it is an even
    // number of bytes further on.
    const Windows31JTables& t = windows31J();
    qsizetype from = position;
    while (from > start && t.kind[p[from - 1]] == Lead)
        --from;
    return (position - from) % 2 == 0;
}

qsizetype SkipUnits(const char* data, qsizetype size, qsizetype position, qsizetype units,
                    TextEncoding encoding)
{
    const uchar* p = reinterpret_cast<const uchar*>(data);
    switch (encoding) {
    case TextEncoding::Utf8:
    case TextEncoding::Utf8Bom:
        while (units > 0 && position < size) {
            const uchar b = p[position];
            const int length = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
            units -= length == 4 ? 2 : 1;
            position += length;
        }
        break;
    case TextEncoding::Utf16LeBom:
    case TextEncoding::Utf16BeBom:
        position += 2 * units;
        break;
    case TextEncoding::Windows31J: {
        const Windows31JTables& t = windows31J();
        for (; units > 0 && position < size; --units)
            position += t.kind[p[position]] == Lead ? 2 : 1;
        break;
    }
    }
    return std::min(position, size);
}

std::optional<QByteArray> EncodeText(QStringView text, TextEncoding encoding,
                                     const QList<KeptBytes>& kept, CodePageFailure* failure)
{
    if (encoding == TextEncoding::Windows31J) {
        auto encoded = encodeWindows31J(text, kept, failure);
        if (encoded)
            setFailure(failure, -1);
        return encoded;
    }

    const qsizetype lone = firstLoneSurrogate(text);
    if (lone >= 0) {
        setFailure(failure, lone);
        return std::nullopt;
    }
    setFailure(failure, -1);
    const QByteArray& bom = bomOf(encoding);
    if (encoding == TextEncoding::Utf8 || encoding == TextEncoding::Utf8Bom) {
        // The text holds no lone surrogate, so Qt's converter writes it exactly.
        return bom + text.toUtf8();
    }
    const bool bigEndian = encoding == TextEncoding::Utf16BeBom;
    QByteArray result(bom.size() + text.size() * 2, Qt::Uninitialized);
    std::memcpy(result.data(), bom.constData(), size_t(bom.size()));
    uchar* out = reinterpret_cast<uchar*>(result.data()) + bom.size();
    const char16_t* p = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = p[i];
        out[2 * i + (bigEndian ? 0 : 1)] = uchar(c >> 8);
        out[2 * i + (bigEndian ? 1 : 0)] = uchar(c);
    }
    return result;
}

bool CanEncode(QStringView text, TextEncoding encoding)
{
    if (encoding != TextEncoding::Windows31J)
        return firstLoneSurrogate(text) < 0;
    const Windows31JTables& t = windows31J();
    const char16_t* p = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i)
        if (p[i] >= 0x80 && t.encode[p[i]] == 0)
            return false;
    return true;
}

QString InFileForms(QStringView text, TextEncoding encoding)
{
    // Each typed form with the other form of the same character.
    static constexpr std::pair<char16_t, char16_t> Forms[] = {
        {u'\u301C', u'\uFF5E'}, {u'\u2016', u'\u2225'}, {u'\u2212', u'\uFF0D'},
        {u'\u00A2', u'\uFFE0'}, {u'\u00A3', u'\uFFE1'}, {u'\u00AC', u'\uFFE2'},
        {u'\u2014', u'\u2015'},
    };
    QString result = text.toString();
    if (encoding != TextEncoding::Windows31J)
        return result;
    const Windows31JTables& t = windows31J();
    for (const auto& [typed, held] : Forms)
        if (t.encode[typed] == 0 && t.encode[held] != 0)
            result.replace(QChar(typed), QChar(held));
    return result;
}

QByteArray EncodeOwnFile(QStringView text)
{
    if (auto cp932 = EncodeText(text, TextEncoding::Windows31J)) {
        // Bytes that are also valid UTF-8 would be read back as UTF-8: write such a (rare) text
        // as UTF-8 with a byte order mark, which reads back unambiguously.
        QString asUtf8;
        const bool readsAsUtf8 =
            decodeUtf8(reinterpret_cast<const uchar*>(cp932->constData()), cp932->size(), asUtf8)
            < 0;
        if (!readsAsUtf8 || asUtf8 == text)
            return *cp932;
    }
    // A lone surrogate fits no encoding; Qt writes it as U+FFFD.
    return bomOf(TextEncoding::Utf8Bom) + text.toUtf8();
}

std::optional<QString> DecodeOwnFile(const QByteArray& bytes)
{
    auto decoded = DecodeText(bytes);
    if (!decoded)
        return std::nullopt;
    return std::move(decoded->text);
}

}  // namespace tralex
