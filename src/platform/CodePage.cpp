#include "platform/CodePage.h"

#include "platform/EucJpTables.h"
#include "platform/UtfWalk.h"
#include "platform/Windows31JTables.h"

#include <cstring>
#include <utility>

namespace tralex {

namespace {

void setFailure(CodePageFailure* failure, qsizetype position)
{
    if (failure)
        failure->position = position;
}

// Walks strict Windows-31J, handing runs of ASCII to sink.ascii(p, end) and every other
// character to sink.unit(c); a character read from a byte pair that does not encode back to the
// same pair is also handed to sink.kept(code) before its unit. Returns the byte offset of the
// first invalid byte, or -1.
template <typename Sink>
qsizetype walkWindows31J(const uchar* begin, qsizetype size, Sink& sink)
{
    const Windows31JTables& t = Windows31J();
    const uchar* p = begin;
    const uchar* const end = begin + size;
    while (p < end) {
        p = sink.ascii(p, end);
        // A run of non-ASCII characters (trail bytes may be ASCII, so the run is walked here).
        while (p < end && *p >= 0x80) {
            const uchar b = *p;
            if (t.kind[b] == Windows31JTables::Single) {
                sink.unit(t.single[b]);
                ++p;
                continue;
            }
            if (t.kind[b] != Windows31JTables::Lead || end - p < 2)
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
    void kept(quint16 code) { keptBytes.append({out - outBegin, Windows31J().pairBytes(code)}); }
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

// Strict EUC-JP, as decodeWindows31J: every character is one UTF-16 unit, and a code whose
// character encodes to other bytes is kept with its bytes.
qsizetype decodeEucJp(const uchar* begin, qsizetype size, QString& text, QList<KeptBytes>& kept)
{
    const EucJpTables& t = EucJp();
    text.resize(size);
    char16_t* const outBegin = reinterpret_cast<char16_t*>(text.data());
    UnitWriter writer{outBegin};
    const uchar* p = begin;
    const uchar* const end = begin + size;
    while (p < end) {
        p = writer.ascii(p, end);
        while (p < end && *p >= 0x80) {
            const int length = EucJpLength(*p);
            if (end - p < length)
                return p - begin;
            const quint16 code = length == 3 ? quint16(p[1] << 8 | p[2]) : quint16(p[0] << 8 | p[1]);
            const char16_t c = length == 3 ? t.triple[code] : t.pair[code];
            if (c == 0)
                return p - begin;
            if ((length == 3 ? t.tripleNonCanonical.test(code) : t.pairNonCanonical.test(code)))
                [[unlikely]] kept.append({writer.out - outBegin,
                                          QByteArray(reinterpret_cast<const char*>(p), length)});
            writer.unit(c);
            p += length;
        }
    }
    text.resize(writer.out - outBegin);
    return -1;
}

// The bytes of the character at i: the canonical code, or the kept bytes when the caller kept
// bytes for this position that still stand for this very character.
struct KeptCursor {
    const QList<KeptBytes>& kept;
    TextEncoding encoding = TextEncoding::Windows31J;
    qsizetype next = 0;

    const QByteArray* at(qsizetype i, char16_t c)
    {
        while (next < kept.size() && kept[next].position < i)
            ++next;
        if (next < kept.size() && kept[next].position == i) {
            const QByteArray& bytes = kept[next].bytes;
            ++next;
            const char16_t read = encoding == TextEncoding::EucJp ? EucJp().character(bytes)
                                                                  : Windows31J().character(bytes);
            if (read == c)
                return &bytes;
        }
        return nullptr;
    }
};

std::optional<QByteArray> encodeWindows31J(QStringView text, const QList<KeptBytes>& kept,
                                           CodePageFailure* failure)
{
    const Windows31JTables& t = Windows31J();
    const char16_t* const p = text.utf16();
    const qsizetype n = text.size();

    // First pass: find an unencodable character and the exact output length.
    qsizetype length = 0;
    {
        KeptCursor cursor{kept};
        for (qsizetype i = 0; i < n; ++i) {
            const char16_t c = p[i];
            if (c < 0x80) {
                const qsizetype ascii = AsciiUnits(p + i, n - i);
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
            const qsizetype ascii = AsciiUnits(p + i, n - i);
            NarrowAscii(p + i, ascii, out);
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

std::optional<QByteArray> encodeEucJp(QStringView text, const QList<KeptBytes>& kept,
                                      CodePageFailure* failure)
{
    const EucJpTables& t = EucJp();
    const char16_t* const p = text.utf16();
    const qsizetype n = text.size();
    QByteArray result;
    result.reserve(n * 2);
    KeptCursor cursor{kept, TextEncoding::EucJp};
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i];
        if (c < 0x80) {
            const qsizetype ascii = AsciiUnits(p + i, n - i);
            const qsizetype at = result.size();
            result.resize(at + ascii);
            NarrowAscii(p + i, ascii, reinterpret_cast<uchar*>(result.data()) + at);
            i += ascii - 1;
            continue;
        }
        if (!kept.isEmpty()) {
            if (const QByteArray* bytes = cursor.at(i, c)) {
                result.append(*bytes);
                continue;
            }
        }
        const quint32 code = t.encode[c];
        if (code == 0) {
            setFailure(failure, i);
            return std::nullopt;
        }
        if (code > 0xFFFF)
            result.append(char(code >> 16));
        result.append(char(code >> 8));
        result.append(char(code));
    }
    return result;
}

}  // namespace

const QByteArray& ByteOrderMark(TextEncoding encoding)
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

qsizetype ByteOrderMarkSize(TextEncoding encoding)
{
    return ByteOrderMark(encoding).size();
}

bool HasUniqueEncoding(QStringView text, TextEncoding encoding)
{
    if (!CanEncode(text, encoding))
        return false;
    if (encoding != TextEncoding::Windows31J && encoding != TextEncoding::EucJp)
        return true;
    const std::bitset<65536>& ambiguous =
        encoding == TextEncoding::EucJp ? EucJp().ambiguous : Windows31J().ambiguous;
    for (const QChar c : text)
        if (ambiguous.test(c.unicode()))
            return false;
    return true;
}

std::optional<DecodedText> DecodeAs(QByteArrayView bytes, TextEncoding encoding,
                                    CodePageFailure* failure)
{
    DecodedText decoded;
    decoded.encoding = encoding;
    const uchar* data = reinterpret_cast<const uchar*>(bytes.constData());
    qsizetype bad = -1;
    switch (encoding) {
    case TextEncoding::Utf8:
    case TextEncoding::Utf8Bom:
        bad = DecodeUtf8(data, bytes.size(), decoded.text);
        break;
    case TextEncoding::Utf16LeBom:
        bad = DecodeUtf16(data, bytes.size(), false, decoded.text);
        break;
    case TextEncoding::Utf16BeBom:
        bad = DecodeUtf16(data, bytes.size(), true, decoded.text);
        break;
    case TextEncoding::Windows31J:
        bad = decodeWindows31J(data, bytes.size(), decoded.text, decoded.kept);
        break;
    case TextEncoding::EucJp:
        bad = decodeEucJp(data, bytes.size(), decoded.text, decoded.kept);
        break;
    }
    if (bad >= 0) {
        setFailure(failure, bad);
        return std::nullopt;
    }
    setFailure(failure, -1);
    return decoded;
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
    if (encoding == TextEncoding::EucJp) {
        auto encoded = encodeEucJp(text, kept, failure);
        if (encoded)
            setFailure(failure, -1);
        return encoded;
    }

    const qsizetype lone = FirstLoneSurrogate(text);
    if (lone >= 0) {
        setFailure(failure, lone);
        return std::nullopt;
    }
    setFailure(failure, -1);
    const QByteArray& bom = ByteOrderMark(encoding);
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
    if (encoding == TextEncoding::EucJp) {
        const EucJpTables& t = EucJp();
        for (const QChar c : text)
            if (c.unicode() >= 0x80 && t.encode[c.unicode()] == 0)
                return false;
        return true;
    }
    if (encoding != TextEncoding::Windows31J)
        return FirstLoneSurrogate(text) < 0;
    const Windows31JTables& t = Windows31J();
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
    if (encoding != TextEncoding::Windows31J && encoding != TextEncoding::EucJp)
        return result;
    const auto holds = [encoding](char16_t c) { return CanEncode(QStringView(&c, 1), encoding); };
    for (const auto& [typed, held] : Forms)
        if (!holds(typed) && holds(held))
            result.replace(QChar(typed), QChar(held));
    return result;
}

void ShiftKeptBytes(QList<KeptBytes>& kept, const QList<TextEdit>& edits)
{
    if (edits.isEmpty() || kept.isEmpty())
        return;
    QList<KeptBytes> moved;
    moved.reserve(kept.size());
    qsizetype delta = 0;
    qsizetype e = 0;
    for (KeptBytes& k : kept) {
        while (e < edits.size() && edits[e].position + edits[e].removed <= k.position) {
            delta += edits[e].inserted - edits[e].removed;
            ++e;
        }
        if (e < edits.size() && edits[e].position <= k.position)
            continue;  // inside a replaced find text: the character is gone
        k.position += delta;
        moved.append(std::move(k));
    }
    kept = std::move(moved);
}

namespace {

const QList<std::pair<QString, TextEncoding>>& encodingNames()
{
    static const QList<std::pair<QString, TextEncoding>> names = {
        {QStringLiteral("UTF-8"), TextEncoding::Utf8},
        {QStringLiteral("UTF-8 (BOM)"), TextEncoding::Utf8Bom},
        {QStringLiteral("UTF-16LE"), TextEncoding::Utf16LeBom},
        {QStringLiteral("UTF-16BE"), TextEncoding::Utf16BeBom},
        {QStringLiteral("Shift_JIS"), TextEncoding::Windows31J},
        {QStringLiteral("EUC-JP"), TextEncoding::EucJp},
    };
    return names;
}

}  // namespace

QString EncodingName(TextEncoding encoding)
{
    for (const auto& [name, named] : encodingNames()) {
        if (named == encoding)
            return name;
    }
    return QString();
}

std::optional<TextEncoding> EncodingNamed(const QString& name)
{
    for (const auto& [shown, encoding] : encodingNames()) {
        if (shown == name)
            return encoding;
    }
    return std::nullopt;
}

}  // namespace tralex
