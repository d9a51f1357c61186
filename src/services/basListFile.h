#pragma once
// List files (".slt"): the replacement pairs saved by the list editor.
//
// A list file is plain text holding one record per pair, back to back: the pair entry (find,
// character 31, arrow, character 31, replace, character 31) followed by character 30, and CR LF
// after the last record. Files written by the Windows program are Windows-31J; ours are too when
// every character fits, so lists stay interchangeable.
#include <QList>
#include <QString>
#include <QStringList>

#include "services/PairEntry.h"

namespace tralex {

// A pair as read from a list file: the same find and replace texts the engines take from an entry.
using ListPair = PairTexts;

// Reads a list file (".slt"): UTF-8, UTF-8 with BOM or Windows-31J. Each record loads exactly as
// written, the last one too when its character 30 is missing; records whose find text is empty
// or only blanks are left out, as the Windows program left them out. Raises ProgramError with a
// Japanese description when the file cannot be opened or decoded, or when a record lacks a
// separator or holds text after its replace text (the description names its line): the caller's
// list is then left as it was.
QList<ListPair> ReadListFile(const QString& vstrPath);

// Writes pair entries (as PairList keeps them) as a list file: each entry followed by character
// 30, then CR LF; Windows-31J when every character fits, else UTF-8 with a BOM. Missing folders
// are made; a read-only existing file is replaced. Raises ProgramError on failure.
void WriteListFile(const QString& vstrPath, const QStringList& entries);

// Whether a find or replace text can be stored in a list file (holds no character 30 or 31).
bool IsStorableListText(const QString& text);

}  // namespace tralex
