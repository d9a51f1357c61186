// A run killed at random moments never loses a file: a child process runs the text engine over a
// few hundred files and is killed with SIGKILL, many times over. After every kill each target
// holds its old or its new content, each file with new content has a backup with exactly its old
// content, and a later run never takes a leftover temporary file (or a backup) for a target.
#include "engines/BackUpFile.h"
#include "engines/RunUndo.h"
#include "engines/clsTextTralex.h"
#include "platform/CodePage.h"
#include "platform/SettingsFolder.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QSet>
#include <QProcess>
#include <QRegularExpression>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>
#include <chrono>
#include <random>
#include <thread>

using namespace tralex;
using tralex::test::readBytes;
using tralex::test::TempFolder;

namespace {

struct Target {
    QString folder;  // with final "/"
    QString name;
    QByteArray before;
    QByteArray after;  // equal to before when no pair matches
};

// A few hundred files in nested folders, half UTF-8 and half Windows-31J, most holding the find
// texts of the child's pairs.
QList<Target> makeCorpus(const TempFolder& root, std::mt19937& rng)
{
    const QStringList folders = {"", "a/", "a/b/", "a/b/c/", "d/", "d/e/", "f/", "f/g/h/"};
    const QString line = QStringLiteral("表示テキストの %1 行目、ソースコード second の説明。\r\n");
    QList<Target> targets;
    for (int i = 0; i < 240; ++i) {
        const QString folder = root.path() + folders[i % folders.size()];
        QString text;
        const int lines = 60 + int(rng() % 120);
        for (int l = 0; l < lines; ++l) {
            text += line.arg(l);
            if (i % 5 != 0 && rng() % 7 == 0)
                text += QStringLiteral("tralexkey が入った行\r\n");
        }
        if (i % 5 == 0)
            text.replace(QStringLiteral("second"), QStringLiteral("third"));  // nothing matches
        QString changed = text;
        changed.replace(QStringLiteral("tralexkey"), QStringLiteral("置換済み"));
        changed.replace(QStringLiteral("second"), QStringLiteral("2nd"));
        const TextEncoding encoding = i % 2 ? TextEncoding::Windows31J : TextEncoding::Utf8;
        Target t{folder, QStringLiteral("file%1.txt").arg(i, 3, 10, QLatin1Char('0')),
                 EncodeText(text, encoding).value(), EncodeText(changed, encoding).value()};
        root.write(folders[i % folders.size()] + t.name, t.before);
        targets.append(t);
    }
    return targets;
}

struct Tally {
    int unchanged = 0;
    int changed = 0;
};

// The folder holding the backups of a folder's files: the folder itself, or its mirror under a
// backup folder.
QString backUpFolderOf(const QString& folder, const QString& backUpRoot)
{
    return backUpRoot.isEmpty() ? folder : backUpRoot + folder.mid(1);
}

// Checks the invariants on disk; counts the targets that hold their new content.
Tally checkTargets(const QList<Target>& targets, const QString& backUpRoot = QString())
{
    Tally tally;
    QHash<QString, QStringList> listings;  // each folder listed once
    for (const Target& t : targets) {
        const QString backUps = backUpFolderOf(t.folder, backUpRoot);
        if (!listings.contains(backUps))
            listings.insert(backUps, QDir(backUps).entryList(QDir::Files));
        const QByteArray now = readBytes(t.folder + t.name);
        const bool isOld = now == t.before;
        const bool isNew = now == t.after;
        EXPECT_TRUE(isOld || isNew) << "neither old nor new content: " << t.name.toStdString();
        // Every backup of the file holds exactly its old content.
        int found = 0;
        for (const QString& n : listings.value(backUps)) {
            if (HasBackUpForm(n) && n.mid(15) == t.name) {
                ++found;
                EXPECT_EQ(readBytes(backUps + n), t.before) << n.toStdString();
            }
        }
        if (isNew && t.after != t.before) {
            EXPECT_GE(found, 1) << "new content without a backup: " << t.name.toStdString();
            ++tally.changed;
        } else {
            ++tally.unchanged;
        }
        if (t.after == t.before) {
            EXPECT_EQ(found, 0) << t.name.toStdString();
        }
    }
    return tally;
}

// Every name in the tree is a target, a backup of one, or a temporary file of either.
void checkNoStrangers(const QString& root, const QList<Target>& targets)
{
    if (root.isEmpty())
        return;
    QSet<QString> known;
    for (const Target& t : targets)
        known.insert(t.name);
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QString name = QFileInfo(it.next()).fileName();
        // A temporary name taken by a leftover gets a number behind it.
        static const QRegularExpression numbered(QStringLiteral("\\.\\d+$"));
        if (HasRenewalForm(name)) {
            name.remove(numbered);
            if (HasBackUpForm(name.mid(20)))
                name = name.mid(20);  // a copied backup before it takes its name
        }
        const bool own = known.contains(name) ||
                         (HasBackUpForm(name) && known.contains(name.mid(15))) ||
                         (HasRenewalForm(name) && known.contains(name.mid(20)));
        EXPECT_TRUE(own) << "unexpected file " << name.toStdString();
    }
}

}  // namespace

namespace {

// backUpRoot: the backup folder of the runs, or empty for backups beside their files.
void killedRunsNeverLoseAFile(const QString& backUpRoot)
{
    const QString child = QCoreApplication::applicationDirPath() + "/tralex_crash_child";
    ASSERT_TRUE(QFileInfo(child).isExecutable()) << child.toStdString();
    TempFolder settings;
    OverrideSettingsFolder(settings.path());
    std::mt19937 rng(4242);

    auto runChild = [&](const QString& target, int killAfterMicros) {
        QProcess process;
        process.start(child, backUpRoot.isEmpty() ? QStringList{settings.path(), target}
                                                : QStringList{settings.path(), target, backUpRoot});
        EXPECT_TRUE(process.waitForStarted(10000));
        if (killAfterMicros >= 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(killAfterMicros));
            process.kill();  // SIGKILL
        }
        EXPECT_TRUE(process.waitForFinished(60000));
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    };

    // How long one whole run takes, so that the kills fall inside runs.
    qint64 wholeRun = 0;
    {
        TempFolder root;
        const QList<Target> targets = makeCorpus(root, rng);
        QElapsedTimer timer;
        timer.start();
        ASSERT_TRUE(runChild(root.path(), -1));
        wholeRun = timer.nsecsElapsed() / 1000;
        std::printf("one whole run of the child: %.3f s\n", wholeRun / 1e6);
        const Tally tally = checkTargets(targets, backUpRoot);
        EXPECT_EQ(tally.unchanged, 48);  // every fifth file holds no find text
        EXPECT_EQ(tally.changed, 192);
    }

    // Kills fall at random moments of a run. A kill that comes before the child changed anything
    // or after it finished tells nothing new, so each round tries again (a bounded number of
    // times) until three kills fell inside a run. The delays follow the machine: a run that ends
    // before its kill (it was timed on a busy machine) makes them shorter, a kill that comes
    // before anything changed (the child was slow to start) makes them longer.
    // Rounds go on, each on a fresh corpus, until eight kills fell inside runs: a round whose
    // first kill comes after the end has nothing left to kill, and how often that happens depends
    // on how busy the machine is.
    int killsInsideRun = 0;
    const int wanted = 8;
    for (int round = 0; round < 40 && killsInsideRun < wanted; ++round) {
        SCOPED_TRACE(round);
        TempFolder root;
        const QList<Target> targets = makeCorpus(root, rng);
        int insideThisRound = 0;
        // Several killed runs on the same folder: later runs meet what earlier ones left.
        for (int attempt = 0; attempt < 20 && insideThisRound < 3; ++attempt) {
            const Tally before = checkTargets(targets, backUpRoot);
            if (before.changed == 192)
                break;  // nothing is left to do
            const int delay = int(rng() % quint64(std::max<qint64>(wholeRun, 1000)));
            runChild(root.path(), delay);
            const Tally after = checkTargets(targets, backUpRoot);
            checkNoStrangers(root.path(), targets);
            checkNoStrangers(backUpRoot, targets);
            if (after.changed > before.changed && after.changed < 192)
                ++insideThisRound;
            else if (after.changed == 192)
                wholeRun = wholeRun * 2 / 3;
            else if (after.changed == before.changed)
                wholeRun = wholeRun * 3 / 2;
            if (::testing::Test::HasFailure())
                return;
        }
        killsInsideRun += insideThisRound;
        // A last run to the end, in this process, finishes the work; temporary files left by
        // the killed runs are passed over.
        clsTextTralex engine;
        if (!backUpRoot.isEmpty())
            engine.setBackUpPath(backUpRoot);
        engine.setTargetPath(root.path());
        engine.setTargetType(QStringLiteral("txt"));
        engine.setSubFolder(true);
        engine.AddTarget(QStringLiteral("tralexkey"), QStringLiteral("置換済み"));
        engine.AddTarget(QStringLiteral("second"), QStringLiteral("2nd"));
        engine.TralexGo();
        const Tally done = checkTargets(targets, backUpRoot);
        checkNoStrangers(root.path(), targets);
        checkNoStrangers(backUpRoot, targets);
        // A file stays old only when its backup name of this second was taken by a killed run.
        EXPECT_EQ(done.changed + engine.CountSkipped(), 192);
        for (const QString& skipped : engine.ItemSkipped()->items())
            EXPECT_TRUE(skipped.endsWith(QStringLiteral("\tバックアップファイル名が既に存在します")))
                << skipped.toStdString();
        for (const QString& path : engine.ItemResult()->items())
            EXPECT_FALSE(HasRenewalForm(QFileInfo(path).fileName())) << path.toStdString();
    }
    // The kills must really have fallen in the middle of runs.
    EXPECT_GE(killsInsideRun, wanted);
}

}  // namespace

TEST(CrashSafety, KilledRunsNeverLoseAFile)
{
    killedRunsNeverLoseAFile(QString());
}

// The same with the backups copied to another file system, where the copies, their names and
// the mirror folders must be on the disk before the new contents take the files' names.
TEST(CrashSafety, KilledRunsWithBackUpsOnAnotherFileSystem)
{
    struct stat shm {}, here {};
    TempFolder probe;
    if (::stat("/dev/shm", &shm) != 0 || ::stat(QFile::encodeName(probe.path()).constData(), &here) != 0 ||
        shm.st_dev == here.st_dev || ::access("/dev/shm", W_OK) != 0)
        GTEST_SKIP() << "no second writable file system";
    QTemporaryDir backUps(QStringLiteral("/dev/shm/tralex-crash-XXXXXX"));
    ASSERT_TRUE(backUps.isValid());
    killedRunsNeverLoseAFile(backUps.path() + QLatin1Char('/'));
}

// Two runs at once on one folder, with pairs that both match every file: a file is changed by at
// most one of them, and each change is in the file and its old content in exactly one backup.
// Where both read the same content, one of them must find the file changed and leave it alone.
TEST(CrashSafety, TwoRunsAtOnceNeverBothChangeAFile)
{
    const QString child = QCoreApplication::applicationDirPath() + "/tralex_crash_child";
    TempFolder settings;
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        TempFolder root;
        QStringList files;
        for (int i = 0; i < 300; ++i) {
            const QString name = QStringLiteral("%1file%2.txt").arg(i % 2 ? "sub/" : "").arg(i);
            root.write(name, QByteArray("head key tail\n").repeated(1 + i % 50));
            files << root.path() + name;
        }
        QProcess runs[2];
        const char* replace[2] = {"AAA", "BBB"};
        for (int r = 0; r < 2; ++r)
            runs[r].start(child, {settings.path(), root.path(), "--pair", "key", replace[r]});
        QSet<QString> changedBy[2];
        for (int r = 0; r < 2; ++r) {
            ASSERT_TRUE(runs[r].waitForFinished(60000));
            ASSERT_EQ(runs[r].exitCode(), 0) << runs[r].readAllStandardError().toStdString();
            QStringList lines = QString::fromUtf8(runs[r].readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
            lines.removeFirst();  // the counts
            changedBy[r] = QSet<QString>(lines.begin(), lines.end());
        }
        for (int i = 0; i < files.size(); ++i) {
            const QString& path = files[i];
            const QByteArray before = QByteArray("head key tail\n").repeated(1 + i % 50);
            const bool byA = changedBy[0].contains(path), byB = changedBy[1].contains(path);
            EXPECT_FALSE(byA && byB) << "changed by both runs: " << path.toStdString();
            QByteArray expected = before;
            if (byA || byB)
                expected.replace("key", byA ? "AAA" : "BBB");
            EXPECT_EQ(readBytes(path), expected) << path.toStdString();
            const QFileInfo info(path);
            int backUps = 0;
            for (const QString& n : QDir(info.path()).entryList(QDir::Files)) {
                if (HasBackUpForm(n) && n.mid(15) == info.fileName()) {
                    ++backUps;
                    EXPECT_EQ(readBytes(info.path() + '/' + n), before) << n.toStdString();
                }
            }
            EXPECT_EQ(backUps, (byA || byB) ? 1 : 0) << path.toStdString();
        }
    }
}

// A run killed at any moment is taken back whole from its journal: every file it changed is in
// the journal, so after the undo every target holds its old content again.
TEST(CrashSafety, AKilledRunIsTakenBackFromItsJournal)
{
    const QString child = QCoreApplication::applicationDirPath() + "/tralex_crash_child";
    TempFolder settings;
    OverrideSettingsFolder(settings.path());
    const QString journals = settings.path() + QStringLiteral("Journal/");
    std::mt19937 rng(77);
    qint64 wholeRun = 0;
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        TempFolder root;
        const QList<Target> targets = makeCorpus(root, rng);
        QProcess process;
        QElapsedTimer timer;
        timer.start();
        process.start(child, {settings.path(), root.path()});
        ASSERT_TRUE(process.waitForStarted(10000));
        if (round > 0) {  // the first run goes to the end and times the others' kills
            std::this_thread::sleep_for(std::chrono::microseconds(rng() % quint64(std::max<qint64>(wholeRun, 1000))));
            process.kill();
        }
        ASSERT_TRUE(process.waitForFinished(60000));
        wholeRun = std::max(wholeRun, timer.nsecsElapsed() / 1000);
        const QList<JournalRun> history = RunJournal::History(journals);
        if (!history.isEmpty() && history.first().folder == root.path() && !history.first().undone) {
            RunUndo undo(journals, history.first().id);
            undo.TralexGo();
            EXPECT_EQ(undo.CountSkipped(), 0) << undo.ItemSkipped()->items().join('\n').toStdString();
        }
        for (const Target& t : targets)
            EXPECT_EQ(readBytes(t.folder + t.name), t.before) << t.name.toStdString();
        checkNoStrangers(root.path(), targets);
    }
}
