#pragma once
// Where characters begin in the bytes of valid text, told from the bytes alone: what the byte
// path of the text engine needs to match encoded find texts at character starts only.
#include "platform/CodePage.h"

namespace tralex {

// Whether a character begins at byte `position` of valid text in the encoding, given that one
// begins at `start` (at or before position). Windows-31J trail bytes may look like ASCII, so a
// byte match found there can lie inside a character.
bool StartsCharacter(const char* data, qsizetype start, qsizetype position, TextEncoding encoding);

// The byte position `units` UTF-16 units after `position` (a character start) in valid text of
// size bytes; a character above U+FFFF counts two units and is passed whole. At most size.
qsizetype SkipUnits(const char* data, qsizetype size, qsizetype position, qsizetype units,
                    TextEncoding encoding);

}  // namespace tralex
