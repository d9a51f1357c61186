#pragma once
// A fast check of UTF-8, sixteen bytes at a time, for the long texts whose encoding is detected.
#include <QtGlobal>

namespace tralex {

// A position up to which the bytes are certainly strict UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF), and at which a character begins: a byte-by-byte check may go on from
// there. Checks whole blocks of sixteen bytes while they are valid, so the position is at most
// a few bytes before the end of the last valid block, and 0 on processors without SSSE3.
qsizetype ValidUtf8Prefix(const uchar* data, qsizetype size);

}  // namespace tralex
