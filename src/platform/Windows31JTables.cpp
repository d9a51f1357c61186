#include "platform/Windows31JTables.h"

#include "platform/StrictConverter.h"
#include "platform/UtfWalk.h"



namespace tralex {

namespace {

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

    StrictConverter conv("windows-31j", QStringLiteral("Windows-31J"));
    auto decode = [&](const char* bytes, int length, UErrorCode* error) {
        return conv.Decode(bytes, length, error);
    };

    for (int b = 0; b < 0x80; ++b) {
        t.kind[b] = Windows31JTables::Single;
        t.single[b] = char16_t(b);
    }
    for (int b = 0x80; b < 0x100; ++b) {
        const char byte = char(b);
        UErrorCode error = U_ZERO_ERROR;
        const char16_t c = decode(&byte, 1, &error);
        if (c >= 0x80 && !QChar::isSurrogate(c)) {
            t.kind[b] = Windows31JTables::Single;
            t.single[b] = c;
        } else if (error == U_TRUNCATED_CHAR_FOUND) {
            t.kind[b] = Windows31JTables::Lead;
        }
    }
    for (int lead = 0x80; lead < 0x100; ++lead) {
        if (t.kind[lead] != Windows31JTables::Lead)
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
        const QByteArray out = conv.Encode(c);
        if (out.size() == 1)
            return quint8(out[0]);
        if (out.size() == 2)
            return quint16(quint8(out[0]) << 8 | quint8(out[1]));
        return 0;
    };
    auto decodesTo = [&](quint16 code, char16_t c) {
        if (code < 0x100)
            return code >= 0x80 && t.kind[code] == Windows31JTables::Single && t.single[code] == c;
        return t.kind[code >> 8] == Windows31JTables::Lead && t.pair[code] == c;
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
        if (t.kind[b] == Windows31JTables::Single)
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

}  // namespace

const Windows31JTables& Windows31J()
{
    static const Windows31JTables tables = buildWindows31JTables();
    return tables;
}

char16_t Windows31JTables::character(const QByteArray& bytes) const
{
    if (bytes.size() == 1) {
        const uchar b = uchar(bytes[0]);
        return kind[b] == Single ? single[b] : 0;
    }
    if (bytes.size() == 2 && kind[uchar(bytes[0])] == Lead)
        return pair[quint16(uchar(bytes[0]) << 8 | uchar(bytes[1]))];
    return 0;
}

qsizetype CheckWindows31J(const uchar* data, qsizetype size)
{
    const Windows31JTables& t = Windows31J();
    const uchar* p = data;
    const uchar* const end = data + size;
    while (p < end) {
        const uchar b = *p;
        if (b < 0x80) {
            p = SkipAscii(p, end);  // a run of ASCII at once; a character after another, one by one
        } else if (t.kind[b] == Windows31JTables::Single) {
            ++p;
        } else if (end - p >= 2 && t.validPair.test(quint16(b << 8 | p[1]))) {
            p += 2;
        } else {
            return p - data;
        }
    }
    return -1;
}

}  // namespace tralex
