// A preview runs the same loop as a run but writes nothing; the files chosen from it are then
// replaced alone. Each case runs against "txt" and, with the real LibreOffice, "xlsx".
#include "engines/RunUndo.h"
#include "engines/SkipReasons.h"
#include "engines/clsTextTralex.h"
#include "engines/office/clsExcelControl.h"
#include "office/support/OfficeFixtures.h"
#include "platform/SettingsFolder.h"
#include "services/RunJournal.h"
#include "support/TestFiles.h"

#include <QDirIterator>
#include <QMap>

#include <sys/stat.h>

using namespace tralex;
using namespace tralex::test;

namespace {

// Not in the texts every workbook made for tests has (its sheet names, header and footer).
const QString Find = QStringLiteral("ガンマ");
const QString Replace = QStringLiteral("ベータ");

// Every entry below a folder: its bytes, modification time (ns) and mode.
using TreeState = QMap<QString, std::tuple<QByteArray, qint64, uint>>;

TreeState stateOf(const QString& folder)
{
    TreeState state;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat st {};
        EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &st), 0);
        state.insert(path, {S_ISREG(st.st_mode) ? readBytes(path) : QByteArray(),
                            qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec, uint(st.st_mode)});
    }
    return state;
}

// The counts a run raised last.
struct LastCount {
    qint64 done = -1;
    qint64 found = -1;
    qint64 firstFound = -1;
};

class Preview : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        OverrideSettingsFolder(settings.path());
        if (office())
            excel = std::make_unique<clsExcelControl>();
        // a: the find text once; b: twice; c: not at all; sub/d like a; e like a, but without
        // a write bit.
        make(QStringLiteral("a"), QStringLiteral("株式会社") + Find);
        make(QStringLiteral("b"), Find + QStringLiteral("商事 ") + Find);
        makePlain(QStringLiteral("c"));
        make(QStringLiteral("sub/d"), QStringLiteral("有限会社") + Find);
        make(QStringLiteral("e"), QStringLiteral("株式会社") + Find);
        QFile(dir.file(name(QStringLiteral("e")))).setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadOther);
    }
    void TearDown() override { OverrideSettingsFolder(QString()); }

    QString type() const { return QString::fromStdString(GetParam()); }
    bool office() const { return type() != QLatin1String("txt"); }
    QString name(const QString& base) const { return base + QLatin1Char('.') + type(); }

    void make(const QString& base, const QString& text)
    {
        const QString path = dir.file(name(base));
        if (!office()) {
            dir.write(name(base), (QStringLiteral("一行目\n") + text + QStringLiteral("\n三行目\n")).toUtf8());
            return;
        }
        QDir().mkpath(QFileInfo(path).absolutePath());
        Retried(excel->Application(), [&] { MakeWorkbook(excel->Application(), path, QStringLiteral("フッタ"), text); });
    }
    void makePlain(const QString& base)
    {
        if (office())
            make(base, QStringLiteral("なし"));
        else
            dir.write(name(base), "nothing to change\n");
    }

    std::unique_ptr<TralexEngine> engine(LastCount* count = nullptr)
    {
        std::unique_ptr<TralexEngine> e;
        if (office())
            e = std::make_unique<clsExcelControl>();
        else
            e = std::make_unique<clsTextTralex>();
        // Pairs that match nothing, overlapping (so that they are applied one after another); a
        // text preview keeps the new content, which replacing the chosen files then puts in place.
        Configure(*e, dir.path(), type(),
                  {{Find, Replace}, {"zz1", "y"}, {"z1", "y"}, {"zz3", "y"}});
        e->setSubFolder(true);
        e->setProgressInterval(0);
        if (count) {
            QObject::connect(e.get(), &TralexEngine::ExecutionCount, [count](qint64 done, qint64 found) {
                if (count->firstFound < 0)
                    count->firstFound = found;
                count->done = done;
                count->found = found;
            });
        }
        return e;
    }

    // The files of a result, below the folder, with their replacements.
    QMap<QString, qint64> replacements(const RunResult& result) const
    {
        QMap<QString, qint64> found;
        for (const FileReport& report : result.files)
            found.insert(report.path.mid(dir.path().size()), report.replacements);
        return found;
    }

    TempFolder settings;
    TempFolder dir;
    std::unique_ptr<clsExcelControl> excel;
};

TEST_P(Preview, WritesNothingAndCountsWhatTheRunThenDoes)
{
    const TreeState before = stateOf(dir.path());
    LastCount count;
    auto preview = engine(&count);
    preview->setPreview(true);
    preview->TralexGo();
    const RunResult shown = preview->Result();
    EXPECT_EQ(stateOf(dir.path()), before);  // no file, backup or temporary file; times kept
    EXPECT_TRUE(shown.preview);
    // What the run would refuse, the preview says.
    EXPECT_EQ(test::SkipReason(*preview, name("e")), tralex::SkipReason::NotWritable);
    EXPECT_EQ(shown.skipped.size(), 1);
    // Counted before the first file, and every file of the type handled: c too.
    EXPECT_EQ(count.firstFound, 5);
    EXPECT_EQ(count.done, 5);
    EXPECT_EQ(count.found, 5);
    const QMap<QString, qint64> previewed = replacements(shown);
    EXPECT_EQ(previewed.keys(), QStringList({name("a"), name("b"), name("sub/d")}));
    for (const FileReport& report : shown.files) {
        EXPECT_TRUE(report.backUp.isEmpty());
        EXPECT_TRUE(report.read.has_value());
        ASSERT_FALSE(report.lines.isEmpty()) << report.path.toStdString();
        // The changed text is marked on both sides where it is shown: the find text before, the
        // replace text after.
        ChangedLine line = report.lines.first();
        if (Unmarked(line))
            MarkDifferences(line);
        ASSERT_FALSE(line.beforeMarks.isEmpty());
        EXPECT_EQ(line.before.mid(line.beforeMarks.first().start, line.beforeMarks.first().length), Find);
        EXPECT_EQ(line.after.mid(line.afterMarks.first().start, line.afterMarks.first().length), Replace);
    }
    // Each occurrence counts, also two in one cell.
    EXPECT_EQ(previewed.value(name("a")), 1);
    EXPECT_EQ(previewed.value(name("b")), 2);

    LastCount runCount;
    auto run = engine(&runCount);
    run->TralexGo();
    EXPECT_EQ(replacements(run->Result()), previewed);
    EXPECT_EQ(run->Result().skipped, shown.skipped);
    EXPECT_EQ(run->Result().changed, shown.changed);  // the same files, in the same order
    EXPECT_EQ(runCount.done, 5);
    EXPECT_EQ(runCount.found, 5);
}

TEST_P(Preview, ChosenFilesAloneAreReplacedAndOneChangedSinceIsRefused)
{
    auto preview = engine();
    preview->setPreview(true);
    preview->TralexGo();
    QList<FileReport> chosen;
    for (const FileReport& report : preview->Result().files) {
        if (!report.path.endsWith(name("b")))
            chosen.append(report);
    }
    ASSERT_EQ(chosen.size(), 2);
    EXPECT_EQ(chosen.first().newContent.has_value(), !office());
    // d is written again after the preview, with the find text still in it.
    make(QStringLiteral("sub/d"), QStringLiteral("合同会社") + Find);
    const TreeState before = stateOf(dir.path());

    LastCount count;
    auto run = engine(&count);
    const QString journals = settings.path() + QStringLiteral("Journal/");
    run->setJournalFolder(journals);
    run->setListedFiles(chosen);
    run->TralexGo();
    const RunResult result = run->Result();
    EXPECT_EQ(replacements(result).keys(), QStringList({name("a")}));
    EXPECT_EQ(test::SkipReason(*run, name("d")), tralex::SkipReason::Changed);
    EXPECT_EQ(result.skipped.size(), 1);
    EXPECT_EQ(count.done, 2);
    EXPECT_EQ(count.found, 2);
    // Only a and its backup differ from before; b and d are as they were.
    TreeState after = stateOf(dir.path());
    const QString a = dir.file(name("a"));
    EXPECT_NE(std::get<0>(after.value(a)), std::get<0>(before.value(a)));
    ASSERT_EQ(result.files.size(), 1);
    EXPECT_EQ(readBytes(result.files.first().backUp), std::get<0>(before.value(a)));
    if (!office()) {
        EXPECT_EQ(readBytes(a), QStringLiteral("一行目\n株式会社ベータ\n三行目\n").toUtf8());
    }
    after.remove(a);
    after.remove(result.files.first().backUp);
    TreeState rest = before;
    rest.remove(a);
    EXPECT_EQ(after, rest);

    // Its journal takes it back: what was written is what the journal says was written.
    const QList<JournalRun> history = RunJournal::History(journals);
    ASSERT_EQ(history.size(), 1);
    RunUndo undo(journals, history.first().id);
    undo.TralexGo();
    EXPECT_EQ(undo.CountSkipped(), 0) << undo.ItemSkipped()->items().join('\n').toStdString();
    EXPECT_EQ(readBytes(a), std::get<0>(before.value(a)));
}

INSTANTIATE_TEST_SUITE_P(TextAndOffice, Preview, ::testing::Values("txt", "xlsx"),
                         [](const auto& info) { return info.param; });

}  // namespace
