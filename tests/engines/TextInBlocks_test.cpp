// Files read, replaced and written in blocks cut after line breaks give the very bytes, results
// and reports of the whole-file way, wherever the cuts fall; a file found unfit partway is never
// written, and leaves neither a temporary file nor a backup.
#include "engines/BackUpFile.h"
#include "engines/clsTextTralex.h"
#include "platform/CodePage.h"
#include "platform/SettingsFolder.h"
#include "services/RunJournal.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QRandomGenerator>

#include <limits>

using namespace tralex;
using tralex::test::readBytes;
using tralex::test::TempFolder;

namespace {

constexpr qint64 WholeOnly = std::numeric_limits<qint64>::max();

class TextInBlocks : public ::testing::Test {
protected:
    void SetUp() override { OverrideSettingsFolder(settings.path()); }

    struct Run {
        QStringList results;  // each with its replacements and encoding
        QStringList skipped;
    };

    // Runs the pairs over `folder`, files above `above` bytes in blocks of `block` bytes; the
    // folder's path is taken out of what is listed.
    static Run run(const QString& folder, const QList<std::pair<QString, QString>>& pairs,
                   clsTextTralex::BlockLimits limits, bool ucase = false, bool retry = true,
                   const QString& journal = QString())
    {
        clsTextTralex engine;
        engine.setTargetPath(folder);
        engine.setTargetType(QStringLiteral("txt"));
        engine.setUcaseOption(ucase);
        engine.setRetryOption(retry);
        engine.setBlockLimits(limits);
        engine.setJournalFolder(journal);
        for (const auto& [find, replace] : pairs)
            engine.AddTarget(find, replace);
        engine.TralexGo();
        Run done;
        for (qsizetype i = 0; i < engine.CountResult(); ++i) {
            const FileReport* report = engine.ReportAt(i);
            done.results << engine.ItemResult()->items().at(i).mid(folder.size()) + QLatin1Char(' ')
                                + QString::number(report->replacements) + QLatin1Char(' ') + report->encoding;
        }
        for (const QString& line : engine.ItemSkipped()->items())
            done.skipped << line.mid(folder.size());
        return done;
    }

    // The names left in a folder that are neither its files nor backups: temporary files.
    static QStringList leftovers(const QString& folder)
    {
        QStringList names;
        for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
            if (HasRenewalForm(name))
                names << name;
        return names;
    }

    TempFolder settings;
};

QString randomText(QRandomGenerator& random)
{
    static const QStringList pieces = {u"abc"_qs, u"表示"_qs, u"あ漢"_qs, u"ｱソ"_qs, u"\r\n"_qs, u"\n"_qs,
                                       u"\r"_qs,  u"😀"_qs,   u" "_qs,    u"AbC"_qs, u"x"_qs,  u"～"_qs};
    QString text;
    for (int i = random.bounded(60); i > 0; --i)
        text += pieces[random.bounded(pieces.size())];
    return text;
}

}  // namespace

TEST_F(TextInBlocks, GiveTheBytesAndReportsOfTheWholeFileWhereverTheyAreCut)
{
    const QList<std::pair<QString, QString>> pairChoices = {
        {u"abc"_qs, u"xyz"_qs}, {u"表示"_qs, u"ソース"_qs}, {u"c x"_qs, u"C\tX"_qs}, {u"😀"_qs, u"é"_qs},
        {u"ｱ"_qs, u"ア"_qs},     {u"x"_qs, u""_qs},           {u"b"_qs, u"bb"_qs},     {u"abc"_qs, u"表"_qs}};
    const struct {
        const char* name;
        TextEncoding encoding;
    } files[] = {{"u8.txt", TextEncoding::Utf8},         {"bom.txt", TextEncoding::Utf8Bom},
                 {"le.txt", TextEncoding::Utf16LeBom},   {"be.txt", TextEncoding::Utf16BeBom},
                 {"sjis.txt", TextEncoding::Windows31J}, {"euc.txt", TextEncoding::EucJp}};
    QRandomGenerator random(2121);
    int changed = 0;
    for (int round = 0; round < 60; ++round) {
        TempFolder whole;
        TempFolder blocks;
        QList<std::pair<QString, QByteArray>> written;
        for (const auto& file : files) {
            QString text = randomText(random);
            std::optional<QByteArray> bytes = EncodeText(text, file.encoding);
            if (!bytes)  // a character the encoding lacks
                bytes = EncodeText(text.remove(u"😀"_qs).remove(u'～'), file.encoding);
            written.append({QString::fromLatin1(file.name), *bytes});
        }
        // A file of ASCII alone, which a replacement may give other characters.
        written.append({u"ascii.txt"_qs, QByteArray("abc x\nabc\n").repeated(random.bounded(1, 5))});
        for (const auto& [name, bytes] : written) {
            whole.write(name, bytes);
            blocks.write(name, bytes);
        }
        QList<std::pair<QString, QString>> pairs;
        for (int i = random.bounded(1, 4); i > 0; --i)
            pairs.append(pairChoices[random.bounded(pairChoices.size())]);
        const bool ucase = random.bounded(2);
        const bool retry = random.bounded(2);
        const qsizetype block = random.bounded(1, 40);
        SCOPED_TRACE(testing::Message() << "round " << round << ", blocks of " << block);

        const Run expected = run(whole.path(), pairs, {WholeOnly}, ucase, retry);
        const Run got = run(blocks.path(), pairs, {0, block, 1 << 20}, ucase, retry);
        EXPECT_EQ(got.results, expected.results);
        EXPECT_EQ(got.skipped, expected.skipped);
        for (const auto& [name, bytes] : written)
            EXPECT_EQ(readBytes(blocks.file(name)), readBytes(whole.file(name))) << name.toStdString();
        EXPECT_EQ(QDir(blocks.path()).count(), QDir(whole.path()).count());
        EXPECT_EQ(leftovers(blocks.path()), QStringList());
        changed += expected.results.size();
    }
    EXPECT_GT(changed, 150);
}

// Found partway: each file is valid text and matches in its first blocks, and is unfit in its
// last; it is left as it was, with its reason, and nothing of it is left behind.
TEST_F(TextInBlocks, FileFoundUnfitPartwayIsLeftUntouched)
{
    const QByteArray lines = QByteArray("abc 表示\n").repeated(50);
    const struct {
        const char* name;
        QByteArray bytes;
        std::pair<QString, QString> pair;
        const char* reason;
    } rows[] = {
        {"undecodable.txt", lines + "abc\x80\n", {u"abc"_qs, u"x"_qs}, "文字コードを判別できません"},
        {"binary.txt", lines + QByteArray("abc\0", 4), {u"abc"_qs, u"x"_qs}, "バイナリファイルです"},
        {"unencodable.txt", *EncodeText(QString::fromUtf8(QByteArray("xyz 表示\n").repeated(50) + "abc\n"),
                                        TextEncoding::Windows31J),
         {u"abc"_qs, u"😀"_qs}, "置換後の文字を保存できる文字コードではありません"},
        {"longline.txt", lines + QByteArray(200, 'a') + "\nabc\n", {u"abc"_qs, u"x"_qs}, "行が長すぎるため読み込めません"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder folder;
        folder.write(QString::fromLatin1(row.name), row.bytes);
        const Run done = run(folder.path(), {row.pair}, {0, 64, 128});
        EXPECT_EQ(done.results, QStringList());
        EXPECT_EQ(done.skipped, QStringList({QString::fromLatin1(row.name) + u'\t' + QString::fromUtf8(row.reason)}));
        EXPECT_EQ(readBytes(folder.file(QString::fromLatin1(row.name))), row.bytes);
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList({QString::fromLatin1(row.name)}));
    }
}

// A match can reach over a line break only when a pair text holds one: then a file is read
// whole, however large.
TEST_F(TextInBlocks, PairWithALineBreakReadsTheFileWhole)
{
    TempFolder folder;
    folder.write(u"a.txt"_qs, "xa\r\nbx\r\n");
    const Run done = run(folder.path(), {{u"a\r\nb"_qs, u"y"_qs}}, {0, 2, 1 << 20});
    EXPECT_EQ(done.results, QStringList({u"a.txt 1 UTF-8"_qs}));
    EXPECT_EQ(readBytes(folder.file(u"a.txt"_qs)), "xyx\r\n");
}

// The journal's size and hash of a file written in blocks are those of its new content.
TEST_F(TextInBlocks, JournalRecordsTheContentWrittenInBlocks)
{
    TempFolder folder;
    TempFolder journals;
    folder.write(u"a.txt"_qs, QByteArray("abc def\n").repeated(100));
    run(folder.path(), {{u"abc"_qs, u"x"_qs}}, {0, 10, 1 << 20}, false, true, journals.path());
    const QList<JournalRun> history = RunJournal::History(journals.path());
    ASSERT_EQ(history.size(), 1);
    ASSERT_EQ(history[0].files.size(), 1);
    const QByteArray now = readBytes(folder.file(u"a.txt"_qs));
    EXPECT_EQ(now, QByteArray("x def\n").repeated(100));
    EXPECT_EQ(history[0].files[0].size, now.size());
    EXPECT_EQ(history[0].files[0].hash, RunJournal::ContentHash(now));
}
