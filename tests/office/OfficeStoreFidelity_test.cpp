// What a stored workbook or document holds after a run: the pairs' matches replaced and nothing
// else changed, and no text cut short by a format that cannot hold it. A file that would lose
// text is left as it was and reported.
#include "engines/office/clsExcelControl.h"
#include "engines/office/clsWordControl.h"
#include "office/support/OfficeFixtures.h"
#include "platform/office/OfficeDocument.h"
#include "platform/office/OfficeTextDocument.h"
#include "platform/office/OfficeWorkbook.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

using namespace tralex;
using namespace tralex::test;

namespace {

const QString Alpha = QStringLiteral("アルファ");

}  // namespace

// Each workbook holds A1, a sheet name and a header that a pair lengthens; what the format can
// hold decides whether the file is stored. Excel's formats hold 255 characters in a header, codes
// for fields included: a header whose text fits but whose page-number field does not is stored
// cut short in .xls, and the stored copy does not read back as written.
TEST(ExcelEngineLimits, TextTheFormatCannotHoldLeavesTheFileAsItWas)
{
    struct Case {
        const char* type;
        QString cellA1;
        QString find;
        QString replace;
        QString reason;  // empty: stored
    };
    const QString longCell = QString(32760, QLatin1Char('x')) + Alpha;
    const QString cutCell = QStringLiteral("セルの文字数が形式の上限を超えます");
    const QString longName = QStringLiteral("シート名が形式の上限を超えます");
    const QString longReplace = QString(30, QLatin1Char('y'));  // a sheet name of 32
    const QString longerCell = QString(20, QLatin1Char('z'));  // a cell of 32,780
    const QString estimate = QStringLiteral("見積");
    const QString longHeader = QString(300, QLatin1Char('h'));
    const QString fullHeader = QString(249, QLatin1Char('f'));  // "アルファ ", 249 and the page number: 255
    const QString longPageText = QStringLiteral("ヘッダーまたはフッターの文字数が形式の上限を超えます");
    const QString notReadBack = QStringLiteral("保存した内容を読み返すと置換結果と一致しません");
    const QList<Case> cases = {
        {"xlsx", longCell, Alpha, longerCell, cutCell},
        {"xls", longCell, Alpha, longerCell, cutCell},
        {"ods", longCell, Alpha, longerCell, QString()},
        {"xlsx", Alpha, Alpha, longReplace, longName},
        {"xls", Alpha, Alpha, longReplace, longName},
        {"ods", Alpha, Alpha, longReplace, QString()},
        {"xlsx", Alpha, Alpha, QStringLiteral("a/b"), QStringLiteral("シート名に使えない文字が含まれます")},
        {"xlsx", Alpha, estimate, longHeader, longPageText},
        {"xls", Alpha, estimate, longHeader, longPageText},
        {"xls", Alpha, estimate, fullHeader, notReadBack},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + c.replace.left(5).toStdString());
        TempFolder dir;
        const QString path = dir.file(QStringLiteral("a.") + QLatin1String(c.type));
        clsExcelControl engine;
        MakeWorkbook(engine.Application(), path, QStringLiteral("フッタ"), c.cellA1);
        const QByteArray old = readBytes(path);
        Configure(engine, dir.path(), QLatin1String(c.type), {{c.find, c.replace}});

        engine.TralexGo();

        if (c.reason.isEmpty()) {
            ASSERT_EQ(engine.CountResult(), 1) << engine.ItemSkipped()->items().join(u'\n').toStdString();
            auto document = Retried(engine.Application(), [&] { return engine.Application().Open(path); });
            OfficeWorkbook book(*document);
            EXPECT_EQ(book.CellText(0, 0, 0), QString(c.cellA1).replace(Alpha, c.replace));
            EXPECT_EQ(book.SheetName(1), c.replace + QStringLiteral("集計"));
        } else {
            EXPECT_EQ(engine.CountResult(), 0);
            EXPECT_EQ(SkipReason(engine, QStringLiteral("a.") + QLatin1String(c.type)).toStdString(), c.reason.toStdString());
            EXPECT_TRUE(readBytes(path) == old) << "the file changed";
            EXPECT_EQ(NamesIn(dir.path()).size(), 1);
        }
    }
}

// The pairs reach formulas too (here texts in quotes): a formula they lengthen past the 8,192
// characters Excel accepts leaves the file as it was in Excel's formats.
TEST(ExcelEngineLimits, FormulaLongerThanExcelAcceptsLeavesTheFileAsItWas)
{
    // =LEN("アルファ")+... with `terms` such terms, then +1000000000 and +9... up to `length`
    // characters after "=".
    const auto formula = [](int length, int terms) {
        const QString term = QStringLiteral("LEN(\"%1\")").arg(Alpha);
        QString text = term;
        for (int i = 1; i < terms; ++i)
            text += QLatin1Char('+') + term;
        while (text.size() + 11 + 2 <= length)
            text += QStringLiteral("+1000000000");
        return QLatin1Char('=') + text + QLatin1Char('+') + QString(length - text.size() - 1, QLatin1Char('9'));
    };
    struct Case {
        const char* type;
        int length, terms;
        QString replace;
        bool stored;
    };
    const QString fits = QStringLiteral("ベータ12");  // 8,192 characters
    const QString tooLong = QStringLiteral("ベータ123");
    // LibreOffice stores a formula of some thousands of characters as =NA() in .xls (which the
    // read-back check finds): the file starts shorter there, with 200 matches that each grow by 28.
    const QList<Case> cases = {{"xlsx", 8191, 1, fits, true},
                               {"xlsx", 8191, 1, tooLong, false},
                               {"xls", 3000, 200, QString(32, QLatin1Char('x')), false},
                               {"ods", 8191, 1, tooLong, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + c.replace.left(6).toStdString());
        TempFolder dir;
        const QString path = dir.file(QStringLiteral("a.") + QLatin1String(c.type));
        clsExcelControl engine;
        const QString written = formula(c.length, c.terms);
        MakeWorkbookWithFormula(engine.Application(), path, written);
        const QByteArray old = readBytes(path);
        Configure(engine, dir.path(), QLatin1String(c.type), {{Alpha, c.replace}});

        engine.TralexGo();

        if (c.stored) {
            ASSERT_EQ(engine.CountResult(), 1) << engine.ItemSkipped()->items().join(u'\n').toStdString();
            auto document = Retried(engine.Application(), [&] { return engine.Application().Open(path); });
            EXPECT_EQ(OfficeWorkbook(*document).CellTexts(0, {0, 0, 0, 0}), QStringList(QString(written).replace(Alpha, c.replace)));
        } else {
            EXPECT_EQ(engine.CountResult(), 0);
            EXPECT_EQ(SkipReason(engine, QStringLiteral("a.") + QLatin1String(c.type)).toStdString(),
                      std::string("数式の文字数が形式の上限を超えます"));
            EXPECT_TRUE(readBytes(path) == old) << "the file changed";
        }
    }
}

// The headings are reference fields and the document has a table of contents. The stored file
// keeps the text the reference fields showed (another program shows what the file holds), while
// the words in the body are replaced.
TEST(WordEngineFields, ReferenceFieldsKeepTheTextTheyShowed)
{
    for (const char* type : {"odt", "docx", "doc"}) {
        SCOPED_TRACE(type);
        TempFolder dir;
        const QString path = dir.file(QStringLiteral("a.") + QLatin1String(type));
        clsWordControl engine;
        MakeDocumentWithReferences(engine.Application(), path);
        Configure(engine, dir.path(), QLatin1String(type),
                  {{QStringLiteral("Page"), QStringLiteral("Pg")}, {Alpha, QStringLiteral("ベータ")}});

        engine.TralexGo();

        ASSERT_EQ(engine.CountResult(), 1) << engine.ItemSkipped()->items().join(u'\n').toStdString();
        const QString stored = ReadBack(path);
        EXPECT_TRUE(stored.contains(QStringLiteral("ベータの "))) << stored.toStdString();
        EXPECT_FALSE(stored.contains(QStringLiteral("アルファの ")));
        // The body's own words read "draw.Pg" now: only the heading shows "draw.Page".
        EXPECT_TRUE(stored.contains(QStringLiteral("draw.Page"))) << stored.toStdString();
        EXPECT_TRUE(stored.contains(QStringLiteral("アルファ章"))) << stored.toStdString();
    }
}

// Bookmarks (in the body and in a header, and a reference mark, kept as a bookmark by Word's
// formats) that begin or end in a replaced word keep covering it, the reference fields that show
// their text keep the text they showed, and nothing but the matches changes. Each reference sits in
// a heading that holds a match too: LibreOffice would update the fields of every paragraph it
// replaces in, from the bookmarks as replace-all leaves them (cut short, or empty). It works out a
// .doc file's references from their bookmarks when it opens the file: there, the headings show the
// bookmarks' new text, while the file itself keeps the old one.
TEST(WordEngineFields, BookmarksKeepCoveringTheirReplacedTextAndReferencesTheirOldText)
{
    const QList<std::pair<QString, QString>> pairs = {{QStringLiteral("Page"), QStringLiteral("Pg")},
                                                      {Alpha, QStringLiteral("ベータ")}};
    const auto replaced = [&](QString text) {
        for (const auto& [find, replace] : pairs)
            text.replace(find, replace);
        return text;
    };
    for (const char* type : {"odt", "docx", "doc"}) {
        SCOPED_TRACE(type);
        TempFolder dir;
        const QString path = dir.file(QStringLiteral("a.") + QLatin1String(type));
        clsWordControl engine;
        MakeDocumentWithMarks(engine.Application(), path);
        const QMap<QString, QString> marks = MarkedTexts(engine.Application(), path);
        ASSERT_EQ(marks.value(QStringLiteral("end")), QStringLiteral("draw.Page")) << "the fixture lacks its bookmarks";
        const QStringList lines = ShownText(engine.Application(), path).split(u'\n');
        Configure(engine, dir.path(), QLatin1String(type), pairs);

        engine.TralexGo();

        ASSERT_EQ(engine.CountResult(), 1) << engine.ItemSkipped()->items().join(u'\n').toStdString();
        const QMap<QString, QString> marksAfter = MarkedTexts(engine.Application(), path);
        EXPECT_EQ(marksAfter.keys(), marks.keys());
        for (auto it = marks.begin(); it != marks.end(); ++it)
            EXPECT_EQ(marksAfter.value(it.key()).toStdString(), replaced(it.value()).toStdString()) << it.key().toStdString();
        // Each marked paragraph is followed by the heading that refers to its mark.
        const QString headingStart = Alpha + QStringLiteral(": ");
        QStringList expected = lines;
        for (qsizetype i = 1; i + 1 < lines.size(); i += 2) {
            expected[i] = replaced(lines.at(i));
            ASSERT_TRUE(lines.at(i + 1).startsWith(headingStart)) << lines.at(i + 1).toStdString();
            const QString shown = lines.at(i + 1).mid(headingStart.size());
            expected[i + 1] = replaced(headingStart) + (QLatin1String(type) == QLatin1String("doc") ? replaced(shown) : shown);
        }
        EXPECT_EQ(ShownText(engine.Application(), path).toStdString(), expected.join(u'\n').toStdString());
        const QString stored = ReadBack(path);
        for (const QString& old : marks)
            EXPECT_TRUE(stored.contains(old)) << old.toStdString() << " not kept by its reference";
    }
}

// A line of a table of contents is text the reader sees: a match in it is replaced as in the
// heading it lists (Word's own replace-all does the same in .doc and .docx), while the table
// itself is not made anew: it lists what it listed, with the same page numbers, and stays
// protected from editing in .odt.
TEST(WordEngineFields, TablesOfContentsHaveTheirMatchesReplacedAndAreNotMadeAnew)
{
    const QList<std::pair<QString, QString>> pairs = {{QStringLiteral("Page"), QStringLiteral("Pg")},
                                                      {Alpha, QStringLiteral("ベータ")}};
    for (const char* type : {"odt", "docx", "doc"}) {
        SCOPED_TRACE(type);
        TempFolder dir;
        const QString path = dir.file(QStringLiteral("a.") + QLatin1String(type));
        clsWordControl engine;
        MakeDocumentWithContents(engine.Application(), path);
        const QString before = ShownText(engine.Application(), path);
        ASSERT_TRUE(before.contains(QStringLiteral("draw.Page 説明\t1"))) << before.toStdString();
        Configure(engine, dir.path(), QLatin1String(type), pairs);

        engine.TralexGo();

        ASSERT_EQ(engine.CountResult(), 1) << engine.ItemSkipped()->items().join(u'\n').toStdString();
        QString expected = before;
        for (const auto& [find, replace] : pairs)
            expected.replace(find, replace);
        EXPECT_EQ(ShownText(engine.Application(), path).toStdString(), expected.toStdString());
        if (QLatin1String(type) == QLatin1String("odt")) {
            EXPECT_TRUE(ReadBack(path).contains(QStringLiteral("text:protected=\"true\"")));
        }
    }
}
