// Every engine runs through the same loop, so every rule for hostile folders holds for a text
// type and an office type alike: each case below runs against "txt" and, with the real
// LibreOffice, "xls".
#include "engines/BackUpFile.h"
#include "engines/RunUndo.h"
#include "engines/clsTextTralex.h"
#include "engines/office/clsExcelControl.h"
#include "office/support/OfficeFixtures.h"
#include "platform/ProgramError.h"
#include "platform/SettingsFolder.h"
#include "support/TestFiles.h"

#include <QDateTime>
#include <QFile>

#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tralex;
using namespace tralex::test;

namespace {

const QString Find = QStringLiteral("アルファ");
const QString Replace = QStringLiteral("ベータ");

// Acts at one moment of a run, as another program would: right after the loop opened a file, or
// right before the new content takes the file's name.
class Meddling : public FileRenewal {
public:
    std::function<void(const QByteArray& name)> afterOpen;
    std::function<void()> beforeExchange;

    ReadOutcome OpenForRun(int folder, const QByteArray& name, FileSnapshot& snapshot) override
    {
        const ReadOutcome outcome = FileRenewal::OpenForRun(folder, name, snapshot);
        if (afterOpen)
            std::exchange(afterOpen, nullptr)(name);
        return outcome;
    }

protected:
    int exchange(int folder, const char* a, const char* b) override
    {
        if (beforeExchange)
            std::exchange(beforeExchange, nullptr)();
        return FileRenewal::exchange(folder, a, b);
    }
};

void move(const QString& from, const QString& to)
{
    ASSERT_EQ(::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()), 0);
}

void link(const QString& target, const QString& name)
{
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(name).constData()), 0);
}

// The backups below a folder, at any depth.
QStringList backUpsBelow(const QString& folder)
{
    QStringList found;
    for (const QString& entry : QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        const QString path = folder + QLatin1Char('/') + entry;
        if (QFileInfo(path).isDir() && !QFileInfo(path).isSymLink())
            found += backUpsBelow(path);
        else if (HasBackUpForm(entry))
            found << path;
    }
    return found;
}

class HostileFolders : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        OverrideSettingsFolder(settings.path());
        if (office())
            excel = std::make_unique<clsExcelControl>();
    }
    void TearDown() override { OverrideSettingsFolder(QString()); }

    QString type() const { return QString::fromStdString(GetParam()); }
    bool office() const { return type() == QLatin1String("xls"); }
    QString name(const QString& stem) const { return stem + QLatin1Char('.') + type(); }

    // A file of the type that holds the find text.
    QString make(const TempFolder& folder, const QString& stem) const
    {
        const QString path = folder.file(name(stem));
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (office())
            Retried(excel->Application(), [&] { MakeWorkbook(excel->Application(), path); });
        else
            folder.write(name(stem), (QStringLiteral("株式会社") + Find + QStringLiteral("\n")).toUtf8());
        return path;
    }

    // The text another program sees in the file.
    QString text(const QString& path) const
    {
        return office() ? ReadBack(path) : QString::fromUtf8(readBytes(path));
    }

    // A fresh engine of the type, set up for a run over `folder`, with `renewal` if given.
    std::unique_ptr<TralexEngine> engine(const QString& folder, std::unique_ptr<FileRenewal> renewal = {},
                                         bool subFolders = false)
    {
        std::unique_ptr<TralexEngine> e;
        if (office())
            e = std::make_unique<clsExcelControl>();
        else
            e = std::make_unique<clsTextTralex>();
        Configure(*e, folder, type(), {{Find, Replace}});
        e->setSubFolder(subFolders);
        if (renewal)
            e->setFileRenewal(std::move(renewal));
        return e;
    }

    TempFolder settings;
    TempFolder dir;
    TempFolder outside;
    std::unique_ptr<clsExcelControl> excel;  // makes the workbooks
};

TEST_P(HostileFolders, BackUpFolderElsewhereGetsTheOldContentInTheMirroredFolder)
{
    const QString path = make(dir, QStringLiteral("a"));
    const QByteArray old = readBytes(path);
    auto run = engine(dir.path());
    run->setBackUpPath(outside.path());
    run->TralexGo();
    EXPECT_EQ(run->ItemResult()->items(), QStringList({path}));
    EXPECT_TRUE(text(path).contains(Replace));
    const QStringList backUps = backUpsBelow(outside.path() + dir.path().mid(1));
    ASSERT_EQ(backUps.size(), 1);
    EXPECT_EQ(readBytes(backUps.first()), old);
    EXPECT_TRUE(backUpsBelow(dir.path()).isEmpty());
}

TEST_P(HostileFolders, LinkedFileIsReportedAndItsTargetNeverChanged)
{
    const QString secret = make(outside, QStringLiteral("secret"));
    const QByteArray old = readBytes(secret);
    link(secret, dir.file(name(QStringLiteral("a"))));
    auto run = engine(dir.path());
    run->TralexGo();
    EXPECT_EQ(run->CountResult(), 0);
    EXPECT_EQ(SkipReason(*run, name(QStringLiteral("a"))), QStringLiteral("シンボリックリンクは対象外です"));
    EXPECT_EQ(readBytes(secret), old);
    EXPECT_TRUE(backUpsBelow(outside.path()).isEmpty());
}

TEST_P(HostileFolders, TakenBackUpNameLeavesTheFileAsItWas)
{
    const QString path = make(dir, QStringLiteral("a"));
    const QByteArray old = readBytes(path);
    // The backup names of the next two minutes, which a run (LibreOffice start included) meets.
    const QDateTime now = QDateTime::currentDateTime();
    for (int s = 0; s < 120; ++s)
        dir.write(BackUpName(name(QStringLiteral("a")), BackUpStamp(now.addSecs(s))), "earlier");
    auto run = engine(dir.path());
    run->TralexGo();
    EXPECT_EQ(run->CountResult(), 0);
    EXPECT_EQ(SkipReason(*run, name(QStringLiteral("a"))), QStringLiteral("バックアップファイル名が既に存在します"));
    EXPECT_EQ(readBytes(path), old);
}

// Root reads every folder, so the run goes on as "nobody" in a child process.
TEST_P(HostileFolders, UnreadableFolderIsReported)
{
    dir.mkdir(QStringLiteral("closed"));
    make(dir, QStringLiteral("closed/a"));
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(dir.file(QStringLiteral("closed"))).constData(), 0), 0);
    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        auto run = engine(dir.path(), {}, true);
        run->TralexGo();
        const QByteArray skipped = run->ItemSkipped()->items().join(QLatin1Char('\n')).toUtf8();
        ::_exit(::write(channel[1], skipped.constData(), size_t(skipped.size())) == skipped.size() ? 0 : 3);
    }
    ::close(channel[1]);
    QByteArray skipped;
    char buffer[4096];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        skipped.append(buffer, n);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::chmod(QFile::encodeName(dir.file(QStringLiteral("closed"))).constData(), 0700);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(QString::fromUtf8(skipped), dir.file(QStringLiteral("closed/")) + QStringLiteral("\tフォルダを開けません"));
}

TEST_P(HostileFolders, NameThatIsNotTextIsReportedAndNeverTouched)
{
    const QString path = make(dir, QStringLiteral("x"));
    const QByteArray old = readBytes(path);
    const QByteArray raw = QFile::encodeName(dir.path()) + "\xff." + type().toLatin1();
    ASSERT_EQ(::rename(QFile::encodeName(path).constData(), raw.constData()), 0);
    auto run = engine(dir.path());
    run->TralexGo();
    EXPECT_EQ(run->CountResult(), 0);
    ASSERT_EQ(run->CountSkipped(), 1);
    EXPECT_TRUE(run->ItemSkipped()->Item(1).endsWith(QStringLiteral("\t名前を文字に変換できません")));
    // The name has no text form: read through its bytes.
    const int fd = ::open(raw.constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    QFile file;
    ASSERT_TRUE(file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
    EXPECT_EQ(file.readAll(), old);
}

TEST_P(HostileFolders, FolderSwappedForALinkMidRunIsNotEntered)
{
    const QString first = make(dir, QStringLiteral("a"));
    make(dir, QStringLiteral("sub/b"));
    const QString far = make(outside, QStringLiteral("b"));
    const QByteArray farOld = readBytes(far);
    auto renewal = std::make_unique<Meddling>();
    renewal->afterOpen = [&](const QByteArray&) {
        move(dir.file(QStringLiteral("sub")), dir.file(QStringLiteral("moved")));
        link(outside.path(), dir.file(QStringLiteral("sub")));
    };
    auto run = engine(dir.path(), std::move(renewal), true);
    run->TralexGo();
    EXPECT_EQ(run->ItemResult()->items(), QStringList({first}));
    EXPECT_EQ(run->ItemSkipped()->items(),
              QStringList({dir.file(QStringLiteral("sub/")) + QStringLiteral("\t一覧を作った後にフォルダが移動または置き換えられました")}));
    EXPECT_EQ(readBytes(far), farOld);
    EXPECT_TRUE(backUpsBelow(outside.path()).isEmpty());
}

// Someone else appends to the file right after the run opened it (before it is read: the run
// must not write from the part it saw) or just before the exchange of names.
TEST_P(HostileFolders, FileChangedAfterOpeningOrBeforeTheExchangeKeepsTheOtherChange)
{
    for (const bool early : {true, false}) {
        SCOPED_TRACE(early ? "after opening" : "before the exchange");
        TempFolder folder;
        const QString path = make(folder, QStringLiteral("a"));
        auto renewal = std::make_unique<Meddling>();
        QByteArray meddled;
        const auto meddle = [&] {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::Append));
            file.write("someone else");
            file.close();
            meddled = readBytes(path);
        };
        if (early)
            renewal->afterOpen = [&](const QByteArray&) { meddle(); };
        else
            renewal->beforeExchange = meddle;
        auto run = engine(folder.path(), std::move(renewal));
        run->TralexGo();
        EXPECT_EQ(run->CountResult(), 0);
        EXPECT_EQ(SkipReason(*run, name(QStringLiteral("a"))), QStringLiteral("読み込んだ後にファイルが変更されました"));
        EXPECT_FALSE(meddled.isEmpty());
        EXPECT_EQ(readBytes(path), meddled);
        EXPECT_TRUE(backUpsBelow(folder.path()).isEmpty());
    }
}

// A folder entered for its name (named like the type) that is moved away while it is searched:
// the folder around it is found again, and its other files are still handled.
TEST_P(HostileFolders, FolderMovedAwayWhileSearchedLeavesTheFolderAroundItWhole)
{
    const QString outer = name(QStringLiteral("outer"));
    const QString inner = outer + QLatin1Char('/') + name(QStringLiteral("inner"));
    const QString first = make(dir, inner + QStringLiteral("/c"));
    const QString last = make(dir, outer + QStringLiteral("/z"));
    auto renewal = std::make_unique<Meddling>();
    renewal->afterOpen = [&](const QByteArray&) { move(dir.file(inner), dir.file(QStringLiteral("moved"))); };
    auto run = engine(dir.path(), std::move(renewal));
    run->TralexGo();
    EXPECT_EQ(run->ItemResult()->items(), QStringList({first, last}));
    EXPECT_EQ(run->CountSkipped(), 0) << run->ItemSkipped()->items().join(u'\n').toStdString();
    EXPECT_TRUE(text(last).contains(Replace));
}

// A name swapped for a link to someone's private file once the file is open: the run works on the
// inode it opened, never on what the name leads to, so the private file goes nowhere.
TEST_P(HostileFolders, NameSwappedForALinkAfterOpeningNeverExposesTheLinkedFile)
{
    const QString path = make(dir, QStringLiteral("a"));
    const QByteArray old = readBytes(path);
    const QString secret = make(outside, QStringLiteral("secret"));
    ASSERT_EQ(::chmod(QFile::encodeName(secret).constData(), 0600), 0);
    const QByteArray secretOld = readBytes(secret);
    auto renewal = std::make_unique<Meddling>();
    renewal->afterOpen = [&](const QByteArray&) {
        move(path, dir.file(QStringLiteral("moved")));
        link(secret, path);
    };
    auto run = engine(dir.path(), std::move(renewal));
    run->TralexGo();
    EXPECT_EQ(run->CountResult(), 0);
    EXPECT_EQ(SkipReason(*run, name(QStringLiteral("a"))), QStringLiteral("読み込んだ後にファイルが変更されました"));
    EXPECT_TRUE(QFileInfo(path).isSymLink());
    EXPECT_EQ(readBytes(secret), secretOld);
    EXPECT_EQ(readBytes(dir.file(QStringLiteral("moved"))), old);
    EXPECT_TRUE(backUpsBelow(dir.path()).isEmpty());
    EXPECT_TRUE(backUpsBelow(outside.path()).isEmpty());
}

// In a backup folder others can write in (as /tmp), someone may plant the first folders of the
// mirror chain, or a link among them: no backup goes through either, and nothing is made below.
TEST_P(HostileFolders, BackUpChainThroughALinkOrSomeoneElsesOpenFolderIsRefused)
{
    struct Row {
        const char* what;
        std::function<void(const QString& first)> plant;
    } rows[] = {
        {"link", [&](const QString& first) { link(outside.path(), first); }},
        {"someone else's open folder", [&](const QString& first) {
             ASSERT_TRUE(QDir().mkdir(first));
             ASSERT_EQ(::chown(QFile::encodeName(first).constData(), 65534, 65534), 0);
             ASSERT_EQ(::chmod(QFile::encodeName(first).constData(), 0777), 0);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TempFolder shared;
        ASSERT_EQ(::chmod(QFile::encodeName(shared.path()).constData(), 01777), 0);
        TempFolder data;
        const QString path = make(data, QStringLiteral("a"));
        const QByteArray old = readBytes(path);
        // The first folder of the chain: the mirror of the data folder's top folder.
        const QString first = shared.path() + data.path().section(QLatin1Char('/'), 1, 1);
        row.plant(first);
        auto run = engine(data.path());
        run->setBackUpPath(shared.path());
        run->TralexGo();
        EXPECT_EQ(run->CountResult(), 0);
        EXPECT_EQ(SkipReason(*run, name(QStringLiteral("a"))),
                  QStringLiteral("バックアップフォルダの途中にリンクか、ほかの人が書き込めるフォルダがあります"));
        EXPECT_EQ(readBytes(path), old);
        EXPECT_TRUE(QDir(outside.path()).isEmpty());
        EXPECT_TRUE(QFileInfo(first).isSymLink() || QDir(first).isEmpty());
    }
}

// A backup is never more readable than its original: the mirror of a folder only its owner may
// enter is closed to others too, also where an earlier run left it open.
TEST_P(HostileFolders, MirrorFoldersAreNoMoreOpenThanTheFoldersTheyMirror)
{
    const QString path = make(dir, QStringLiteral("private/a"));
    ASSERT_EQ(::chmod(QFile::encodeName(dir.file(QStringLiteral("private"))).constData(), 0700), 0);
    const QString mirror = outside.path() + dir.file(QStringLiteral("private")).mid(1);
    ASSERT_TRUE(QDir().mkpath(mirror));
    ASSERT_EQ(::chmod(QFile::encodeName(mirror).constData(), 0777), 0);
    auto run = engine(dir.file(QStringLiteral("private")));
    run->setBackUpPath(outside.path());
    run->TralexGo();
    EXPECT_EQ(run->ItemResult()->items(), QStringList({path}));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(mirror).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0077, 0u) << std::oct << st.st_mode;
    EXPECT_EQ(backUpsBelow(mirror).size(), 1);
}

// Where the file cannot get a second name (the backup folder on another file system), the backup
// is a copy written under a temporary name of its own, never the new content's.
TEST_P(HostileFolders, BackUpCopiedWhereNoSecondNameIsAllowedHoldsTheOldContent)
{
    class NoSecondName : public FileRenewal {
    protected:
        int linkOpened(int, int, const char*) override { return EXDEV; }
    };
    const QString path = make(dir, QStringLiteral("a"));
    const QByteArray old = readBytes(path);
    auto run = engine(dir.path(), std::make_unique<NoSecondName>());
    run->TralexGo();
    EXPECT_EQ(run->ItemResult()->items(), QStringList({path}));
    const QStringList backUps = backUpsBelow(dir.path());
    ASSERT_EQ(backUps.size(), 1);
    EXPECT_EQ(readBytes(backUps.first()), old);
    EXPECT_EQ(NamesIn(dir.path()).size(), 2) << NamesIn(dir.path()).join(u' ').toStdString();
}

// Folders on the list of folders to leave out are not entered, whether met as subfolders or
// as folders named like the type: nothing in them is changed, listed or reported.
TEST_P(HostileFolders, ExcludedFoldersAreNeverEntered)
{
    const QString kept = make(dir, QStringLiteral("a"));
    const QString inKept = make(dir, QStringLiteral("keep/b"));
    const QStringList left = {make(dir, QStringLiteral("node_modules/c")),
                              make(dir, QStringLiteral("Backup2024/d")),
                              make(dir, QStringLiteral("old.") + type() + QStringLiteral("/e"))};
    QList<QByteArray> before;
    for (const QString& path : left)
        before << readBytes(path);
    for (const bool subFolders : {true, false}) {
        auto run = engine(dir.path(), {}, subFolders);
        run->setExcludedFolders(ExcludedFolders({QStringLiteral("node_modules"), QStringLiteral("backup*"),
                                                 QStringLiteral("old.*")}));
        run->TralexGo();
        EXPECT_EQ(run->CountSkipped(), 0) << run->ItemSkipped()->items().join('\n').toStdString();
        EXPECT_EQ(run->ItemResult()->items(), subFolders ? QStringList({kept, inKept}) : QStringList())
            << run->ItemResult()->items().join('\n').toStdString();
        for (qsizetype i = 0; i < left.size(); ++i)
            EXPECT_EQ(readBytes(left[i]), before[i]) << left[i].toStdString();
    }
}

// A run is taken back from its journal, with the backups beside the files or in a backup
// folder: the old bytes come back exactly, the content undo replaced is kept as a backup in its
// turn, a file changed since the run is left as it is with its reason, and a second undo of the
// same run is refused.
TEST_P(HostileFolders, UndoTakesARunBack)
{
    const QString journals = settings.file(QStringLiteral("Journal/"));
    for (const QString& backUps : {QString(), outside.path()}) {
        SCOPED_TRACE(backUps.toStdString());
        const TempFolder folder;
        const QStringList paths = {make(folder, QStringLiteral("a")), make(folder, QStringLiteral("sub/b")),
                                   make(folder, QStringLiteral("sub/c"))};
        QList<QByteArray> old;
        for (const QString& path : paths)
            old << readBytes(path);
        auto run = engine(folder.path(), {}, true);
        run->setBackUpPath(backUps);
        run->setJournalFolder(journals);
        run->TralexGo();
        ASSERT_EQ(run->CountResult(), 3) << run->ItemSkipped()->items().join('\n').toStdString();
        ASSERT_FALSE(run->JournalId().isEmpty());
        const QByteArray replaced = readBytes(paths[0]);
        // Changed since the run: left alone.
        if (office())
            Retried(excel->Application(), [&] { MakeWorkbook(excel->Application(), paths[2]); });
        else
            folder.write(QStringLiteral("sub/c.txt"), "edited by hand");
        const QByteArray edited = readBytes(paths[2]);

        RunUndo undo(journals, run->JournalId());
        undo.TralexGo();
        EXPECT_EQ(readBytes(paths[0]), old[0]);
        EXPECT_EQ(readBytes(paths[1]), old[1]);
        EXPECT_EQ(readBytes(paths[2]), edited);
        EXPECT_EQ(undo.ItemResult()->items(), QStringList({paths[0], paths[1]}));
        EXPECT_EQ(undo.ItemSkipped()->items(),
                  QStringList({paths[2] + QStringLiteral("\t実行の後でファイルが変更されています")}));
        // The run's backup and the undo's, which holds what the run had written.
        const QStringList aBackUps = backUpsBelow((backUps.isEmpty() ? folder.path() : outside.path()).chopped(1))
                                         .filter(QStringLiteral("_a.") + type());
        ASSERT_EQ(aBackUps.size(), 2) << aBackUps.join('\n').toStdString();
        QList<QByteArray> kept = {readBytes(aBackUps[0]), readBytes(aBackUps[1])};
        EXPECT_TRUE(kept.contains(old[0]) && kept.contains(replaced));

        RunUndo again(journals, run->JournalId());
        try {
            again.TralexGo();
            ADD_FAILURE() << "a second undo of the same run went on";
        } catch (const ProgramError& e) {
            EXPECT_EQ(e.description(), QStringLiteral("この実行はすでに元に戻しています"));
        }
        EXPECT_EQ(readBytes(paths[0]), old[0]);
    }
}

INSTANTIATE_TEST_SUITE_P(TextAndOffice, HostileFolders, ::testing::Values("txt", "xls"),
                         [](const auto& info) { return info.param; });

}  // namespace
