#include "services/basListFile.h"
#include "services/PairEntry.h"
#include "platform/ProgramError.h"
#include "support/TestFiles.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace tralex;
using tralex::test::TempFolder;
using tralex::test::readBytes;

namespace {

const QString US = QString(QChar(31));
const QString RS = QString(QChar(30));
const QByteArray Utf8Bom("\xEF\xBB\xBF");

QStringList entriesOf(const QList<ListPair>& pairs)
{
    QStringList entries;
    for (const ListPair& p : pairs)
        entries << BuildPairEntry(p.find, p.replace);
    return entries;
}

QList<ListPair> readBack(const TempFolder& t, const QByteArray& bytes)
{
    return ReadListFile(t.write(QStringLiteral("list.slt"), bytes));
}

}  // namespace

TEST(basListFile, RoundTripsInBothEncodings)
{
    struct Case {
        const char* name;
        QStringList finds, replaces;
        bool cp932;
    };
    const Case cases[] = {
        {"ascii", {"abc", "  x  "}, {"xyz", ""}, true},
        {"japanese", {"置換", "全角～"}, {"ちかん", "半角ｶﾅ"}, true},
        {"line breaks", {"a\r\nb"}, {"c\r\n"}, true},
        {"outside cp932", {"𠮷野家", "〜"}, {"😀", "ü"}, false},
        {"empty list", {}, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder t;
        QStringList entries;
        for (qsizetype i = 0; i < c.finds.size(); ++i)
            entries << BuildPairEntry(c.finds[i], c.replaces[i]);
        const QString path = t.file(QStringLiteral("new/sub/list.slt"));  // folders are made
        WriteListFile(path, entries);

        const QByteArray bytes = readBytes(path);
        EXPECT_EQ(bytes.startsWith(Utf8Bom), !c.cp932);
        EXPECT_TRUE(bytes.endsWith(RS.toLatin1() + "\r\n") || entries.isEmpty());
        if (entries.isEmpty()) {
            EXPECT_EQ(bytes, QByteArray("\r\n"));
        }
        EXPECT_EQ(entriesOf(ReadListFile(path)), entries);
    }
}

TEST(basListFile, AWindowsWrittenListLoadsExactlyAndSavesBackByteForByte)
{
    // 置換 -> ちかん, abc -> (empty), ～ (81 60) -> ー (81 5B): as the Windows program wrote them.
    const QByteArray arrow("\x20\x20\x81\xCB\x20\x20");
    const QByteArray windows = QByteArray("\x92\x75\x8A\xB7\x1F") + arrow + "\x1F\x82\xBF\x82\xA9\x82\xF1\x1F\x1E"
                               + "abc\x1F" + arrow + "\x1F\x1F\x1E"
                               + "\x81\x60\x1F" + arrow + "\x1F\x81\x5B\x1F\x1E\r\n";
    TempFolder t;
    const QList<ListPair> pairs = readBack(t, windows);
    ASSERT_EQ(pairs.size(), 3);
    EXPECT_EQ(pairs[0].find, QStringLiteral("置換"));
    EXPECT_EQ(pairs[0].replace, QStringLiteral("ちかん"));
    EXPECT_EQ(pairs[1].find, QStringLiteral("abc"));
    EXPECT_EQ(pairs[1].replace, QString());
    EXPECT_EQ(pairs[2].find, QStringLiteral("\uFF5E"));
    EXPECT_EQ(pairs[2].replace, QStringLiteral("ー"));

    const QString again = t.file(QStringLiteral("again.slt"));
    WriteListFile(again, entriesOf(pairs));
    EXPECT_EQ(readBytes(again), windows);
}

TEST(basListFile, LoadingTakesRecordsApartAsTheWindowsProgramDid)
{
    const QString A = US + QStringLiteral("=>") + US;  // the arrow field is never read back
    struct Case {
        const char* name;
        QString text;
        QStringList expected;  // find and replace, alternating
    };
    const Case cases[] = {
        {"two records", "a" + A + "b" + US + RS + "c" + A + "d" + US + RS + "\r\n", {"a", "b", "c", "d"}},
        {"blank finds dropped, untrimmed otherwise",
         A + "x" + US + RS + "   " + A + "y" + US + RS + " f " + A + " r " + US + RS + "\t" + A + RS,
         {" f ", " r ", "\t", ""}},
        {"empty records and blank lines hold no pair", RS + "a" + A + "b" + US + RS + "\r\n" + RS + "\r\n\r\n",
         {"a", "b"}},
        {"last record without its separator", "a" + A + "b" + US + RS + "c" + A + "d" + US, {"a", "b", "c", "d"}},
        {"only record without its separator", "a" + A + "b" + US + "\r\n", {"a", "b"}},
        {"replace field without its closing separator", "a" + A + "b" + RS + "c" + A + "d\r\n", {"a", "b", "c", "d"}},
        {"lone CR comes back as CR LF, lone LF stays", "a\rb\r\nc\nd" + A + "e\r" + US + RS,
         {"a\r\nb\r\nc\nd", "e\r\n"}},
        {"line break after each record", "a" + A + "b" + US + RS + "\r\nc" + A + "d" + US + RS + "\r\n",
         {"a", "b", "\r\nc", "d"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder t;
        QStringList got;
        for (const ListPair& p : readBack(t, c.text.toUtf8()))
            got << p.find << p.replace;
        EXPECT_EQ(got, c.expected);
        // The same text with a byte order mark reads the same.
        got.clear();
        for (const ListPair& p : readBack(t, Utf8Bom + c.text.toUtf8()))
            got << p.find << p.replace;
        EXPECT_EQ(got, c.expected);
    }
}

// A record that would load as another pair than the one written refuses the whole list, and the
// description names the line where that record starts.
TEST(basListFile, RecordsMissingASeparatorRefuseTheListNamingTheLine)
{
    const QString A = US + QStringLiteral("=>") + US;
    const QString good = "a" + A + "b" + US + RS;
    const struct {
        const char* name;
        QString text;
        int line;
    } cases[] = {
        {"no field separator", good + "\r\n" + "whole" + RS + "\r\n", 2},
        {"no replace field", good + "one" + US + "two" + RS + "\r\n", 1},
        {"a tab without separators", good + "\t" + RS + "\r\n", 1},
        {"text after the replace text", "a" + A + "b" + US + "c" + US + RS + "\r\n", 1},
        {"last record without any separator", good + "\r\n" + "\r\n" + "find only\r\n", 3},
        {"not a list at all", QStringLiteral("some notes\r\nabout pairs\r\n"), 1},
        {"lone CR and LF count as line ends", "x\ny" + A + "z" + US + RS + "\r" + "whole" + RS, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder t;
        try {
            readBack(t, c.text.toUtf8());
            ADD_FAILURE() << "the list loaded";
        } catch (const ProgramError& e) {
            EXPECT_TRUE(e.description().contains(QStringLiteral(" %1 行目").arg(c.line)))
                << e.description().toStdString();
        }
    }
}

TEST(basListFile, UnreadableFilesAreRefusedWithAJapaneseDescription)
{
    TempFolder t;
    const struct {
        const char* name;
        QString path;
    } cases[] = {
        {"missing", t.file(QStringLiteral("none.slt"))},
        {"a folder", t.mkdir(QStringLiteral("folder.slt"))},
        {"undecodable", t.write(QStringLiteral("bad.slt"), "a\x1F\x81\x20\x1F\x1E\xFF\r\n")},
        {"binary", t.write(QStringLiteral("zero.slt"), QByteArray("a\x1F\x1F\x1E", 4) + QByteArray(8, '\0'))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            ReadListFile(c.path);
            ADD_FAILURE() << "no error raised";
        } catch (const ProgramError& e) {
            EXPECT_TRUE(e.description().contains(QStringLiteral("リストファイル")));
        }
    }
}

TEST(basListFile, OnlyTextsWithoutTheSeparatorsAreStorable)
{
    EXPECT_TRUE(IsStorableListText(QStringLiteral("置換\r\n\t ")));
    EXPECT_TRUE(IsStorableListText(QString()));
    EXPECT_FALSE(IsStorableListText(QStringLiteral("a") + US));
    EXPECT_FALSE(IsStorableListText(RS + QStringLiteral("b")));
}

