// The result list as the run command shows it: the numbered changed files of a real text run, the
// files left unchanged in a block of their own, and a long list that stays usable.
#include <QListWidget>
#include <QScrollBar>

#include "app/frmResultList.h"
#include "engines/clsTextTralex.h"
#include "platform/SettingsFolder.h"
#include "support/ModalAnswerer.h"
#include "support/TestFiles.h"

using namespace tralex;
using namespace tralex::test;

namespace {

class frmResultListTest : public ::testing::Test {
protected:
    void SetUp() override { OverrideSettingsFolder(settings.path()); }
    void TearDown() override { OverrideSettingsFolder(QString()); }

    RunResult engineWith(const QStringList& results, const QStringList& skipped)
    {
        return RunResult{results, skipped};
    }

    TempFolder settings;
};

struct Shown {
    QString caption;
    QStringList lines;
    QList<bool> selectable;
    bool modal = false;
};

// Shows the window with a run's lists and takes what it lists before closing it.
Shown showAndRead(RunResult result)
{
    Shown shown;
    frmResultList& window = frmResultList::instance();
    window.setResult(std::move(result));
    ModalAnswerer answer;
    answer.then(QStringLiteral("frmResultList"), [&shown](QWidget* w) {
        shown.caption = w->windowTitle();
        shown.modal = w->isModal();
        auto* list = child<QListWidget>(w, QStringLiteral("lstTarget"));
        for (int i = 0; i < list->count(); ++i) {
            shown.lines << list->item(i)->text();
            shown.selectable << bool(list->item(i)->flags() & Qt::ItemIsSelectable);
        }
        w->close();
    });
    window.Show();
    EXPECT_TRUE(answer.allAnswered());
    EXPECT_FALSE(window.isVisible());
    return shown;
}

TEST_F(frmResultListTest, RealRunListsChangedFilesInOrderThenTheSkippedOnesWithTheirReasons)
{
    TempFolder target;
    const QString a = target.write(QStringLiteral("a.txt"), "abc\r\n");
    const QString b = target.write(QStringLiteral("b.txt"), "x abc y");
    target.write(QStringLiteral("c.txt"), "nothing to find");
    const QString d = target.write(QStringLiteral("d.txt"), "abc abc");
    const QString binary = target.write(QStringLiteral("e.txt"), QByteArray("abc\0def", 7));

    auto engine = std::make_shared<clsTextTralex>();
    engine->setTargetPath(target.path());
    engine->setTargetType(QStringLiteral("txt"));
    engine->AddTarget(QStringLiteral("abc"), QStringLiteral("xyz"));
    engine->TralexGo();
    ASSERT_EQ(engine->CountResult(), 3);
    ASSERT_EQ(engine->CountSkipped(), 1);
    const QString skippedEntry = engine->ItemSkipped()->Item(1);
    ASSERT_TRUE(skippedEntry.startsWith(binary + QLatin1Char('\t')));

    const Shown shown = showAndRead(engine->Result());
    EXPECT_EQ(shown.caption, QStringLiteral("置換の行われたファイル 一覧"));
    EXPECT_TRUE(shown.modal);
    const QStringList expected = {
        QStringLiteral("1:\t") + a, QStringLiteral("2:\t") + b, QStringLiteral("3:\t") + d,
        QString(), frmResultList::SkippedHeading(1), skippedEntry};
    EXPECT_EQ(shown.lines, expected);
    EXPECT_EQ(shown.selectable, (QList<bool>{true, true, true, false, false, true}));
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
        {{}, {reason}, {frmResultList::SkippedHeading(1), reason}},
        {{QStringLiteral("/d/a.txt"), QStringLiteral("/d/b.txt")}, {reason, reason},
         {QStringLiteral("1:\t/d/a.txt"), QStringLiteral("2:\t/d/b.txt"), QString(),
          frmResultList::SkippedHeading(2), reason, reason}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines.join(QLatin1Char('|')).toStdString());
        EXPECT_EQ(showAndRead(engineWith(c.results, c.skipped)).lines, c.lines);
    }
}

TEST_F(frmResultListTest, TenThousandLinesScrollAndTheScrollBarStaysInsideAResizedWindow)
{
    QStringList paths;
    for (int i = 1; i <= 10000; ++i)
        paths << QStringLiteral("/data/folder/file%1.txt").arg(i);
    frmResultList& window = frmResultList::instance();
    window.setResult(engineWith(paths, {}));
    ModalAnswerer answer;
    answer.then(QStringLiteral("frmResultList"), [](QWidget* w) {
        auto* list = child<QListWidget>(w, QStringLiteral("lstTarget"));
        ASSERT_EQ(list->count(), 10000);
        EXPECT_EQ(list->item(9999)->text(), QStringLiteral("10000:\t/data/folder/file10000.txt"));
        for (const QSize size : {QSize(300, 120), QSize(900, 500)}) {
            w->resize(size);
            QCoreApplication::processEvents();
            // The list fills the client area, so its scroll bar is never cut off.
            EXPECT_EQ(list->geometry(), w->rect());
            QScrollBar* bar = list->verticalScrollBar();
            EXPECT_TRUE(bar->isVisible());
            EXPECT_LE(bar->mapTo(w, QPoint(bar->width(), bar->height())).x(), w->width());
        }
        list->scrollToBottom();
        EXPECT_EQ(list->verticalScrollBar()->value(), list->verticalScrollBar()->maximum());
        w->close();
    });
    window.Show();
    EXPECT_TRUE(answer.allAnswered());
    window.setResult({});
}

}  // namespace
