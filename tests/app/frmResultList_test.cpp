// The result list as the run command shows it: the numbered changed files of a real text run in a
// table, the files left unchanged in a block of their own, the list as text (copied or saved), a
// long list that stays usable, and the files opened and compared with their backups.
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTableView>

#include "app/SkippedFilesView.h"
#include "app/frmResultList.h"
#include "engines/clsTextTralex.h"
#include "platform/SettingsFolder.h"
#include "support/ModalAnswerer.h"
#include "support/ResultTable.h"
#include "support/TestFiles.h"

using namespace tralex;
using namespace tralex::test;

namespace {

class frmResultListTest : public ::testing::Test {
protected:
    void SetUp() override { OverrideSettingsFolder(settings.path()); }
    void TearDown() override
    {
        frmResultList::instance().setOpener({});
        OverrideSettingsFolder(QString());
    }

    RunResult engineWith(const QStringList& results, const QStringList& skipped)
    {
        RunResult result;
        result.changed = results;
        result.skipped = skipped;
        return result;
    }

    TempFolder settings;
};

// Shows the window with a run's lists and runs `step` on it before closing it.
void showAnd(RunResult result, const std::function<void(QWidget*)>& step)
{
    frmResultList& window = frmResultList::instance();
    window.setResult(std::move(result));
    ModalAnswerer answer;
    answer.then(QStringLiteral("frmResultList"), [&step](QWidget* w) {
        step(w);
        w->close();
    });
    window.Show();
    EXPECT_TRUE(answer.allAnswered());
    EXPECT_FALSE(window.isVisible());
}

// A real run over four text files and a binary one: three changed, one skipped.
RunResult realRun(const TempFolder& target)
{
    target.write(QStringLiteral("a.txt"), "abc\r\n");
    target.write(QStringLiteral("b.txt"), "x abc y");
    target.write(QStringLiteral("c.txt"), "nothing to find");
    target.write(QStringLiteral("d.txt"), "line 1\nabc abc\nline 3\n");
    target.write(QStringLiteral("e.txt"), QByteArray("abc\0def", 7));
    clsTextTralex engine;
    engine.setTargetPath(target.path());
    engine.setTargetType(QStringLiteral("txt"));
    engine.AddTarget(QStringLiteral("abc"), QStringLiteral("xyz"));
    engine.TralexGo();
    return engine.Result();
}

TEST_F(frmResultListTest, RealRunListsChangedFilesInOrderThenTheSkippedOnesWithTheirReasons)
{
    TempFolder target;
    const RunResult result = realRun(target);
    ASSERT_EQ(result.changed.size(), 3);
    ASSERT_EQ(result.skipped.size(), 1);
    const QString skippedEntry = result.skipped.first();
    ASSERT_TRUE(skippedEntry.startsWith(target.file(QStringLiteral("e.txt")) + QLatin1Char('\t')));

    const QStringList expected = {
        QStringLiteral("1:\t") + target.file(QStringLiteral("a.txt")), QStringLiteral("2:\t") + target.file(QStringLiteral("b.txt")),
        QStringLiteral("3:\t") + target.file(QStringLiteral("d.txt")), QString(), SkippedFilesView::Heading(1), skippedEntry};
    QApplication::clipboard()->clear();
    showAnd(result, [&](QWidget* w) {
        EXPECT_EQ(w->windowTitle(), QStringLiteral("置換の行われたファイル 一覧"));
        EXPECT_TRUE(w->isModal());
        EXPECT_EQ(resultLines(w), expected);
        // Changed files and skipped ones are in tables of their own: no skipped file can be taken
        // for a changed one.
        EXPECT_EQ(child<QTableView>(w, QStringLiteral("lstTarget"))->model()->rowCount(), 3);
        // The columns: number, path, replacements, encoding, backup (beside the file: its name).
        const QStringList rows = tableRows(child<QTableView>(w, QStringLiteral("lstTarget")));
        const QString backUp = QFileInfo(result.files[2].backUp).fileName();
        EXPECT_TRUE(backUp.startsWith(QLatin1String("Bk")) && backUp.endsWith(QLatin1String("_d.txt"))) << backUp.toStdString();
        EXPECT_EQ(rows[2], QStringLiteral("3\t%1\t2\tUTF-8\t%2").arg(target.file(QStringLiteral("d.txt")), backUp));
        click(w, QStringLiteral("cmdCopy"));
    });
    // The list as text, as it always read: copied whole.
    EXPECT_EQ(QApplication::clipboard()->text(), expected.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    EXPECT_EQ(frmResultList::ListLines(result), expected);
}

TEST_F(frmResultListTest, TheSkippedBlockAppearsOnlyWhenFilesWereSkipped)
{
    struct Case {
        QStringList results;
        QStringList skipped;
        QStringList lines;
    };
    const QString reason = QStringLiteral("/d/x.txt\t読み取れないため置換しませんでした");
    const QList<Case> cases = {
        {{QStringLiteral("/d/Bk202401010101_a.txt")}, {},
         {QStringLiteral("1:\t/d/Bk202401010101_a.txt")}},
        // Nothing changed: the block stands alone, without an empty line above it.
        {{}, {reason}, {SkippedFilesView::Heading(1), reason}},
        {{QStringLiteral("/d/a.txt"), QStringLiteral("/d/b.txt")}, {reason, reason},
         {QStringLiteral("1:\t/d/a.txt"), QStringLiteral("2:\t/d/b.txt"), QString(),
          SkippedFilesView::Heading(2), reason, reason}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines.join(QLatin1Char('|')).toStdString());
        showAnd(engineWith(c.results, c.skipped), [&](QWidget* w) {
            EXPECT_EQ(resultLines(w), c.lines);
            EXPECT_EQ(child<QWidget>(w, QStringLiteral("lstSkipped"))->isVisible(), !c.skipped.isEmpty());
            EXPECT_EQ(child<QWidget>(w, QStringLiteral("lstTarget"))->isVisible(), !c.results.isEmpty());
        });
        EXPECT_EQ(frmResultList::ListLines(engineWith(c.results, c.skipped)), c.lines);
    }
}

TEST_F(frmResultListTest, AHundredThousandRowsComeFromAModelAndTheScrollBarStaysInsideAResizedWindow)
{
    QStringList paths;
    for (int i = 1; i <= 100000; ++i)
        paths << QStringLiteral("/data/folder/file%1.txt").arg(i);
    showAnd(engineWith(paths, {}), [](QWidget* w) {
        auto* table = child<QTableView>(w, QStringLiteral("lstTarget"));
        ASSERT_EQ(table->model()->rowCount(), 100000);
        // Rows are not widgets: the window has the same few children whatever the list holds.
        EXPECT_LT(w->findChildren<QWidget*>().size(), 100);
        EXPECT_EQ(table->model()->index(99999, 1).data().toString(), QStringLiteral("/data/folder/file100000.txt"));
        for (const QSize size : {QSize(300, 160), QSize(900, 500)}) {
            w->resize(size);
            QCoreApplication::processEvents();
            QScrollBar* bar = table->verticalScrollBar();
            EXPECT_TRUE(bar->isVisible());
            const QPoint corner = bar->mapTo(w, QPoint(bar->width(), bar->height()));
            EXPECT_LE(corner.x(), w->width());
            EXPECT_LE(corner.y(), w->height());
        }
        table->scrollToBottom();
        EXPECT_EQ(table->verticalScrollBar()->value(), table->verticalScrollBar()->maximum());
        EXPECT_EQ(table->rowAt(table->viewport()->height() - 2), 99999);
    });
    frmResultList::instance().setResult({});
}

// Double-click and the row menu hand the file or its folder to the desktop (the desktop here is
// the test's opener); "バックアップと比較" shows the file beside its backup with the changed
// line marked, decoded in the file's encoding.
TEST_F(frmResultListTest, RowsOpenTheirFileOrFolderAndCompareWithTheirBackup)
{
    TempFolder target;
    const QByteArray before = QStringLiteral("一行目\r\n株式会社サンプル abc\r\n三行目\r\n").toUtf8();
    target.write(QStringLiteral("sub/s.txt"), iconvTo(QString::fromUtf8(before), "WINDOWS-31J"));
    clsTextTralex engine;
    engine.setTargetPath(target.path());
    engine.setTargetType(QStringLiteral("txt"));
    engine.setSubFolder(true);
    engine.AddTarget(QStringLiteral("abc"), QStringLiteral("xyz"));
    engine.TralexGo();
    RunResult result = engine.Result();
    ASSERT_EQ(result.changed.size(), 1);
    // A row without encoding (an office file) cannot be compared.
    result.changed << QStringLiteral("/d/book.xls");
    FileReport book;
    book.path = QStringLiteral("/d/book.xls");
    book.rawPath = "book.xls";
    book.absolutePath = "/d/book.xls";
    book.replacements = 3;
    result.files << book;

    QList<QUrl> opened;
    frmResultList::instance().setOpener([&opened](const QUrl& url) {
        opened << url;
        return true;
    });
    QStringList compared;
    showAnd(result, [&](QWidget* w) {
        auto* table = child<QTableView>(w, QStringLiteral("lstTarget"));
        EXPECT_EQ(tableRows(table).first().section(QLatin1Char('\t'), 3, 3), QStringLiteral("Shift_JIS"));
        table->setCurrentIndex(table->model()->index(1, 1));
        EXPECT_FALSE(child<QWidget>(w, QStringLiteral("cmdCompare"))->isEnabled());
        EXPECT_FALSE(w->findChild<QAction*>(QStringLiteral("mnuCompare"))->isEnabled());

        const QModelIndex first = table->model()->index(0, 1);
        table->setCurrentIndex(first);
        // A double click comes as a click, then the second press.
        const QPoint middle = table->visualRect(first).center();
        QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, middle);
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, middle);
        w->findChild<QAction*>(QStringLiteral("mnuOpenFolder"))->trigger();
        ModalAnswerer answer;
        answer.then(QStringLiteral("frmCompare"), [&](QWidget* c) {
            for (const char* pane : {"txtBackUp", "txtFile"}) {
                auto* text = child<QPlainTextEdit>(c, QString::fromLatin1(pane));
                compared << text->toPlainText();
                // The changed line is shaded and its changed characters marked.
                const QList<QTextEdit::ExtraSelection> marks = text->extraSelections();
                ASSERT_EQ(marks.size(), 2) << pane;
                EXPECT_EQ(marks[0].cursor.blockNumber(), 1);
                EXPECT_EQ(marks[1].cursor.selectedText(), QString::fromLatin1(pane[3] == 'B' ? "abc" : "xyz"));
            }
            c->close();
        });
        click(w, QStringLiteral("cmdCompare"));
        EXPECT_TRUE(answer.allAnswered());
    });
    const QString file = target.file(QStringLiteral("sub/s.txt"));
    EXPECT_EQ(opened, (QList<QUrl>{QUrl::fromLocalFile(file), QUrl::fromLocalFile(target.file(QStringLiteral("sub")))}));
    EXPECT_EQ(compared, (QStringList{QStringLiteral("一行目\n株式会社サンプル abc\n三行目"),
                                     QStringLiteral("一行目\n株式会社サンプル xyz\n三行目")}));
}

TEST_F(frmResultListTest, TheListSavesAsATextFileOfTheNumberedLines)
{
    TempFolder target;
    const RunResult result = engineWith({QStringLiteral("/d/a.txt"), QStringLiteral("/d/b.txt")},
                                        {QStringLiteral("/d/x.txt\t読み取れないため置換しませんでした")});
    const QString saved = target.file(QStringLiteral("list.txt"));
    showAnd(result, [&](QWidget* w) {
        ModalAnswerer answer;
        answer.then(QStringLiteral("frmDialogBox"), [&](QWidget* picker) {
            auto* name = child<QLineEdit>(picker, QStringLiteral("txtFileName"));
            name->clear();
            typeText(name, saved);
            click(picker, QStringLiteral("cmdOK"));
        });
        answer.then(QStringLiteral("Msg_Warning"), [](QWidget* m) { click(m, QStringLiteral("cmdOK")); });
        click(w, QStringLiteral("cmdSave"));
        EXPECT_TRUE(answer.allAnswered());
    });
    // Written as the program's own files are: Windows-31J where it fits, lines ending in CR LF.
    EXPECT_EQ(readBytes(saved), iconvTo(frmResultList::ListLines(result).join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"),
                                        "WINDOWS-31J"));
}

}  // namespace
