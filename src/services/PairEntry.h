#pragma once
#include <QString>

namespace tralex {

// One find/replace pair kept as one text:
//   find, SepChar, SepTralex, SepChar, replace, SepChar
// SepChar (code 31) separates the fields; SepTralex, the arrow, is there for display only.
// Readers split at SepChar and take field 0 (find) and field 2 (replace), so neither text may
// contain SepChar. List files and all engines share this form.
inline const QString DefaultSepChar = QString(QChar(31));
inline const QString DefaultSepTralex = QStringLiteral("  \u21D2  ");

struct PairTexts {
    QString find;
    QString replace;
};

QString BuildPairEntry(const QString& find, const QString& replace,
                       const QString& sepChar = DefaultSepChar,
                       const QString& sepTralex = DefaultSepTralex);

// Field 0 and field 2 of an entry split at sepChar; a missing field is the empty text.
PairTexts SplitPairEntry(const QString& entry, const QString& sepChar = DefaultSepChar);

// The entry as a person reads it: the separators taken out, so find, arrow and replace remain.
QString DisplayPairEntry(const QString& entry, const QString& sepChar = DefaultSepChar);

}  // namespace tralex
