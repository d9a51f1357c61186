#include "platform/EucJpTables.h"

#include "platform/StrictConverter.h"
#include "platform/UtfWalk.h"



namespace tralex {

namespace {

EucJpTables buildEucJpTables()
{
    EucJpTables t;
    t.pair.assign(65536, 0);
    t.triple.assign(65536, 0);
    t.encode.assign(65536, 0);

    StrictConverter conv("euc-jp", QStringLiteral("EUC-JP"));
    // One complete character above ASCII; 0 when the bytes are not exactly one BMP character.
    auto decode = [&](const char* bytes, int length) -> char16_t {
        const char16_t c = conv.Decode(bytes, length);
        return c >= 0x80 && !QChar::isSurrogate(c) ? c : 0;
    };

    for (int b2 = 0xA1; b2 <= 0xFE; ++b2) {
        const char kana[2] = {char(0x8E), char(b2)};
        t.pair[0x8E00 | b2] = decode(kana, 2);
        for (int b3 = 0xA1; b3 <= 0xFE; ++b3) {
            const char two[2] = {char(b2), char(b3)};
            t.pair[b2 << 8 | b3] = decode(two, 2);
            const char three[3] = {char(0x8F), char(b2), char(b3)};
            t.triple[b2 << 8 | b3] = decode(three, 3);
        }
    }

    auto canonical = [&](char16_t c) -> quint32 {
        const QByteArray out = conv.Encode(c);
        const auto byte = [&](int i) { return quint32(quint8(out[i])); };
        if (out.size() == 2)
            return byte(0) << 8 | byte(1);
        if (out.size() == 3 && byte(0) == 0x8F)
            return 0x8F0000 | byte(1) << 8 | byte(2);
        return 0;
    };
    auto learn = [&](char16_t c) {
        if (t.encode[c] != 0)
            return;
        const quint32 code = canonical(c);
        // Only bytes that read back as the same character count: no best-fit substitutes.
        const char16_t back = code > 0xFFFF ? t.triple[code & 0xFFFF] : t.pair[code & 0xFFFF];
        if (code != 0 && back == c)
            t.encode[c] = code;
    };
    for (int code = 0; code < 0x10000; ++code)
        if (t.pair[code] != 0)
            learn(t.pair[code]);
    for (int code = 0; code < 0x10000; ++code)
        if (t.triple[code] != 0)
            learn(t.triple[code]);
    for (int code = 0; code < 0x10000; ++code) {
        if (const char16_t c = t.pair[code]; c != 0 && t.encode[c] != quint32(code)) {
            t.pairNonCanonical.set(code);
            t.ambiguous.set(c);
        }
        if (const char16_t c = t.triple[code]; c != 0 && t.encode[c] != (0x8F0000 | quint32(code))) {
            t.tripleNonCanonical.set(code);
            t.ambiguous.set(c);
        }
    }
    return t;
}

}  // namespace

const EucJpTables& EucJp()
{
    static const EucJpTables tables = buildEucJpTables();
    return tables;
}

char16_t EucJpTables::character(const QByteArray& bytes) const
{
    const auto b = [&](int i) { return quint16(uchar(bytes[i])); };
    if (bytes.size() == 2 && b(0) >= 0x80)
        return pair[b(0) << 8 | b(1)];
    if (bytes.size() == 3 && b(0) == 0x8F)
        return triple[b(1) << 8 | b(2)];
    return 0;
}

qsizetype CheckEucJp(const uchar* data, qsizetype size)
{
    const EucJpTables& t = EucJp();
    const uchar* p = data;
    const uchar* const end = data + size;
    while (p < end) {
        p = SkipAscii(p, end);
        if (p == end)
            break;
        const int length = EucJpLength(*p);
        if (end - p < length)
            return p - data;
        const char16_t c = length == 3 ? t.triple[quint16(p[1] << 8 | p[2])]
                                       : t.pair[quint16(p[0] << 8 | p[1])];
        if (c == 0)
            return p - data;
        p += length;
    }
    return -1;
}

}  // namespace tralex
