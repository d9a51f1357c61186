// The preview window on a real preview of text files: every file ticked at first, ticks that
// choose exactly the files handed back for replacing, the changed lines of the chosen file with
// the found and the replacing text marked, and the files a run would skip in their own block.
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTextBlock>

#include "app/ChangedLinesView.h"
#include "app/SkippedFilesView.h"
#include "app/frmPreview.h"
#include "engines/clsTextTralex.h"
#include "support/ModalAnswerer.h"
#include "support/ResultTable.h"
#include "support/TestFiles.h"

using namespace tralex;
using namespace tralex::test;

namespace {

RunResult previewOf(const TempFolder& target)
{
    clsTextTralex engine;
    engine.setTargetPath(target.path());
    engine.setTargetType(QStringLiteral("txt"));
    engine.AddTarget(QStringLiteral("abc"), QStringLiteral("xyz"));
    engine.setPreview(true);
    engine.TralexGo();
    return engine.Result();
}

// The texts of a changed-lines view marked in a colour.
QStringList markedIn(QPlainTextEdit* view, const QColor& colour)
{
    QStringList marked;
    for (QTextBlock block = view->document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().background().color() == colour)
                marked << it.fragment().text();
        }
    }
    return marked;
}

// Ticks or unticks a row as a person does with the keyboard: the row's box made current, then
// the space bar.
void toggle(QTableView* table, int row)
{
    table->setCurrentIndex(table->model()->index(row, 0));
    QTest::keyClick(table, Qt::Key_Space);
}

TEST(frmPreviewTest, TicksChooseExactlyTheFilesHandedBackForReplacing)
{
    TempFolder target;
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"})
        target.write(QString::fromLatin1(name), "x abc y\n");
    target.write(QStringLiteral("e.txt"), QByteArray("abc\0def", 7));
    const RunResult result = previewOf(target);
    ASSERT_EQ(result.changed.size(), 4);

    frmPreview window(result);
    window.show();
    auto* table = child<QTableView>(&window, QStringLiteral("lstFiles"));
    auto* replace = child<QPushButton>(&window, QStringLiteral("cmdReplace"));
    auto* ticked = child<QLabel>(&window, QStringLiteral("lblTicked"));
    const auto ticks = [table] {
        QList<bool> states;
        for (int row = 0; row < table->model()->rowCount(); ++row)
            states << (table->model()->index(row, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked);
        return states;
    };
    EXPECT_EQ(ticks(), (QList<bool>{true, true, true, true}));
    EXPECT_EQ(tableRows(table)[1], QStringLiteral("2\t%1\t1\tUTF-8").arg(target.file(QStringLiteral("b.txt"))));
    EXPECT_EQ(ticked->text(), QStringLiteral("4件中 4件を選択"));
    // The binary file is in the block of skipped files, with its reason.
    EXPECT_EQ(child<QLabel>(&window, QStringLiteral("lblSkipped"))->text(), SkippedFilesView::Heading(1));
    EXPECT_TRUE(tableRows(child<QTableView>(&window, QStringLiteral("lstSkipped")))[0].startsWith(target.file(QStringLiteral("e.txt")) + QLatin1Char('\t')));

    click(&window, QStringLiteral("cmdUntickAll"));
    EXPECT_EQ(ticks(), (QList<bool>{false, false, false, false}));
    EXPECT_FALSE(replace->isEnabled());
    click(&window, QStringLiteral("cmdTickAll"));
    toggle(table, 1);
    toggle(table, 3);
    toggle(table, 3);
    EXPECT_EQ(ticks(), (QList<bool>{true, false, true, true}));
    EXPECT_EQ(ticked->text(), QStringLiteral("4件中 3件を選択"));
    ASSERT_TRUE(replace->isEnabled());
    click(&window, QStringLiteral("cmdReplace"));
    EXPECT_EQ(window.result(), QDialog::Accepted);
    QStringList chosen;
    for (const FileReport& report : window.Chosen()) {
        chosen << report.path;
        // The reports are the preview's own, with what it read, for the run to check.
        EXPECT_TRUE(report.read.has_value());
    }
    EXPECT_EQ(chosen, (QStringList{target.file(QStringLiteral("a.txt")), target.file(QStringLiteral("c.txt")),
                                   target.file(QStringLiteral("d.txt"))}));
}

TEST(frmPreviewTest, TheChosenFileShowsItsChangedLinesWithTheFoundAndTheReplacingTextMarked)
{
    TempFolder target;
    target.write(QStringLiteral("a.txt"), "same\nto abc here\nsame\n");
    QByteArray many;
    for (int i = 1; i <= 30; ++i)
        many += "line abc " + QByteArray::number(i) + "\n";
    target.write(QStringLiteral("b.txt"), many);
    const RunResult result = previewOf(target);
    ASSERT_EQ(result.changed.size(), 2);

    int asked = 0;
    frmPreview window(result);
    window.setAllLines([&](const FileReport& report) {
        ++asked;
        clsTextTralex engine;
        engine.setTargetPath(target.path());
        engine.setTargetType(QStringLiteral("txt"));
        engine.AddTarget(QStringLiteral("abc"), QStringLiteral("xyz"));
        engine.setListedFiles({report});
        engine.setPreviewLineLimit(-1);
        engine.setPreview(true);
        engine.TralexGo();
        return std::optional<FileReport>(engine.Result().files.value(0));
    });
    window.show();
    auto* table = child<QTableView>(&window, QStringLiteral("lstFiles"));
    auto* lines = child<QPlainTextEdit>(&window, QStringLiteral("txtLines"));
    auto* all = child<QPushButton>(&window, QStringLiteral("cmdAllLines"));
    auto* heading = child<QLabel>(&window, QStringLiteral("lblLines"));

    // The first file is chosen at first: its one changed line, before and after.
    EXPECT_EQ(lines->toPlainText(), QStringLiteral("      2 前│to abc here\n      2 後│to xyz here"));
    EXPECT_EQ(markedIn(lines, ChangedLinesView::BeforeMark()), QStringList{QStringLiteral("abc")});
    EXPECT_EQ(markedIn(lines, ChangedLinesView::AfterMark()), QStringList{QStringLiteral("xyz")});
    EXPECT_FALSE(all->isEnabled());

    table->setCurrentIndex(table->model()->index(1, 1));
    EXPECT_EQ(lines->document()->blockCount(), 40);
    EXPECT_TRUE(heading->text().endsWith(QStringLiteral("（全30行のうち最初の20行）"))) << heading->text().toStdString();
    ASSERT_TRUE(all->isEnabled());
    click(&window, QStringLiteral("cmdAllLines"));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(lines->document()->blockCount(), 60);
    EXPECT_EQ(lines->document()->lastBlock().text(), QStringLiteral("     30 後│line xyz 30"));
    EXPECT_TRUE(heading->text().endsWith(QStringLiteral("（全30行）")));
    EXPECT_FALSE(all->isEnabled());
    window.reject();
    EXPECT_TRUE(window.Chosen().isEmpty());
}

}  // namespace
