#pragma once
// Code pages of the files Tralex reads and writes: strict decoding and encoding in one given
// encoding. Decoding and encoding are strict: an undecodable byte or an unencodable character is
// reported with its position, never replaced.
//
// Telling a file's encoding is in EncodingDetection.h, the encoding of Tralex's own files in
// OwnFileEncoding.h; both are included here, so that this is the one header callers need.
#include <QByteArray>
#include <QByteArrayView>
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
    EucJp,       // Japanese EUC, as older Unix systems write Japanese text
};

// A character of a decoded text whose encoding back would not give the bytes it was read from.
// Windows-31J holds NEC and IBM duplicate codes (ED 40 and FA 5C both read as U+7E8A, which
// encodes as FA 5C), and EUC-JP likewise; to leave such bytes as they were, the decoder keeps
// the original bytes.
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

// One change of a decoded text: `removed` units from `position` on were replaced by `inserted`
// units.
struct TextEdit {
    qsizetype position = 0;
    qsizetype removed = 0;
    qsizetype inserted = 0;
};

// Moves the positions of kept bytes (sorted) past edits (sorted, not overlapping, in positions
// of the text before them): characters inside a replaced part are gone and lose their kept
// bytes; characters behind an edit move by the difference in length.
void ShiftKeptBytes(QList<KeptBytes>& kept, const QList<TextEdit>& edits);

// The name the user reads for an encoding ("Shift_JIS", "UTF-8 (BOM)", "UTF-16LE" ...), and the
// encoding of such a name.
QString EncodingName(TextEncoding encoding);
std::optional<TextEncoding> EncodingNamed(const QString& name);

// The encoding's byte order mark (empty for UTF-8 without one and Windows-31J), and its size.
const QByteArray& ByteOrderMark(TextEncoding encoding);
qsizetype ByteOrderMarkSize(TextEncoding encoding);

// Whether every character of the text can be written in the encoding and no other bytes read as
// the same character (in Windows-31J, the NEC and IBM duplicates such as ∵ or 纊 have two codes).
// The bytes of such a text occur in a file exactly where the text does.
bool HasUniqueEncoding(QStringView text, TextEncoding encoding);

// Strict decoding of bytes in one given encoding (a byte order mark, if any, already removed).
std::optional<DecodedText> DecodeAs(QByteArrayView bytes, TextEncoding encoding,
                                    CodePageFailure* failure = nullptr);

// Strict encoding, with the byte order mark of the encoding in front. Characters listed in kept
// (positions in text, sorted) are written as their kept bytes instead of being encoded; an entry
// whose bytes do not stand for the character now at its position is passed over (the character
// is encoded as usual), so a stale entry can never write a wrong character. Kept bytes apply to
// Windows-31J and EUC-JP only. On failure returns nothing and sets failure to the index of the first
// unencodable character (for a surrogate pair, the index of its first unit).
std::optional<QByteArray> EncodeText(QStringView text, TextEncoding encoding,
                                     const QList<KeptBytes>& kept = {},
                                     CodePageFailure* failure = nullptr);

// Whether every character of the text can be written in the encoding.
bool CanEncode(QStringView text, TextEncoding encoding);

// The text as a file in the encoding holds it. Input methods on Linux type a few characters in
// their JIS form (〜 ‖ − ¢ £ ¬ —) where a Windows-31J or EUC-JP file holds the form its bytes
// read as (～ ∥ － ￠ ￡ ￢ ―); in those two encodings such characters are written in the file's
// form, so that they match the file and can be written to it. The Unicode encodings hold every
// form: the text is returned as it is.
QString InFileForms(QStringView text, TextEncoding encoding);

}  // namespace tralex

#include "platform/EncodingDetection.h"
#include "platform/OwnFileEncoding.h"
