#include "engines/EncodedCharacters.h"

#include "platform/EucJpTables.h"
#include "platform/Windows31JTables.h"

#include <algorithm>

namespace tralex {

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
    case TextEncoding::EucJp: {
        // Bytes below 80 are characters of their own: from the last one on, characters are
        // counted forward.
        qsizetype from = position;
        while (from > start && p[from - 1] >= 0x80)
            --from;
        while (from < position)
            from += EucJpLength(p[from]);
        return from == position;
    }
    case TextEncoding::Windows31J:
        break;
    }
    // A byte that cannot lead a pair ends a character, whether it is a character of its own or
    // the trail of a pair, so a character starts right behind it. From there on every byte
    // leads a pair, so the characters are pairs: the position starts one when it is an even
    // number of bytes further on.
    const Windows31JTables& t = Windows31J();
    qsizetype from = position;
    while (from > start && t.kind[p[from - 1]] == Windows31JTables::Lead)
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
    case TextEncoding::EucJp:
        for (; units > 0 && position < size; --units)
            position += EucJpLength(p[position]);
        break;
    case TextEncoding::Windows31J: {
        const Windows31JTables& t = Windows31J();
        for (; units > 0 && position < size; --units)
            position += t.kind[p[position]] == Windows31JTables::Lead ? 2 : 1;
        break;
    }
    }
    return std::min(position, size);
}

}  // namespace tralex
