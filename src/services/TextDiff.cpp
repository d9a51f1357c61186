#include "services/TextDiff.h"

#include <QHash>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace tralex {

namespace {

// How many differing lines, and characters within a line, the shortest edit script is looked for
// before the rest counts as one difference: the work grows with the square of that number.
constexpr qsizetype MaxLineEdits = 2000;
constexpr qsizetype MaxCharacterEdits = 200;

using Symbols = std::vector<quint64>;

// One edit of a script: where it starts (x old elements and y new ones before it), and whether
// it inserts the new element y (otherwise it removes the old element x).
struct Edit {
    qsizetype x;
    qsizetype y;
    bool insert;
};

// Myers' shortest edit script from a[from, from + n) to b[from, from + m); nothing when it needs
// more than maxEdits edits.
std::optional<std::vector<Edit>> shortestScript(const Symbols& a, const Symbols& b, qsizetype from,
                                                qsizetype n, qsizetype m, qsizetype maxEdits)
{
    const qsizetype limit = std::min(n + m, maxEdits);
    const qsizetype offset = limit + 1;
    std::vector<qsizetype> v(size_t(2 * limit + 3), 0);
    // The rows of v after each round d, over the diagonals -d - 1 .. d + 1, one after the other:
    // row d begins at d * (d + 2).
    std::vector<qsizetype> trace;
    qsizetype found = -1;
    for (qsizetype d = 0; d <= limit && found < 0; ++d) {
        for (qsizetype k = -d; k <= d; k += 2) {
            qsizetype x = (k == -d || (k != d && v[size_t(offset + k - 1)] < v[size_t(offset + k + 1)]))
                              ? v[size_t(offset + k + 1)]
                              : v[size_t(offset + k - 1)] + 1;
            qsizetype y = x - k;
            while (x < n && y < m && a[size_t(from + x)] == b[size_t(from + y)]) {
                ++x;
                ++y;
            }
            v[size_t(offset + k)] = x;
            if (x >= n && y >= m) {
                found = d;
                break;
            }
        }
        trace.insert(trace.end(), v.begin() + (offset - d - 1), v.begin() + (offset + d + 2));
    }
    if (found < 0)
        return std::nullopt;
    std::vector<Edit> edits;
    qsizetype x = n;
    qsizetype y = m;
    for (qsizetype d = found; d > 0; --d) {
        const qsizetype* row = trace.data() + (d - 1) * (d + 1);
        const auto at = [row, d](qsizetype k) { return row[k + d]; };
        const qsizetype k = x - y;
        const bool insert = k == -d || (k != d && at(k - 1) < at(k + 1));
        const qsizetype prevK = insert ? k + 1 : k - 1;
        x = at(prevK);
        y = x - prevK;
        edits.push_back({x, y, insert});
    }
    std::reverse(edits.begin(), edits.end());
    return edits;
}

// The blocks of a script: neighbouring edits with no equal element between them make one.
QList<LineBlock> blocksOf(const std::vector<Edit>& edits, qsizetype from)
{
    QList<LineBlock> blocks;
    qsizetype x = 0;
    qsizetype y = 0;
    for (const Edit& edit : edits) {
        if (blocks.isEmpty() || edit.x != x || edit.y != y)
            blocks.append({from + edit.x, 0, from + edit.y, 0});
        LineBlock& block = blocks.last();
        if (edit.insert) {
            ++block.newCount;
            x = edit.x;
            y = edit.y + 1;
        } else {
            ++block.oldCount;
            x = edit.x + 1;
            y = edit.y;
        }
    }
    return blocks;
}

// The blocks that differ between two sequences: the common start and end are passed over, and
// past maxEdits edits the middle counts as one block.
QList<LineBlock> diff(const Symbols& a, const Symbols& b, qsizetype maxEdits)
{
    const qsizetype sizeA = qsizetype(a.size());
    const qsizetype sizeB = qsizetype(b.size());
    qsizetype from = 0;
    while (from < sizeA && from < sizeB && a[size_t(from)] == b[size_t(from)])
        ++from;
    qsizetype tail = 0;
    while (tail < sizeA - from && tail < sizeB - from
           && a[size_t(sizeA - 1 - tail)] == b[size_t(sizeB - 1 - tail)])
        ++tail;
    const qsizetype n = sizeA - from - tail;
    const qsizetype m = sizeB - from - tail;
    if (n == 0 && m == 0)
        return {};
    if (const auto edits = shortestScript(a, b, from, n, m, maxEdits))
        return blocksOf(*edits, from);
    return {LineBlock{from, n, from, m}};
}

// The lines of bytes, split after each LF; a CR before it stays in the line.
QList<QByteArrayView> byteLines(QByteArrayView bytes)
{
    QList<QByteArrayView> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype end = bytes.indexOf('\n', start);
        const qsizetype next = end < 0 ? bytes.size() : end + 1;
        lines.append(bytes.sliced(start, next - start));
        start = next;
    }
    return lines;
}

// A line without its break: lines compare so, as the lines of a decoded text do.
QByteArrayView withoutBreak(QByteArrayView line)
{
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

QString shownLine(QByteArrayView line, const std::function<QString(QByteArrayView)>& decode)
{
    return decode(withoutBreak(line));
}

ChangedLine changedLine(qint64 beforeLine, QString before, qint64 afterLine, QString after)
{
    return ChangedLine{beforeLine, afterLine, std::move(before), std::move(after), {}, {}};
}

// How many bytes the two begin with alike.
qsizetype sameBytes(QByteArrayView x, QByteArrayView y)
{
    const qsizetype size = std::min(x.size(), y.size());
    constexpr qsizetype Chunk = 64;
    qsizetype i = 0;
    while (i + Chunk <= size && std::memcmp(x.data() + i, y.data() + i, Chunk) == 0)
        i += Chunk;
    while (i < size && x[i] == y[i])
        ++i;
    return i;
}

// How many line breaks the bytes hold.
qint64 lineBreaks(QByteArrayView bytes)
{
    qint64 count = 0;
    for (const char* at = bytes.data(), *end = at + bytes.size();;) {
        at = static_cast<const char*>(std::memchr(at, '\n', size_t(end - at)));
        if (!at)
            return count;
        ++count;
        ++at;
    }
}

// Room for the lines shown, when they are a few, so that the list is not moved as it grows.
void reserveShown(QList<ChangedLine>& lines, qsizetype limit)
{
    if (limit >= 0 && limit <= 100)
        lines.reserve(limit);
}

// Lines that correspond place by place: compared in one pass; nothing when the numbers of lines
// differ after all.
std::optional<QList<ChangedLine>> changedKeptLines(QByteArrayView before, QByteArrayView after,
                                                   qsizetype limit, qint64& total,
                                                   const std::function<QString(QByteArrayView)>& decode)
{
    QList<ChangedLine> lines;
    reserveShown(lines, limit);
    total = 0;
    qsizetype a = 0;
    qsizetype b = 0;
    qint64 number = 1;  // of the line that begins at a; counted only while lines are shown
    for (;;) {
        // The lines before the first byte that differs are the same: passed over at once, back
        // to the start of the line that holds that byte.
        const qsizetype same = sameBytes(before.sliced(a), after.sliced(b));
        if (a + same == before.size() && b + same == after.size())
            break;
        const QByteArrayView sameLines = before.sliced(a, same);
        const qsizetype lastBreak = sameLines.lastIndexOf('\n');
        const qsizetype skipped = lastBreak < 0 ? 0 : lastBreak + 1;
        const bool shown = limit < 0 || lines.size() < limit;
        if (shown)
            number += lineBreaks(sameLines.first(skipped));
        a += skipped;
        b += skipped;
        if (a >= before.size() || b >= after.size())
            return std::nullopt;
        const qsizetype endA = before.indexOf('\n', a);
        const qsizetype endB = after.indexOf('\n', b);
        const qsizetype nextA = endA < 0 ? before.size() : endA + 1;
        const qsizetype nextB = endB < 0 ? after.size() : endB + 1;
        const QByteArrayView lineA = before.sliced(a, nextA - a);
        const QByteArrayView lineB = after.sliced(b, nextB - b);
        if (withoutBreak(lineA) != withoutBreak(lineB)) {
            ++total;
            if (shown)
                lines.append(changedLine(number, shownLine(lineA, decode), number, shownLine(lineB, decode)));
        }
        a = nextA;
        b = nextB;
        ++number;
    }
    return lines;
}

Symbols charactersOf(QStringView text)
{
    Symbols symbols;
    symbols.reserve(size_t(text.size()));
    for (const QChar c : text)
        symbols.push_back(c.unicode());
    return symbols;
}

// The marks of the characters that differ, on each side, with each mark widened to whole
// surrogate pairs.
QList<TextSpan> widened(QList<TextSpan> marks, QStringView text)
{
    for (TextSpan& mark : marks) {
        if (mark.start > 0 && mark.start < text.size() && text.at(mark.start).isLowSurrogate()) {
            --mark.start;
            ++mark.length;
        }
        const qsizetype end = mark.start + mark.length;
        if (end > 0 && end < text.size() && text.at(end - 1).isHighSurrogate())
            ++mark.length;
    }
    return marks;
}

// The lines of one block paired in order, as changed lines with their marks.
void appendBlock(QList<ChangedLine>& lines, const LineBlock& block, const QStringList& before,
                 const QStringList& after, qsizetype limit, qint64& total)
{
    const qsizetype rows = std::max(block.oldCount, block.newCount);
    total += rows;
    for (qsizetype i = 0; i < rows && (limit < 0 || lines.size() < limit); ++i) {
        ChangedLine line;
        if (i < block.oldCount) {
            line.beforeLine = block.oldFirst + i + 1;
            line.before = before.at(block.oldFirst + i);
        }
        if (i < block.newCount) {
            line.afterLine = block.newFirst + i + 1;
            line.after = after.at(block.newFirst + i);
        }
        MarkDifferences(line);
        lines.append(std::move(line));
    }
}

}  // namespace

QStringList SplitLines(QStringView text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\n') && c != QLatin1Char('\r'))
            continue;
        lines.append(text.mid(start, i - start).toString());
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start).toString());
    return lines;
}

QList<LineBlock> DiffLines(const QStringList& before, const QStringList& after)
{
    // Equal lines get the same number, so that lines compare as numbers.
    QHash<QString, quint32> numbers;
    numbers.reserve(before.size() + after.size());
    const auto number = [&numbers](const QStringList& lines) {
        Symbols symbols;
        symbols.reserve(size_t(lines.size()));
        for (const QString& line : lines) {
            auto found = numbers.constFind(line);
            if (found == numbers.cend())
                found = numbers.insert(line, quint32(numbers.size()));
            symbols.push_back(*found);
        }
        return symbols;
    };
    const Symbols a = number(before);
    const Symbols b = number(after);
    return diff(a, b, MaxLineEdits);
}

void MarkDifferences(ChangedLine& line)
{
    line.beforeMarks.clear();
    line.afterMarks.clear();
    // The common start and end are passed over here, so that only the part between them is
    // made into symbols.
    const QStringView before(line.before);
    const QStringView after(line.after);
    qsizetype from = 0;
    while (from < before.size() && from < after.size() && before[from] == after[from])
        ++from;
    qsizetype tail = 0;
    while (tail < before.size() - from && tail < after.size() - from
           && before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;
    const QStringView middleBefore = before.sliced(from, before.size() - from - tail);
    const QStringView middleAfter = after.sliced(from, after.size() - from - tail);
    for (const LineBlock& block : diff(charactersOf(middleBefore), charactersOf(middleAfter), MaxCharacterEdits)) {
        if (block.oldCount > 0)
            line.beforeMarks.append({from + block.oldFirst, block.oldCount});
        if (block.newCount > 0)
            line.afterMarks.append({from + block.newFirst, block.newCount});
    }
    line.beforeMarks = widened(line.beforeMarks, line.before);
    line.afterMarks = widened(line.afterMarks, line.after);
}

bool Unmarked(const ChangedLine& line)
{
    return line.beforeMarks.isEmpty() && line.afterMarks.isEmpty() && line.before != line.after;
}

QList<ChangedLine> ChangedLines(QStringView before, QStringView after, qsizetype limit, qint64* total)
{
    const QStringList oldLines = SplitLines(before);
    const QStringList newLines = SplitLines(after);
    QList<ChangedLine> lines;
    qint64 count = 0;
    for (const LineBlock& block : DiffLines(oldLines, newLines))
        appendBlock(lines, block, oldLines, newLines, limit, count);
    if (total)
        *total = count;
    return lines;
}

QList<ChangedLine> ChangedByteLines(QByteArrayView before, QByteArrayView after, bool linesKept,
                                    qsizetype limit, qint64* total,
                                    const std::function<QString(QByteArrayView)>& decode)
{
    qint64 count = 0;
    if (linesKept) {
        if (std::optional<QList<ChangedLine>> lines = changedKeptLines(before, after, limit, count, decode)) {
            if (total)
                *total = count;
            return *lines;
        }
    }
    // Lines compare by their hashes; only the lines shown are decoded.
    const QList<QByteArrayView> oldLines = byteLines(before);
    const QList<QByteArrayView> newLines = byteLines(after);
    const auto hashed = [](const QList<QByteArrayView>& lines) {
        Symbols symbols;
        symbols.reserve(size_t(lines.size()));
        for (const QByteArrayView line : lines)
            symbols.push_back(qHash(withoutBreak(line), 0x7A11u));
        return symbols;
    };
    QList<ChangedLine> lines;
    reserveShown(lines, limit);
    for (const LineBlock& block : diff(hashed(oldLines), hashed(newLines), MaxLineEdits)) {
        const qsizetype rows = std::max(block.oldCount, block.newCount);
        count += rows;
        for (qsizetype i = 0; i < rows && (limit < 0 || lines.size() < limit); ++i) {
            const bool old = i < block.oldCount;
            const bool now = i < block.newCount;
            lines.append(changedLine(old ? block.oldFirst + i + 1 : 0,
                                     old ? shownLine(oldLines.at(block.oldFirst + i), decode) : QString(),
                                     now ? block.newFirst + i + 1 : 0,
                                     now ? shownLine(newLines.at(block.newFirst + i), decode) : QString()));
        }
    }
    if (total)
        *total = count;
    return lines;
}

QList<ChangedLine> ChangedTexts(const QStringList& before, const QStringList& after, qsizetype limit,
                                qint64* total)
{
    QList<ChangedLine> lines;
    qint64 count = 0;
    const qsizetype size = std::max(before.size(), after.size());
    for (qsizetype i = 0; i < size; ++i) {
        const QString old = before.value(i);
        const QString now = after.value(i);
        if (old == now)
            continue;
        ++count;
        if (limit >= 0 && lines.size() >= limit)
            continue;
        ChangedLine line{i + 1, i + 1, old, now, {}, {}};
        MarkDifferences(line);
        lines.append(std::move(line));
    }
    if (total)
        *total = count;
    return lines;
}

}  // namespace tralex
