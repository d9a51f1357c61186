#pragma once
// Applying one find/replace pair to the whole text of a file.
//
// Occurrences are found from left to right and never overlap; text that was just inserted is
// never searched again by the same pair. With the retry option, an occurrence is left alone when
// a copy of the replace text begins exactly where the find text's first place inside the replace
// text puts it (typically a replacement written by an earlier run). With the upper-case option,
// letter case is ignored by comparing upper-cased characters; the text itself keeps its case and
// the replace text is inserted as it is written.
//
// The result is built in one output buffer in a single pass, so one pair costs time in
// proportion to the text plus the output, however many occurrences there are.
#include "platform/CodePage.h"

#include <QList>
#include <QString>
#include <QStringView>

namespace tralex {

// The upper case of one UTF-16 unit as used for comparisons: ICU's simple upper-case mapping,
// which maps one character to one character (ß stays ß, ı and i become I, ſ and s become S,
// ς and σ become Σ). Surrogate units stay as they are, so a position in an upper-cased copy is
// the same position in the original text, whatever surrounds it.
char16_t UpperUnit(char16_t unit);
// Whether another unit has the same upper case as this one, so that the upper-case option lets
// the two compare equal (a and A, ı and I, ａ and Ａ; not あ, 1 or a surrogate).
bool HasCaseVariants(char16_t unit);
// The text with every unit mapped by UpperUnit.
QString UpperText(QStringView text);

// Applies one pair to text (in place) and returns the number of replacements. An empty find text
// changes nothing. When edits is given, the replacements are appended to it in order, in
// positions of the text as it was before the call.
qint64 ReplaceText(QString& text, QStringView find, QStringView replace, bool retryOption,
                   bool ucaseOption, QList<TextEdit>* edits = nullptr);

}  // namespace tralex
