// The command line as a user or a script runs it: the real program on real folders, its output,
// its exit status and the files it leaves.
#include "support/TestFiles.h"

#include "services/PairEntry.h"
#include "services/basListFile.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSet>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace tralex;
using namespace tralex::test;

namespace {

// The program is copied into a folder of its own, which becomes its settings folder: the runs
// read and write their type file there, never beside the built program.
class TralexCli : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        sProgramFolder = new TempFolder;
        sProgram = sProgramFolder->file(QStringLiteral("tralex-cli"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(TRALEX_CLI_PATH), sProgram));
        QFile(sProgram).setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::WriteOwner);
    }
    static void TearDownTestSuite() { delete sProgramFolder; }

    struct Outcome {
        int status = -1;
        QString out;
        QString err;
    };

    // Runs the program in `folder` (the files' folder) with the environment given.
    Outcome run(const QStringList& arguments, const QStringList& environment = {}) const
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"LANG", "LC_ALL", "LC_MESSAGES"})
            env.remove(QString::fromLatin1(name));
        for (const QString& setting : environment)
            env.insert(setting.section(QLatin1Char('='), 0, 0), setting.section(QLatin1Char('='), 1));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(t.path());
        process.start(sProgram, arguments);
        EXPECT_TRUE(process.waitForFinished(-1));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    static QStringList backUpsIn(const QString& folder)
    {
        return QDir(folder).entryList({QStringLiteral("Bk*_*")}, QDir::Files);
    }

    static inline TempFolder* sProgramFolder = nullptr;
    static inline QString sProgram;
    TempFolder t;
};

QList<QJsonObject> jsonLines(const QString& out)
{
    QList<QJsonObject> objects;
    for (const QString& line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(line.toUtf8(), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
        objects << document.object();
    }
    return objects;
}

}  // namespace

// One row per kind of run: the arguments ("{d}" is the folder of the files), what the files hold
// afterwards, the exit status and what the summary line says.
TEST_F(TralexCli, RunsDoWhatTheirArgumentsSay)
{
    const struct {
        const char* name;
        QStringList arguments;
        QByteArray after;       // d/a.txt afterwards, which held "abc ABC cd abcd\n"
        int status;
        const char* summary;
        int backUps;            // backups beside d/a.txt afterwards
    } rows[] = {
        {"replace ignores case by default", {QStringLiteral("d"), QStringLiteral("txt"), QStringLiteral("--pair"),
                                             QStringLiteral("abc"), QStringLiteral("X")},
         "X X cd Xd\n", 0, "終了しました（変更 1件、処理できなかったファイル 0件）", 1},
        {"--case tells cases apart", {QStringLiteral("--case"), QStringLiteral("d"), QStringLiteral("txt"),
                                      QStringLiteral("--pair"), QStringLiteral("abc"), QStringLiteral("X")},
         "X ABC cd Xd\n", 0, "終了しました", 1},
        {"retry is on by default", {QStringLiteral("d"), QStringLiteral("txt"), QStringLiteral("--pair"),
                                    QStringLiteral("cd"), QStringLiteral("abcd")},
         "abc ABC abcd abcd\n", 0, "終了しました", 1},
        {"--no-retry replaces inside replace texts", {QStringLiteral("--no-retry"), QStringLiteral("d"), QStringLiteral("txt"),
                                                       QStringLiteral("--pair"), QStringLiteral("cd"), QStringLiteral("abcd")},
         "abc ABC abcd ababcd\n", 0, "終了しました", 1},
        {"pairs apply in order", {QStringLiteral("d"), QStringLiteral("txt"), QStringLiteral("--pair"), QStringLiteral("abc"),
                                  QStringLiteral("Q"), QStringLiteral("--pair"), QStringLiteral("Qd"), QStringLiteral("R")},
         "Q Q cd R\n", 0, "終了しました", 1},
        {"a list file", {QStringLiteral("d"), QStringLiteral("txt"), QStringLiteral("--list"), QStringLiteral("pairs.slt")},
         "一 一 cd 一d\n", 0, "終了しました", 1},
        {"nothing matches", {QStringLiteral("d"), QStringLiteral("txt"), QStringLiteral("--pair"), QStringLiteral("zzz"),
                             QStringLiteral("X")},
         "abc ABC cd abcd\n", 0, "置換対象ファイルはありませんでした", 0},
        {"a skipped file gives 1", {QStringLiteral("--subfolders"), QStringLiteral("d"), QStringLiteral("txt"),
                                    QStringLiteral("--pair"), QStringLiteral("abc"), QStringLiteral("X")},
         "X X cd Xd\n", 1, "処理できなかったファイル 1件", 1},
        {"backups in a folder", {QStringLiteral("--backup-folder"), QStringLiteral("bk"), QStringLiteral("d"),
                                 QStringLiteral("txt"), QStringLiteral("--pair"), QStringLiteral("abc"), QStringLiteral("X")},
         "X X cd Xd\n", 0, "終了しました", 0},
        {"delete backups", {QStringLiteral("--delete-backups"), QStringLiteral("d"), QStringLiteral("txt")},
         "abc ABC cd abcd\n", 0, "終了しました（削除 1件、処理できなかったファイル 0件）", 0},
        {"a preview changes nothing", {QStringLiteral("--preview"), QStringLiteral("d"), QStringLiteral("txt"),
                                       QStringLiteral("--pair"), QStringLiteral("abc"), QStringLiteral("X")},
         "abc ABC cd abcd\n", 0, "終了しました（変更予定 1件、処理できなかったファイル 0件）", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        t.write(QStringLiteral("d/a.txt"), "abc ABC cd abcd\n");
        t.write(QStringLiteral("d/Bk202001010000_old.txt"), "an old backup\n");
        t.write(QStringLiteral("d/sub/binary.txt"), QByteArray("abc\0", 4));
        t.mkdir(QStringLiteral("bk"));
        WriteListFile(t.file(QStringLiteral("pairs.slt")), {BuildPairEntry(QStringLiteral("abc"), QStringLiteral("一"))});

        const Outcome outcome = run(row.arguments);
        EXPECT_EQ(outcome.status, row.status) << outcome.err.toStdString();
        EXPECT_EQ(readBytes(t.file(QStringLiteral("d/a.txt"))), row.after);
        const QStringList lines = outcome.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_TRUE(lines.last().startsWith(QStringLiteral("集計\t"))) << lines.last().toStdString();
        EXPECT_TRUE(lines.last().contains(QString::fromUtf8(row.summary))) << lines.last().toStdString();
        const QStringList backUps = backUpsIn(t.file(QStringLiteral("d")));
        EXPECT_EQ(backUps.filter(QStringLiteral("_a.txt")).size(), row.backUps);
        // The old backup goes only when backups are deleted.
        EXPECT_EQ(backUps.contains(QStringLiteral("Bk202001010000_old.txt")),
                  !row.arguments.contains(QStringLiteral("--delete-backups")));
        QDir(t.path()).removeRecursively();
        QDir().mkpath(t.path());
    }
    // The backup folder mirrors the file's folder below "/".
    t.write(QStringLiteral("d/a.txt"), "abc\n");
    t.mkdir(QStringLiteral("bk"));
    run({QStringLiteral("--backup-folder"), t.file(QStringLiteral("bk")), t.file(QStringLiteral("d")), QStringLiteral("txt"),
         QStringLiteral("--pair"), QStringLiteral("abc"), QStringLiteral("X")});
    EXPECT_EQ(backUpsIn(t.file(QStringLiteral("bk/")) + t.file(QStringLiteral("d")).mid(1)).size(), 1);
}

// A preview lists each file with its replacements and its changed lines, as text and as JSON;
// a run lists its replacements too.
TEST_F(TralexCli, PreviewShowsTheChangedLines)
{
    t.write(QStringLiteral("d/a.txt"), "first\nabc ABC cd abcd\nlast\n");
    const QString path = t.file(QStringLiteral("d/a.txt"));
    const QStringList arguments = {QStringLiteral("--preview"), QStringLiteral("d"), QStringLiteral("txt"),
                                   QStringLiteral("--pair"), QStringLiteral("abc"), QStringLiteral("X")};
    const QStringList text = run(arguments).out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GE(text.size(), 3);
    EXPECT_EQ(text.mid(0, 3), QStringList({QStringLiteral("変更予定\t") + path + QStringLiteral("\t3件"),
                                           QStringLiteral("-\t2\tabc ABC cd abcd"), QStringLiteral("+\t2\tX X cd Xd")}));

    const QList<QJsonObject> json = jsonLines(run(QStringList{QStringLiteral("--json")} + arguments).out);
    ASSERT_EQ(json.size(), 2);
    EXPECT_EQ(json[0].value(QStringLiteral("type")).toString(), QStringLiteral("preview"));
    EXPECT_EQ(json[0].value(QStringLiteral("replacements")).toInt(), 3);
    EXPECT_EQ(json[0].value(QStringLiteral("lines"))[0][QStringLiteral("after")].toString(), QStringLiteral("X X cd Xd"));
    EXPECT_EQ(json[1].value(QStringLiteral("action")).toString(), QStringLiteral("preview"));
    EXPECT_EQ(readBytes(path), "first\nabc ABC cd abcd\nlast\n");
    EXPECT_TRUE(backUpsIn(t.file(QStringLiteral("d"))).isEmpty());

    const QList<QJsonObject> done = jsonLines(run(QStringList{QStringLiteral("--json")} + arguments.mid(1)).out);
    ASSERT_EQ(done.size(), 2);
    EXPECT_EQ(done[0].value(QStringLiteral("replacements")).toInt(), 3);
    EXPECT_TRUE(QFile::exists(done[0].value(QStringLiteral("backup")).toString()));
}

// Every refusal exits with 2 before any file changes, and says why on standard error.
TEST_F(TralexCli, WrongArgumentsAreRefusedWithTheirReason)
{
    t.write(QStringLiteral("d/a.txt"), "abc\n");
    t.write(QStringLiteral("broken.slt"), "abc\x1F\r\n");
    t.mkdir(QStringLiteral("folder.slt"));
    const QStringList pair = {QStringLiteral("--pair"), QStringLiteral("abc"), QStringLiteral("X")};
    const struct {
        const char* name;
        QStringList arguments;
        const char* message;
    } rows[] = {
        {"no arguments", {}, "フォルダと種類"},
        {"a folder without a type", QStringList{QStringLiteral("d")} + pair, "フォルダと種類"},
        {"an unknown option", {QStringLiteral("--fast"), QStringLiteral("d"), QStringLiteral("txt")}, "--fast"},
        {"a pair without its replace text", {QStringLiteral("d"), QStringLiteral("txt"), QStringLiteral("--pair"),
                                             QStringLiteral("abc")}, "--pair の後に値がありません"},
        {"a preview of deleting backups", {QStringLiteral("--preview"), QStringLiteral("--delete-backups"),
                                           QStringLiteral("d"), QStringLiteral("txt")}, "一緒には使えません"},
        {"undo with a folder", {QStringLiteral("--undo"), QStringLiteral("d"), QStringLiteral("txt")}, "要りません"},
        {"undo with nothing to take back", {QStringLiteral("--undo")}, "元に戻せる実行はありません"},
        {"undo of an unknown run", {QStringLiteral("--undo"), QStringLiteral("20260101-000000-000-1")},
         "元に戻す実行の記録が見つかりません"},
        {"a missing folder", QStringList{QStringLiteral("nowhere"), QStringLiteral("txt")} + pair,
         "検索するフォルダが正しくありません"},
        {"an empty folder name", QStringList{QString(), QStringLiteral("txt")} + pair, "検索するフォルダを指定してください"},
        {"a missing backup folder", QStringList{QStringLiteral("--backup-folder"), QStringLiteral("nowhere"),
                                                QStringLiteral("d"), QStringLiteral("txt")} + pair,
         "BackUpファイルを作成するフォルダが正しくありません"},
        {"an empty type", QStringList{QStringLiteral("d"), QString()} + pair, "検索するファイルの拡張子を選択してください"},
        {"a type no engine takes", QStringList{QStringLiteral("d"), QStringLiteral("zzz")} + pair,
         "指定された拡張子には対応していません"},
        {"no pairs", {QStringLiteral("d"), QStringLiteral("txt")}, "置換が設定されていません"},
        {"a missing list file", {QStringLiteral("d"), QStringLiteral("txt"), QStringLiteral("--list"), QStringLiteral("none.slt")},
         "リストファイル"},
        {"a folder as list file", {QStringLiteral("d"), QStringLiteral("txt"), QStringLiteral("--list"), QStringLiteral("folder.slt")},
         "リストファイル"},
        {"a list with a broken record", {QStringLiteral("d"), QStringLiteral("txt"), QStringLiteral("--list"),
                                         QStringLiteral("broken.slt")}, "の 1 行目"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Outcome outcome = run(row.arguments);
        EXPECT_EQ(outcome.status, 2);
        EXPECT_TRUE(outcome.err.contains(QString::fromUtf8(row.message))) << outcome.err.toStdString();
        EXPECT_EQ(readBytes(t.file(QStringLiteral("d/a.txt"))), "abc\n");
        EXPECT_TRUE(backUpsIn(t.file(QStringLiteral("d"))).isEmpty());
    }
}

// --help needs no folder; its language follows the locale of messages, LC_ALL first.
TEST_F(TralexCli, HelpSpeaksTheLanguageOfTheLocale)
{
    const struct {
        QStringList environment;
        const char* start;
    } rows[] = {
        {{}, "使い方:"},
        {{QStringLiteral("LANG=ja_JP.UTF-8")}, "使い方:"},
        {{QStringLiteral("LANG=en_US.UTF-8")}, "Usage:"},
        {{QStringLiteral("LANG=ja_JP.UTF-8"), QStringLiteral("LC_MESSAGES=en_GB.UTF-8")}, "Usage:"},
        {{QStringLiteral("LANG=en_US.UTF-8"), QStringLiteral("LC_ALL=ja_JP.UTF-8")}, "使い方:"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.environment.join(QLatin1Char(' ')).toStdString());
        const Outcome outcome = run({QStringLiteral("--help")}, row.environment);
        EXPECT_EQ(outcome.status, 0);
        EXPECT_TRUE(outcome.out.startsWith(QString::fromUtf8(row.start))) << outcome.out.toStdString();
    }
}

// --json gives one object per line; read back, they name exactly the files the run changed and
// skipped, and the summary counts them.
TEST_F(TralexCli, JsonLinesReadBackToWhatTheRunDid)
{
    t.write(QStringLiteral("d/a.txt"), "abc\n");
    t.write(QStringLiteral("d/b.txt"), "none\n");
    t.write(QStringLiteral("d/s p\"a\\ce/c.txt"), "abc\n");
    t.write(QStringLiteral("d/s p\"a\\ce/z.txt"), QByteArray("abc\0", 4));
    const Outcome outcome = run({QStringLiteral("--json"), QStringLiteral("--subfolders"), QStringLiteral("d"),
                                 QStringLiteral("txt"), QStringLiteral("--pair"), QStringLiteral("abc"), QStringLiteral("日本")});
    EXPECT_EQ(outcome.status, 1);
    QStringList changed, skipped;
    QJsonObject summary;
    for (const QJsonObject& object : jsonLines(outcome.out)) {
        const QString type = object.value(QStringLiteral("type")).toString();
        if (type == QStringLiteral("changed"))
            changed << object.value(QStringLiteral("path")).toString();
        else if (type == QStringLiteral("skipped"))
            skipped << object.value(QStringLiteral("path")).toString();
        else
            summary = object;
    }
    changed.sort();
    const QStringList expected{t.file(QStringLiteral("d/a.txt")), t.file(QStringLiteral("d/s p\"a\\ce/c.txt"))};
    EXPECT_EQ(changed, expected);
    EXPECT_EQ(skipped, QStringList{t.file(QStringLiteral("d/s p\"a\\ce/z.txt"))});
    for (const QString& path : changed)
        EXPECT_EQ(readBytes(path), QStringLiteral("日本\n").toUtf8());
    EXPECT_EQ(summary.value(QStringLiteral("type")).toString(), QStringLiteral("summary"));
    EXPECT_EQ(summary.value(QStringLiteral("changed")).toInt(), 2);
    EXPECT_EQ(summary.value(QStringLiteral("skipped")).toInt(), 1);
    EXPECT_FALSE(summary.value(QStringLiteral("stopped")).toBool());
    // An error ends the lines with an error object and a summary.
    const QList<QJsonObject> failed = jsonLines(run({QStringLiteral("--json"), QStringLiteral("d"), QStringLiteral("txt")}).out);
    ASSERT_EQ(failed.size(), 2);
    EXPECT_EQ(failed.at(0).value(QStringLiteral("type")).toString(), QStringLiteral("error"));
    EXPECT_EQ(failed.at(0).value(QStringLiteral("message")).toString(), QStringLiteral("置換が設定されていません"));
}

// Ctrl-C in the middle of a run: the run ends after the file in hand, reports exactly the files
// it changed, and exits with 130. Its standard error is a pipe of one page that the test reads
// only up to the first progress line before the signal, so the run cannot get far past that
// line whatever the machine's speed: it waits on the full pipe.
TEST_F(TralexCli, CtrlCStopsAfterTheFileInHandAndReportsWhatWasDone)
{
    constexpr int Files = 1000;
    for (int i = 0; i < Files; ++i)
        t.write(QStringLiteral("d/f%1.txt").arg(i, 4, 10, QLatin1Char('0')), "abc\n");
    const QString outPath = t.file(QStringLiteral("out.json"));

    int err[2];
    ASSERT_EQ(::pipe2(err, O_CLOEXEC), 0);
    ASSERT_GT(::fcntl(err[0], F_SETPIPE_SZ, 4096), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    const QByteArray program = sProgram.toLocal8Bit();
    const QByteArray folder = t.file(QStringLiteral("d")).toLocal8Bit();
    const char* argv[] = {program.constData(), "--json", folder.constData(), "txt", "--pair", "abc", "X", nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, const_cast<char**>(argv), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(err[1]);

    // The third progress line, then the signal: a file's line comes before the file is handled,
    // so by then two files are done, whatever the machine's load.
    QByteArray progress;
    char c = 0;
    while (progress.count('\n') < 3 && ::read(err[0], &c, 1) == 1)
        progress += c;
    ASSERT_TRUE(progress.startsWith("1/")) << progress.constData();
    ASSERT_EQ(progress.count('\n'), 3) << progress.constData();
    ASSERT_EQ(::kill(pid, SIGINT), 0);
    char buffer[4096];
    while (::read(err[0], buffer, sizeof buffer) > 0) {
    }
    ::close(err[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);

    QSet<QString> reported;
    QJsonObject summary;
    for (const QJsonObject& object : jsonLines(QString::fromUtf8(readBytes(outPath)))) {
        if (object.value(QStringLiteral("type")).toString() == QStringLiteral("changed"))
            reported.insert(object.value(QStringLiteral("path")).toString());
        else
            summary = object;
    }
    EXPECT_TRUE(summary.value(QStringLiteral("stopped")).toBool());
    EXPECT_EQ(summary.value(QStringLiteral("changed")).toInt(), reported.size());
    // Every file is either changed and reported, with its backup, or untouched.
    QSet<QString> changedOnDisk;
    const QStringList names = QDir(t.file(QStringLiteral("d"))).entryList({QStringLiteral("f*.txt")}, QDir::Files);
    EXPECT_EQ(names.size(), Files);
    for (const QString& name : names) {
        const QString path = t.file(QStringLiteral("d/") + name);
        const QByteArray bytes = readBytes(path);
        EXPECT_TRUE(bytes == "X\n" || bytes == "abc\n") << name.toStdString();
        if (bytes == "X\n")
            changedOnDisk.insert(path);
    }
    EXPECT_EQ(changedOnDisk, reported);
    EXPECT_EQ(backUpsIn(t.file(QStringLiteral("d"))).size(), reported.size());
    EXPECT_GT(reported.size(), 0);
    EXPECT_LT(reported.size(), Files / 2);
}

// A run is taken back by --undo, by default the last one and by its id from --history, with the
// window's rules: a file edited since stays as it is (exit 1), and a second undo is refused.
TEST_F(TralexCli, UndoAndHistoryTakeRunsBack)
{
    const QString a = t.write(QStringLiteral("d/a.txt"), "abc\n");
    const QString b = t.write(QStringLiteral("d/b.txt"), "abc\n");
    ASSERT_EQ(run({t.file(QStringLiteral("d")), QStringLiteral("txt"), QStringLiteral("--pair"), QStringLiteral("abc"),
                   QStringLiteral("X")}).status, 0);
    const QList<QJsonObject> history = jsonLines(run({QStringLiteral("--history"), QStringLiteral("--json")}).out);
    ASSERT_EQ(history.size(), 1);
    EXPECT_EQ(history[0].value(QStringLiteral("files")).toInt(), 2);
    const QString id = history[0].value(QStringLiteral("id")).toString();
    t.write(QStringLiteral("d/b.txt"), "edited\n");

    const Outcome undo = run({QStringLiteral("--undo")});
    EXPECT_EQ(undo.status, 1) << undo.err.toStdString();
    EXPECT_EQ(readBytes(a), "abc\n");
    EXPECT_EQ(readBytes(b), "edited\n");
    EXPECT_TRUE(undo.out.contains(QStringLiteral("実行の後でファイルが変更されています"))) << undo.out.toStdString();

    const Outcome again = run({QStringLiteral("--undo"), id});
    EXPECT_EQ(again.status, 2);
    EXPECT_TRUE(again.err.contains(QStringLiteral("この実行はすでに元に戻しています"))) << again.err.toStdString();
    const QStringList states = run({QStringLiteral("--history")}).out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(states.size(), 2);
    EXPECT_TRUE(states[0].endsWith(QStringLiteral("\tundo")));
    EXPECT_TRUE(states[1].startsWith(id) && states[1].endsWith(QStringLiteral("\tundone")));
}

// A file far larger than the memory a run may take is replaced in blocks: the program's peak
// memory, as the kernel counts it, stays under 64 MiB for a 200 MB file, and every line is
// replaced.
TEST_F(TralexCli, LargeFileIsReplacedInLittleMemory)
{
    const QByteArray chunk = QStringLiteral("行 0123456789 abc ABC テキストの行です\n").toUtf8().repeated(20000);
    const int chunks = 200 * 1000 * 1000 / int(chunk.size()) + 1;
    QFile big(t.mkdir(QStringLiteral("d")) + QStringLiteral("big.txt"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    for (int i = 0; i < chunks; ++i)
        ASSERT_EQ(big.write(chunk), chunk.size());
    big.close();

    const QByteArray program = sProgram.toLocal8Bit();
    const QByteArray folder = t.file(QStringLiteral("d")).toLocal8Bit();
    const char* argv[] = {program.constData(), "--case", folder.constData(), "txt", "--pair", "abc", "xyz", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, const_cast<char**>(argv), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage {};
    ASSERT_EQ(::wait4(pid, &status, 0, &usage), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_LT(usage.ru_maxrss, 64 * 1024) << "peak KiB";

    QByteArray expected = chunk;
    expected.replace("abc", "xyz");
    ASSERT_TRUE(big.open(QIODevice::ReadOnly));
    EXPECT_EQ(big.size(), qint64(chunk.size()) * chunks);
    for (int i = 0; i < chunks; ++i)
        ASSERT_EQ(big.read(chunk.size()), expected) << "chunk " << i;
}
