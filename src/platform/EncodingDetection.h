#pragma once
// Telling the encoding of a file from its bytes.
//
// A byte order mark decides (UTF-8, UTF-16LE, UTF-16BE); else text that is valid UTF-8 is
// UTF-8; else strict Windows-31J (cp932); text that decodes as none of these is refused, and so
// is UTF-32, which Tralex does not read. Text files to work on may also be EUC-JP
// (DetectFileEncoding). Bytes 00-7F are ASCII in every encoding, as Windows
// reads them.
#include "platform/CodePage.h"

#include <QByteArray>
#include <optional>

namespace tralex {

// Whether the bytes are binary: they hold a NUL byte and no UTF-16 byte order mark, or behind a
// UTF-16 byte order mark a NUL code unit.
bool LooksBinary(QByteArrayView bytes);

// Whether the bytes begin with a UTF-32 byte order mark (FF FE 00 00 or 00 00 FE FF).
bool HasUtf32ByteOrderMark(const QByteArray& bytes);

// Detects the encoding and decodes. Empty bytes are UTF-8 with an empty text. On failure
// returns nothing and, when failure is given, sets it to the byte offset at which strict
// Windows-31J decoding stopped (for a file with a byte order mark: the offset, counted from the
// start of bytes, at which decoding in that encoding stopped; for UTF-32, 0).
std::optional<DecodedText> DecodeText(const QByteArray& bytes, CodePageFailure* failure = nullptr);

// The encoding DecodeText would find, and the same failure, without decoding: a check of the
// bytes alone.
std::optional<TextEncoding> DetectEncoding(const QByteArray& bytes,
                                           CodePageFailure* failure = nullptr);

// The encoding of a text file to work on: what DetectEncoding finds, else, for bytes without a
// byte order mark that are not Windows-31J, EUC-JP when they are valid EUC-JP. Japanese text
// in either encoding is rarely valid in the other: Windows-31J hiragana and most kanji have a
// lead byte that EUC-JP does not use. Bytes valid in both (half-width katakana in Windows-31J,
// EUC-JP text of kana and common kanji only) are Windows-31J, and alsoEucJp, when given, tells
// the caller so that it may decide otherwise.
std::optional<TextEncoding> DetectFileEncoding(const QByteArray& bytes, bool* alsoEucJp = nullptr);

}  // namespace tralex
