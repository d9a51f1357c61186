#include "services/TextDiff.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

using namespace tralex;

namespace {

// The new lines rebuilt from the old ones and the blocks: equal to the new text only when the
// blocks say exactly what differs.
QStringList applied(const QStringList& before, const QStringList& after, const QList<LineBlock>& blocks)
{
    QStringList result;
    qsizetype next = 0;
    for (const LineBlock& block : blocks) {
        result += before.mid(next, block.oldFirst - next);
        result += after.mid(block.newFirst, block.newCount);
        next = block.oldFirst + block.oldCount;
    }
    result += before.mid(next);
    return result;
}

// The texts a line's marks cover.
QStringList marked(const QString& text, const QList<TextSpan>& marks)
{
    QStringList parts;
    for (const TextSpan& mark : marks)
        parts << text.mid(mark.start, mark.length);
    return parts;
}

}  // namespace

TEST(TextDiff, BlocksRebuildTheNewLinesAndAreMinimal)
{
    struct Row {
        QStringList before;
        QStringList after;
        qsizetype differing;  // lines removed plus lines inserted, at the least
    };
    const QList<Row> rows = {
        {{}, {}, 0},
        {{"a", "b", "c"}, {"a", "b", "c"}, 0},
        {{"a", "b", "c"}, {"a", "x", "c"}, 2},
        {{"a", "b", "c"}, {"a", "c"}, 1},
        {{"a", "c"}, {"a", "b", "c"}, 1},
        {{"a", "b", "c", "a", "b", "b", "a"}, {"c", "b", "a", "b", "a", "c"}, 5},
        {{}, {"x", "y"}, 2},
        {{"x", "y"}, {}, 2},
    };
    for (const Row& row : rows) {
        const QList<LineBlock> blocks = DiffLines(row.before, row.after);
        EXPECT_EQ(applied(row.before, row.after, blocks), row.after) << row.before.join(',').toStdString();
        qsizetype edits = 0;
        for (const LineBlock& block : blocks)
            edits += block.oldCount + block.newCount;
        EXPECT_EQ(edits, row.differing) << row.before.join(',').toStdString();
    }
    // Random texts of few distinct lines: many equal lines in many places.
    QRandomGenerator random(7);
    for (int round = 0; round < 300; ++round) {
        QStringList a;
        QStringList b;
        for (int i = int(random.bounded(30)); i > 0; --i)
            a << QString::number(random.bounded(4));
        for (int i = int(random.bounded(30)); i > 0; --i)
            b << QString::number(random.bounded(4));
        EXPECT_EQ(applied(a, b, DiffLines(a, b)), b) << round;
    }
}

TEST(TextDiff, ChangedLinesPairTheLinesAndMarkWhatChanged)
{
    const QString before = QStringLiteral("一行目\r\nこれはペンです\r\n三行目\r\n四行目 cat and cat\r\n");
    const QString after = QStringLiteral("一行目\r\nこれは鉛筆です\r\n三行目\r\n四行目 dog and dog\r\n");
    qint64 total = 0;
    const QList<ChangedLine> lines = ChangedLines(before, after, -1, &total);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(total, 2);
    EXPECT_EQ(lines[0].beforeLine, 2);
    EXPECT_EQ(lines[0].afterLine, 2);
    EXPECT_EQ(marked(lines[0].before, lines[0].beforeMarks), QStringList{QStringLiteral("ペン")});
    EXPECT_EQ(marked(lines[0].after, lines[0].afterMarks), QStringList{QStringLiteral("鉛筆")});
    EXPECT_EQ(marked(lines[1].before, lines[1].beforeMarks), (QStringList{"cat", "cat"}));
    EXPECT_EQ(marked(lines[1].after, lines[1].afterMarks), (QStringList{"dog", "dog"}));

    // A limit keeps the first lines and still counts them all.
    const QList<ChangedLine> first = ChangedLines(before, after, 1, &total);
    ASSERT_EQ(first.size(), 1);
    EXPECT_EQ(first[0].beforeLine, 2);
    EXPECT_EQ(total, 2);

    // A line break replaced: the joined line stands against the two it came from.
    const QList<ChangedLine> joined = ChangedLines(u"a\nb\nc", u"a b\nc", -1, &total);
    ASSERT_EQ(joined.size(), 2);
    EXPECT_EQ(joined[0].after, QStringLiteral("a b"));
    EXPECT_EQ(joined[1].before, QStringLiteral("b"));
    EXPECT_EQ(joined[1].afterLine, 0);
}

TEST(TextDiff, MarksNeverCutASurrogatePair)
{
    // 𠮷 and 𠮟 share their first unit: the mark covers the whole character on both sides.
    ChangedLine line{1, 1, QStringLiteral("a𠮷b"), QStringLiteral("a𠮟b"), {}, {}};
    MarkDifferences(line);
    EXPECT_EQ(marked(line.before, line.beforeMarks), QStringList{QStringLiteral("𠮷")});
    EXPECT_EQ(marked(line.after, line.afterMarks), QStringList{QStringLiteral("𠮟")});
}

TEST(TextDiff, ChangedTextsCompareByPlace)
{
    qint64 total = 0;
    const QList<ChangedLine> lines = ChangedTexts({"Sheet1", "abc", "same"}, {"Sheet1", "aXc", "same"}, -1, &total);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(total, 1);
    EXPECT_EQ(lines[0].beforeLine, 2);
    EXPECT_EQ(marked(lines[0].after, lines[0].afterMarks), QStringList{"X"});
}

// Lines cut in the bytes and decoded one by one give what the decoded texts give: place by place
// when the lines are kept, else by the edit script.
TEST(TextDiff, ByteLinesAgreeWithTheDecodedTexts)
{
    const auto decode = [](QByteArrayView line) { return QString::fromUtf8(line); };
    const QStringList pieces = {"a", "b", "ガンマ", "", "c c", "x\r"};
    QRandomGenerator random(11);
    for (int round = 0; round < 300; ++round) {
        QStringList a;
        for (int i = int(random.bounded(12)); i > 0; --i)
            a << pieces.at(random.bounded(pieces.size()));
        QStringList b = a;
        const bool kept = round % 2 == 0;
        for (QString& line : b) {
            if (random.bounded(3) == 0)
                line = pieces.at(random.bounded(pieces.size()));
        }
        if (!kept && !b.isEmpty())
            b.removeAt(random.bounded(b.size()));
        // Every line ends with its break where the lines are kept, so that an empty last line
        // is a line on both sides.
        const QString before = a.join('\n') + (kept || random.bounded(2) ? "\n" : "");
        const QString after = b.join('\n') + "\n";
        const qsizetype limit = random.bounded(2) ? -1 : 3;
        qint64 wanted = 0;
        qint64 got = 0;
        const QList<ChangedLine> expected = kept ? ChangedTexts(SplitLines(before), SplitLines(after), limit, &wanted)
                                                 : ChangedLines(before, after, limit, &wanted);
        QList<ChangedLine> lines = ChangedByteLines(before.toUtf8(), after.toUtf8(), kept, limit, &got, decode);
        ASSERT_EQ(got, wanted) << round;
        ASSERT_EQ(lines.size(), expected.size()) << round;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            // Marked where shown, as the preview window does.
            if (Unmarked(lines[i]))
                MarkDifferences(lines[i]);
            EXPECT_EQ(lines[i].beforeLine, expected[i].beforeLine) << round;
            EXPECT_EQ(lines[i].afterLine, expected[i].afterLine) << round;
            EXPECT_EQ(lines[i].before, expected[i].before) << round;
            EXPECT_EQ(lines[i].after, expected[i].after) << round;
            EXPECT_EQ(lines[i].afterMarks, expected[i].afterMarks) << round;
        }
    }
}
