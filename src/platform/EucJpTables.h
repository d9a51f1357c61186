#pragma once
// The Japanese EUC (EUC-JP) mapping as lookup tables.
//
// The mapping is ICU's "euc-jp" converter, read once as the Windows-31J one is: every two-byte
// code (JIS X 0208 rows, 8E + half-width katakana) and every three-byte code (8F + JIS X 0212)
// is decoded with the STOP callback, and every character obtained is encoded back to learn its
// canonical bytes, so codes whose character encodes to other bytes are known.
//
// Bytes 00-7F are ASCII. No byte of a two- or three-byte character is below A1 except the leads
// 8E and 8F, so ASCII bytes in EUC-JP text are always characters of their own.
#include <QByteArray>

#include <bitset>
#include <vector>

namespace tralex {

struct EucJpTables {
    std::vector<char16_t> pair;    // character of lead << 8 | trail (lead A1-FE or 8E); 0 = none
    std::vector<char16_t> triple;  // character of 8F, b2, b3 as b2 << 8 | b3; 0 = none
    std::vector<quint32> encode;   // canonical bytes of a BMP character; 0 = none (a value
                                   // < 0x10000 is two bytes, else three bytes 8F xx xx)
    std::bitset<65536> pairNonCanonical;    // two-byte codes whose character encodes otherwise
    std::bitset<65536> tripleNonCanonical;  // three-byte codes likewise (by b2 << 8 | b3)
    std::bitset<65536> ambiguous;           // characters that more than one code reads as

    // The character that bytes stand for, or 0 when they are not one EUC-JP character.
    char16_t character(const QByteArray& bytes) const;
};

// The tables, built on first use. Raises ProgramError when ICU has no EUC-JP converter.
const EucJpTables& EucJp();

// The byte offset of the first byte that does not begin a valid EUC-JP character, or -1.
qsizetype CheckEucJp(const uchar* data, qsizetype size);

// The length of the EUC-JP character whose first byte is b (1 for ASCII).
inline int EucJpLength(uchar b)
{
    return b < 0x80 ? 1 : b == 0x8F ? 3 : 2;
}

}  // namespace tralex
