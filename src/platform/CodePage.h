#pragma once
// Code pages of the files Tralex reads and writes.
//
// Reading: a byte order mark decides (UTF-8, UTF-16LE, UTF-16BE); else text that is valid UTF-8 is
// UTF-8; else strict Windows-31J (cp932); text that decodes as none of these is refused.
// Decoding and encoding are strict: an undecodable byte or an unencodable character is reported
// with its position, never replaced.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

namespace tralex {

enum class TextEncoding {
    Utf8,        // UTF-8 without a byte order mark
    Utf8Bom,     // UTF-8 with EF BB BF
    Utf16LeBom,  // UTF-16 little endian with FF FE
    Utf16BeBom,  // UTF-16 big endian with FE FF
    Windows31J,  // Shift-JIS as Windows writes it (code page 932)
};

// A character of a decoded text whose encoding back would not give the bytes it was read from.
// Windows-31J holds NEC and IBM duplicate codes (ED 40 and FA 5C both read as U+7E8A, which
// encodes as FA 5C); to leave such bytes as they were, the decoder keeps the original bytes.
struct KeptBytes {
    qsizetype position = 0;  // index of the character (UTF-16 unit) in the decoded text
    QByteArray bytes;        // the bytes it was read from
};

struct DecodedText {
    TextEncoding encoding = TextEncoding::Utf8;
    QString text;
    QList<KeptBytes> kept;  // sorted by position; empty when the text encodes back to its bytes
};

// The position of the first byte (decoding) or character (encoding) that failed; -1 when none.
struct CodePageFailure {
    qsizetype position = -1;
};

// Whether the bytes are binary: they hold a NUL byte and no UTF-16 byte order mark, or behind a
// UTF-16 byte order mark a NUL code unit.
bool LooksBinary(const QByteArray& bytes);

// Whether the bytes begin with a UTF-32 byte order mark (FF FE 00 00 or 00 00 FE FF). Tralex
// does not read UTF-32: DecodeText and DetectEncoding refuse such bytes, at position 0.
bool HasUtf32ByteOrderMark(const QByteArray& bytes);

// Detects the encoding as described above and decodes. Empty bytes are UTF-8 with an empty text.
// On failure returns nothing and, when failure is given, sets it to the byte offset at which
// strict Windows-31J decoding stopped (for a file with a byte order mark: the offset, counted
// from the start of bytes, at which decoding in that encoding stopped).
// Bytes 00-7F are ASCII in every encoding, as Windows reads them.
std::optional<DecodedText> DecodeText(const QByteArray& bytes, CodePageFailure* failure = nullptr);

// The encoding DecodeText would find, and the same failure, without decoding: a check of the
// bytes alone.
std::optional<TextEncoding> DetectEncoding(const QByteArray& bytes,
                                           CodePageFailure* failure = nullptr);

// The number of bytes of the encoding's byte order mark (0 for UTF-8 without one and Windows-31J).
qsizetype ByteOrderMarkSize(TextEncoding encoding);

// Whether every character of the text can be written in the encoding and no other bytes read as
// the same character (in Windows-31J, the NEC and IBM duplicates such as ∵ or 纊 have two codes).
// The bytes of such a text occur in a file exactly where the text does.
bool HasUniqueEncoding(QStringView text, TextEncoding encoding);

// Whether a character begins at byte `position` of valid text in the encoding, given that one
// begins at `start` (at or before position). Windows-31J trail bytes may look like ASCII, so a
// byte match found there can lie inside a character.
bool StartsCharacter(const char* data, qsizetype start, qsizetype position, TextEncoding encoding);

// The byte position `units` UTF-16 units after `position` (a character start) in valid text of
// size bytes; a character above U+FFFF counts two units and is passed whole. At most size.
qsizetype SkipUnits(const char* data, qsizetype size, qsizetype position, qsizetype units,
                    TextEncoding encoding);

// Strict decoding of bytes in one given encoding (a byte order mark, if any, already removed).
std::optional<DecodedText> DecodeAs(const QByteArray& bytes, TextEncoding encoding,
                                    CodePageFailure* failure = nullptr);

// Strict encoding, with the byte order mark of the encoding in front. Characters listed in kept
// (positions in text, sorted) are written as their kept bytes instead of being encoded; an entry
// whose bytes do not stand for the character now at its position is passed over (the character
// is encoded as usual), so a stale entry can never write a wrong character. Kept bytes apply to
// Windows-31J only. On failure returns nothing and sets failure to the index of the first
// unencodable character (for a surrogate pair, the index of its first unit).
std::optional<QByteArray> EncodeText(QStringView text, TextEncoding encoding,
                                     const QList<KeptBytes>& kept = {},
                                     CodePageFailure* failure = nullptr);

// Whether every character of the text can be written in the encoding.
bool CanEncode(QStringView text, TextEncoding encoding);

// The text as a file in the encoding holds it. Input methods on Linux type a few characters in
// their JIS form (〜 ‖ − ¢ £ ¬ —) where a Windows-31J file holds the form its bytes read as
// (～ ∥ － ￠ ￡ ￢ ―); for Windows-31J such characters are written in the file's form, so that they
// match the file and can be written to it. Other encodings hold every form: the text is
// returned as it is.
QString InFileForms(QStringView text, TextEncoding encoding);

// Tralex's own files (list files, INI files, TextFile.tfd): Windows-31J when every character
// fits, so that they stay interchangeable with files written on Windows; otherwise UTF-8 with a
// byte order mark. (Also UTF-8 with a byte order mark in the rare case where the Windows-31J
// bytes would be valid UTF-8 of another text, so that the file always reads back as written.)
QByteArray EncodeOwnFile(QStringView text);
// Reads one of Tralex's own files; nothing when its bytes decode as none of the encodings.
std::optional<QString> DecodeOwnFile(const QByteArray& bytes);

}  // namespace tralex
