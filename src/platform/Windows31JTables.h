#pragma once
// The Windows-31J (code page 932) mapping as lookup tables.
//
// The mapping is ICU's "windows-31j" converter. It is read once into lookup tables: every single
// byte and every lead/trail pair is decoded with the STOP callback (so an undefined code is an
// error, never a substitute), and every character obtained is encoded back to learn its canonical
// bytes. Decoding and encoding then cost one table look-up per character, and a byte pair whose
// character encodes to other bytes (the NEC and IBM duplicates) is known at once.
//
// Bytes 00-7F are taken as ASCII, as Windows reads them: ICU's table swaps 1A, 1C and 7F with
// U+001C, U+007F and U+001A (an IBM convention), which would change control characters.
#include <QByteArray>

#include <array>
#include <bitset>
#include <vector>

namespace tralex {

struct Windows31JTables {
    enum Kind : quint8 { Invalid = 0, Single = 1, Lead = 2 };

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
    // The character that bytes stand for, or 0 when they are not one Windows-31J character.
    char16_t character(const QByteArray& bytes) const;
};

// The tables, built on first use. Raises ProgramError when ICU has no Windows-31J converter.
const Windows31JTables& Windows31J();

// The byte offset of the first byte that does not begin a valid Windows-31J character, or -1:
// a check of the bytes against the table of valid pairs only.
qsizetype CheckWindows31J(const uchar* data, qsizetype size);

}  // namespace tralex
