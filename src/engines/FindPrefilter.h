#pragma once
// Telling, from a file's bytes alone, that no pair of a run can change it.
//
// While no pair matches, the text stays as it is, so no later pair can match either: a file can
// change only if one of the find texts occurs in it. When every find text is ASCII, it occurs in
// a UTF-8, Windows-31J or EUC-JP text only where its bytes occur in the file's bytes, so a file
// whose bytes hold none of them is passed over without being decoded. With the upper-case option
// the bytes are compared without ASCII case, and a file holding a character whose upper case is
// an ASCII letter (ı, ſ) is always looked at closely.
#include "engines/ByteSearch.h"
#include "engines/MultiSearch.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <vector>

namespace tralex {

class FindPrefilter {
public:
    FindPrefilter() = default;
    // The find texts of a run (as they will be looked for, CR LF and LF forms alike).
    FindPrefilter(const QStringList& finds, bool ucaseOption);

    // False only when none of the find texts can occur in the file.
    bool mayMatch(const QByteArray& bytes) const;
    // The same for a part of a file's bytes (its start looked at by the caller for a UTF-16
    // mark), and how many bytes before the part a find text can begin in and still reach into
    // it: a file given in parts also looks at each edge with that many bytes on either side.
    bool mayMatchIn(QByteArrayView bytes) const;
    qsizetype overlap() const { return mOverlap; }

private:
    bool mUsable = false;  // false when some find text is not ASCII: every file may match
    bool mUcase = false;
    qsizetype mOverlap = 0;
    std::vector<ByteFinder> mFinders;
    MultiSearch mAll;          // all of them at once, when there are many
    std::vector<ByteFinder> mTraps;
    QList<QByteArray> mFinds;  // the find texts' bytes
};

}  // namespace tralex
