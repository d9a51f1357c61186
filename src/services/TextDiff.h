#pragma once
// What differs between two versions of a text: the blocks of lines that differ (the shortest
// edit script between the two lists of lines), and within a changed line the characters that
// differ. Used to show what a replacement changes (before it is done, and afterwards against the
// backup).
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>

namespace tralex {

// A part of a text: [start, start + length) in UTF-16 units.
struct TextSpan {
    qsizetype start = 0;
    qsizetype length = 0;
    friend bool operator==(const TextSpan&, const TextSpan&) = default;
};

// One line that differs between two versions, with the parts that differ marked. A line only in
// the old text has an empty `after` and afterLine 0; one only in the new text the other way round.
struct ChangedLine {
    qint64 beforeLine = 0;  // its number in the old text, from 1; 0 when it is new
    qint64 afterLine = 0;   // its number in the new text, from 1; 0 when it was removed
    QString before;
    QString after;
    QList<TextSpan> beforeMarks;
    QList<TextSpan> afterMarks;
};

// Old lines [oldFirst, oldFirst + oldCount) stand where the new text has lines
// [newFirst, newFirst + newCount); the lines between blocks are the same in both.
struct LineBlock {
    qsizetype oldFirst = 0;
    qsizetype oldCount = 0;
    qsizetype newFirst = 0;
    qsizetype newCount = 0;
    friend bool operator==(const LineBlock&, const LineBlock&) = default;
};

// The lines of a text, split after each LF, CR LF or lone CR; the breaks are not kept. A text
// ending with a break has no empty last line.
QStringList SplitLines(QStringView text);

// The blocks that differ, in order. Beyond a few thousand differing lines the rest of the texts
// is given as one block, so that the time stays bounded.
QList<LineBlock> DiffLines(const QStringList& before, const QStringList& after);

// Marks the characters of line.before and line.after that differ.
void MarkDifferences(ChangedLine& line);
// Whether the line still wants its marks: it differs and none are set.
bool Unmarked(const ChangedLine& line);

// The lines that differ between two texts: the lines of each block paired in order, the marks
// set. At most `limit` are given (all when negative); `total`, when given, is set to how many
// there are in all.
QList<ChangedLine> ChangedLines(QStringView before, QStringView after, qsizetype limit,
                                qint64* total = nullptr);

// The same for two versions of a file's bytes in an encoding whose line breaks are the bytes LF
// and CR LF (not UTF-16), decoding only the lines given, by `decode`. With `linesKept` (the change
// neither removed nor added a line break, so that line i of one is line i of the other) the lines
// are compared place by place, in one pass without a table of lines. The lines come without
// marks: a preview gives the lines of thousands of files, of which a person looks at a few, and
// marking costs more than finding them; where a line is shown, MarkDifferences marks it.
QList<ChangedLine> ChangedByteLines(QByteArrayView before, QByteArrayView after, bool linesKept,
                                    qsizetype limit, qint64* total,
                                    const std::function<QString(QByteArrayView)>& decode);

// The same for two lists of texts of the same length that are compared place by place (the cells
// or paragraphs of an office file): each pair that differs is one changed line, numbered by its
// place from 1.
QList<ChangedLine> ChangedTexts(const QStringList& before, const QStringList& after, qsizetype limit,
                                qint64* total = nullptr);

}  // namespace tralex
