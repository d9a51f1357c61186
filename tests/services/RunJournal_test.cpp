#include "services/RunJournal.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace tralex;
using tralex::test::TempFolder;
using tralex::test::readBytes;

namespace {

JournalRun header(const QDateTime& started)
{
    JournalRun run;
    run.started = started;
    run.folder = QStringLiteral("/data/見積書/");
    run.type = QStringLiteral("txt");
    run.subFolders = true;
    run.backUpFolder = QStringLiteral("/backup/");
    // Tabs, line breaks and percent signs in the texts must come back as they were.
    run.pairs = {{QStringLiteral("旧\t住所\r\n"), QStringLiteral("100%")}, {QStringLiteral("a"), QString()}};
    return run;
}

JournalFile file(const QByteArray& target)
{
    return {target, "/backup/Bk_" + target.mid(target.lastIndexOf('/') + 1), 12, 1765200000123456789,
            RunJournal::ContentHash(target)};
}

QStringList journalsIn(const TempFolder& folder)
{
    return QDir(folder.path()).entryList(QDir::Files, QDir::Name);
}

}  // namespace

// What a run writes is what a later process reads: names that are not UTF-8, the pairs, a
// renewal that failed after its line was written, an undo, and a last line a kill cut short.
TEST(RunJournal, ReadsBackWhatTheRunWroteUpToTheLastWholeLine)
{
    const TempFolder journals;
    const QDateTime started = QDateTime::fromString(QStringLiteral("2026-12-08T10:20:30.456"), Qt::ISODateWithMs);
    auto journal = RunJournal::Begin(journals.path(), header(started));
    ASSERT_TRUE(journal);
    const JournalFile sjis = file("/data/\x83\x74\x83\x40\x83\x43\x83\x8b.txt");
    const JournalFile utf8 = file(QStringLiteral("/data/ファイル 1.txt").toUtf8());
    const JournalFile failed = file("/data/failed.txt");
    ASSERT_TRUE(journal->Record(sjis));
    ASSERT_TRUE(journal->Record(failed));
    journal->Drop(failed.target);
    ASSERT_TRUE(journal->Record(utf8));
    // A kill in the middle of a line.
    const QString path = journals.file(journal->id() + QStringLiteral(".tlj"));
    QFile raw(path);
    ASSERT_TRUE(raw.open(QIODevice::Append));
    raw.write("file\t%2Fdata%2Fcut.txt\t%2Fbackup");
    raw.close();

    std::optional<JournalRun> read = RunJournal::Load(journals.path(), journal->id());
    ASSERT_TRUE(read);
    const JournalRun expected = header(started);
    EXPECT_EQ(read->started, started);
    EXPECT_EQ(read->folder, expected.folder);
    EXPECT_EQ(read->type, expected.type);
    EXPECT_TRUE(read->subFolders);
    EXPECT_EQ(read->backUpFolder, expected.backUpFolder);
    EXPECT_EQ(read->pairs, expected.pairs);
    EXPECT_EQ(read->files, QList<JournalFile>({sjis, utf8}));
    EXPECT_FALSE(read->undone);

    const QDateTime when = started.addSecs(60);
    ASSERT_TRUE(RunJournal::MarkUndone(journals.path(), journal->id(), when));
    EXPECT_EQ(RunJournal::Load(journals.path(), journal->id())->undone, when);
    EXPECT_EQ(QFile(path).permissions() & (QFile::ReadGroup | QFile::ReadOther), 0);
}

// A run that changed nothing leaves no journal, and only the newest journals are kept.
TEST(RunJournal, FinishRemovesAnEmptyJournalAndPrunesTheOldest)
{
    const TempFolder journals;
    const QDateTime start = QDateTime::fromString(QStringLiteral("2026-01-01T00:00:00.000"), Qt::ISODateWithMs);
    QStringList made;
    for (int i = 0; i < RunJournal::MaxJournals + 3; ++i) {
        auto journal = RunJournal::Begin(journals.path(), header(start.addSecs(i)));
        ASSERT_TRUE(journal);
        journal->Record(file("/data/a.txt"));
        made << journal->id() + QStringLiteral(".tlj");
        journal->Finish();
    }
    EXPECT_EQ(journalsIn(journals), made.mid(3));
    auto empty = RunJournal::Begin(journals.path(), header(start.addYears(1)));
    empty->Finish();
    EXPECT_EQ(journalsIn(journals), made.mid(3));
    const QList<JournalRun> history = RunJournal::History(journals.path());
    ASSERT_EQ(history.size(), RunJournal::MaxJournals);
    EXPECT_EQ(history.first().started, start.addSecs(RunJournal::MaxJournals + 2));
}

TEST(RunJournal, ARunThatCannotKeepAJournalIsToldWhy)
{
    const TempFolder folder;
    folder.write(QStringLiteral("taken"), "a file where the folder should be");
    QString error;
    EXPECT_FALSE(RunJournal::Begin(folder.file(QStringLiteral("taken/Journal/")), header(QDateTime::currentDateTime()), &error));
    EXPECT_FALSE(error.isEmpty());
}

// The hash of a content is the same given whole or in any pieces, and the same as journals
// written before keep (a later undo compares the file against it).
TEST(RunJournal, ContentHashIsTheSameWhateverThePieces)
{
    QByteArray content;
    for (int i = 0; i < 100; ++i)
        content += char('a' + i % 26);
    const struct {
        qsizetype size;
        const char* hash;
    } rows[] = {{0, "ef46db3751d8e999"}, {5, "07e3670c0c8dc7eb"}, {31, "f7d421c242541ac9"},
                {32, "4da6cbe536cf55c7"}, {100, "79c9fa152bb53c71"}};
    QRandomGenerator random(5);
    for (const auto& row : rows) {
        const QByteArray bytes = content.first(row.size);
        EXPECT_EQ(RunJournal::ContentHash(bytes), row.hash);
        for (int round = 0; round < 50; ++round) {
            ContentHasher hasher;
            for (qsizetype at = 0; at < bytes.size();) {
                const qsizetype n = std::min(bytes.size() - at, qsizetype(random.bounded(40)));
                hasher.Add(QByteArrayView(bytes).sliced(at, n));
                at += n;
            }
            EXPECT_EQ(hasher.Result(), row.hash);
        }
    }
}
