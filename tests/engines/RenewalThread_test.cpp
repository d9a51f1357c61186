// Renewals on a thread of their own give exactly what renewals in turn give: the same results
// and skipped files in the same order, the same new contents, backups and journal, over a tree
// that mixes changed files, files left alone, files refused for several reasons and a file
// written in blocks.
#include "engines/BackUpFile.h"
#include "engines/clsTextTralex.h"
#include "platform/SettingsFolder.h"
#include "services/RunJournal.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>

#include <sys/stat.h>

using namespace tralex;
using tralex::test::readBytes;
using tralex::test::TempFolder;

namespace {

// The tree: a dozen folders of files of every kind the run meets.
void makeTree(const TempFolder& root)
{
    const QByteArray sjis = QByteArray::fromHex("8a948eae89ef8ed0");  // 株式会社 in Windows-31J
    for (int f = 0; f < 12; ++f) {
        const QString folder = QStringLiteral("d%1/").arg(f % 4) + (f % 3 ? QStringLiteral("e%1/").arg(f) : QString());
        root.write(folder + QStringLiteral("a%1.txt").arg(f), "abc " + QByteArray::number(f) + " abc\n");
        root.write(folder + QStringLiteral("b%1.txt").arg(f), sjis + " abc\r\n");
        root.write(folder + QStringLiteral("c%1.txt").arg(f), "nothing to find\n");
        root.write(folder + QStringLiteral("d%1.txt").arg(f), QByteArray("abc\0bin", 7));
        root.write(folder + QStringLiteral("e%1.txt").arg(f), "abc \x82\n");  // undecodable
        const QString readOnly = root.write(folder + QStringLiteral("f%1.txt").arg(f), "abc read-only\n");
        ::chmod(QFile::encodeName(readOnly).constData(), 0444);
        root.write(folder + QStringLiteral("g%1.txt").arg(f), QByteArray(300, 'x') + "\nabc\n" + QByteArray(300, 'y') + "\n");
    }
    // Every backup name b0 and b5 could get this hour and the next is taken: their renewals are
    // refused, and listed before the binary files that follow them, as in turn.
    const QDateTime now = QDateTime::currentDateTime();
    for (const QString& name : {QStringLiteral("d0/b0.txt"), QStringLiteral("d1/e5/b5.txt")})
        for (int hour = 0; hour < 2; ++hour)
            for (int second = 0; second < 60; ++second) {
                const QDateTime at = now.addSecs(hour * 3600);
                const QString stamp = at.toString(QStringLiteral("yyyyMMddHH")) + QStringLiteral("%1").arg(second, 2, 10, QLatin1Char('0'));
                const qsizetype slash = name.lastIndexOf(u'/') + 1;
                root.write(name.left(slash) + BackUpName(name.mid(slash), stamp), "taken");
            }
}

struct Outcome {
    QStringList results;
    QStringList skipped;
    QStringList files;     // every file below the root (backups by their form) with its bytes
    QStringList journal;   // the journal's file lines, without the root
};

Outcome runOver(bool thread)
{
    TempFolder root;
    TempFolder journals;
    makeTree(root);
    clsTextTralex engine;
    engine.setTargetPath(root.path());
    engine.setTargetType(QStringLiteral("txt"));
    engine.setSubFolder(true);
    engine.setJournalFolder(journals.path());
    engine.setRenewalThread(thread);
    engine.setBlockLimits({500, 64, 1024});  // the g files go in blocks
    engine.AddTarget(QStringLiteral("abc"), QStringLiteral("xyz"));
    engine.TralexGo();

    Outcome outcome;
    const auto local = [&root](const QString& line) { return QString(line).remove(root.path()); };
    for (const QString& line : engine.ItemResult()->items())
        outcome.results << local(line);
    for (const QString& line : engine.ItemSkipped()->items())
        outcome.skipped << local(line);
    QDirIterator it(root.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = HasBackUpForm(it.fileName()) ? QStringLiteral("backup of ") + it.fileName().mid(15)
                                                          : it.fileName();
        outcome.files << local(it.fileInfo().path()) + QLatin1Char('/') + name + QLatin1Char('=')
                             + QString::fromLatin1(readBytes(path).toHex());
    }
    outcome.files.sort();
    const QList<JournalRun> runs = RunJournal::History(journals.path());
    if (!runs.isEmpty())
        for (const JournalFile& file : runs.first().files)
            outcome.journal << local(QFile::decodeName(file.target)) + QLatin1Char(' ')
                                   + QString::number(file.size) + QLatin1Char(' ') + QString::fromLatin1(file.hash);
    return outcome;
}

}  // namespace

TEST(RenewalThread, GivesWhatRenewalsInTurnGive)
{
    const TempFolder settings;
    OverrideSettingsFolder(settings.path());
    const Outcome inTurn = runOver(false);
    const Outcome threaded = runOver(true);
    ASSERT_EQ(inTurn.results.size(), 34) << inTurn.results.join(u'\n').toStdString();
    EXPECT_EQ(inTurn.skipped.size(), 38);
    EXPECT_EQ(threaded.results, inTurn.results);
    EXPECT_EQ(threaded.skipped, inTurn.skipped);
    EXPECT_EQ(threaded.files, inTurn.files);
    EXPECT_EQ(threaded.journal, inTurn.journal);
    EXPECT_EQ(inTurn.journal.size(), 34);
    OverrideSettingsFolder(QString());
}
