// Putting new content in place: on real files in temporary folders, with a test double only to
// make single steps fail as a full disk or a vanished folder would.
#include "platform/FileRenewal.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <tuple>
#include <unistd.h>
#include <vector>

using namespace tralex;
using tralex::test::readBytes;

namespace {

// Makes one chosen step fail with a chosen errno.
class FailingRenewal : public FileRenewal {
public:
    int writeError = 0, linkError = 0, renameError = 0;

protected:
    int writeAll(int fd, const char* data, size_t size) override
    {
        if (writeError != 0) {
            // Half the content reaches the disk before it is full.
            FileRenewal::writeAll(fd, data, size / 2);
            return writeError;
        }
        return FileRenewal::writeAll(fd, data, size);
    }
    int linkOpened(int fd, int toFolder, const char* to) override
    {
        return linkError != 0 ? linkError : FileRenewal::linkOpened(fd, toFolder, to);
    }
    int exchange(int folder, const char* a, const char* b) override
    {
        return renameError != 0 ? renameError : FileRenewal::exchange(folder, a, b);
    }
    int renameFile(int fromFolder, const char* from, int toFolder, const char* to) override
    {
        return renameError != 0 ? renameError : FileRenewal::renameFile(fromFolder, from, toFolder, to);
    }
};

struct stat statOf(const QString& path)
{
    struct stat st {};
    EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
    return st;
}

RenewalPaths pathsIn(const QString& folder, const QString& backUpFolder)
{
    return {folder + "a.txt", folder + "Renewal202601010101_a.txt",
            backUpFolder + "Bk202601010101_a.txt", backUpFolder + "Renewal202601010101_a.txt"};
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The names in a folder, sorted.
QStringList names(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

// Reads a whole file as a run would and gives its snapshot; false when it cannot be read.
bool readSnapshot(const QString& path, FileSnapshot& snapshot)
{
    QByteArray bytes;
    return FileRenewal::ReadFile(path, bytes, snapshot) == ReadOutcome::Read;
}

}  // namespace

TEST(FileRenewal, NewContentInPlaceAndTheOldFileAsBackup)
{
    test::TempFolder temp;
    const RenewalPaths p = pathsIn(temp.path(), temp.path());
    temp.write("a.txt", "old content");
    ::chmod(QFile::encodeName(p.file).constData(), 0640);

    QByteArray bytes;
    FileSnapshot snap;
    ASSERT_EQ(FileRenewal::ReadFile(p.file, bytes, snap), ReadOutcome::Read);
    EXPECT_EQ(bytes, "old content");

    FileRenewal renewal;
    ASSERT_EQ(renewal.Renew(p, "new content", snap), RenewOutcome::Renewed);
    EXPECT_EQ(readBytes(p.file), "new content");
    EXPECT_EQ(readBytes(p.backUp), "old content");
    // The backup is the old file itself; the new file keeps the permission bits.
    EXPECT_EQ(statOf(p.backUp).st_ino, snap.inode);
    EXPECT_EQ(statOf(p.file).st_mode & 07777, 0640u);
    EXPECT_EQ(names(temp.path()), QStringList({"Bk202601010101_a.txt", "a.txt"}));
}

// New content copied from another open file arrives whole: through the kernel, or through the
// process where the kernel refuses the copy (it does for a file opened for appending).
TEST(FileRenewal, ContentCopiedFromAnotherFileArrivesWhole)
{
    struct Copier : FileRenewal {
        using FileRenewal::copyAll;
    };
    test::TempFolder temp;
    QByteArray bytes;
    for (int i = 0; bytes.size() < (3 << 20); ++i)
        bytes += QByteArray::number(i) + ' ';
    const int from = ::open(QFile::encodeName(temp.write("source", bytes)).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(from, 0);
    const QByteArray target = QFile::encodeName(temp.file("target"));
    for (const int flags : {0, O_APPEND}) {
        SCOPED_TRACE(flags);
        const int to = ::open(target.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | flags, 0600);
        ASSERT_GE(to, 0);
        EXPECT_EQ(Copier().copyAll(to, from, 7, bytes.size() - 10), 0);
        // A stretch reaching past the end of its file is an error, not a shorter copy.
        EXPECT_EQ(Copier().copyAll(to, from, bytes.size() - 2, 5), EIO);
        ::close(to);
        EXPECT_EQ(readBytes(target), bytes.mid(7, bytes.size() - 10) + bytes.right(2));
    }
    ::close(from);
}

TEST(FileRenewal, ExistingBackUpNameIsNeverOverwritten)
{
    test::TempFolder temp;
    const RenewalPaths p = pathsIn(temp.path(), temp.path());
    temp.write("a.txt", "old");
    temp.write("Bk202601010101_a.txt", "earlier backup");
    FileSnapshot snap;
    ASSERT_TRUE(readSnapshot(p.file, snap));
    FileRenewal renewal;
    EXPECT_EQ(renewal.Renew(p, "new", snap), RenewOutcome::BackUpNameTaken);
    EXPECT_EQ(readBytes(p.file), "old");
    EXPECT_EQ(readBytes(p.backUp), "earlier backup");
    EXPECT_EQ(names(temp.path()), QStringList({"Bk202601010101_a.txt", "a.txt"}));
}

// A failure at any step leaves the old file under its name, unchanged, and nothing else behind.
TEST(FileRenewal, EveryFailingStepRestoresTheOldState)
{
    const struct {
        const char* step;
        int write, link, rename;
        RenewOutcome expected;
    } cases[] = {
        {"disk full while writing", ENOSPC, 0, 0, RenewOutcome::WriteFailed},
        {"backup link fails", 0, EIO, 0, RenewOutcome::BackUpFailed},
        {"backup name appears meanwhile", 0, EEXIST, 0, RenewOutcome::BackUpNameTaken},
        {"final rename fails", 0, 0, EIO, RenewOutcome::WriteFailed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        test::TempFolder temp;
        const RenewalPaths p = pathsIn(temp.path(), temp.path());
        temp.write("a.txt", "old content");
        QByteArray bytes;
        FileSnapshot snap;
        ASSERT_EQ(FileRenewal::ReadFile(p.file, bytes, snap), ReadOutcome::Read);
        FailingRenewal renewal;
        renewal.writeError = c.write;
        renewal.linkError = c.link;
        renewal.renameError = c.rename;
        EXPECT_EQ(renewal.Renew(p, "new content that is longer", snap), c.expected);
        EXPECT_EQ(readBytes(p.file), "old content");
        EXPECT_EQ(statOf(p.file).st_ino, snap.inode);
        EXPECT_EQ(names(temp.path()), QStringList({"a.txt"}));
    }
}

// A temporary file left by an interrupted run under the same name is neither overwritten nor
// in the way.
TEST(FileRenewal, LeftoverTemporaryFileIsNotReused)
{
    test::TempFolder temp;
    const RenewalPaths p = pathsIn(temp.path(), temp.path());
    temp.write("a.txt", "old");
    temp.write("Renewal202601010101_a.txt", "left over");
    FileSnapshot snap;
    ASSERT_TRUE(readSnapshot(p.file, snap));
    FileRenewal renewal;
    ASSERT_EQ(renewal.Renew(p, "new", snap), RenewOutcome::Renewed);
    EXPECT_EQ(readBytes(p.file), "new");
    EXPECT_EQ(readBytes(p.backUp), "old");
    EXPECT_EQ(readBytes(p.temporary), "left over");
    EXPECT_EQ(names(temp.path()),
              QStringList({"Bk202601010101_a.txt", "Renewal202601010101_a.txt", "a.txt"}));
}

TEST(FileRenewal, FileChangedAfterReadingIsLeftAlone)
{
    test::TempFolder temp;
    const RenewalPaths p = pathsIn(temp.path(), temp.path());
    temp.write("a.txt", "old");
    FileSnapshot snap;
    ASSERT_TRUE(readSnapshot(p.file, snap));
    temp.write("a.txt", "someone else's edit");
    FileRenewal renewal;
    EXPECT_EQ(renewal.Renew(p, "new", snap), RenewOutcome::ChangedMeanwhile);
    EXPECT_EQ(readBytes(p.file), "someone else's edit");
    EXPECT_EQ(names(temp.path()), QStringList({"a.txt"}));
}

// Where the backup cannot be a second name of the file, it is a complete copy with the old
// file's permissions and times, and only a finished copy carries the backup name.
TEST(FileRenewal, BackUpIsCopiedWhereNoHardLinkCanBeMade)
{
    test::TempFolder temp;
    const QString bk = temp.mkdir("bk");
    const RenewalPaths p = pathsIn(temp.path(), bk);
    temp.write("a.txt", "old content");
    ::chmod(QFile::encodeName(p.file).constData(), 0604);
    const timespec times[2] = {{1000000000, 0}, {1200000000, 500}};
    ::utimensat(AT_FDCWD, QFile::encodeName(p.file).constData(), times, 0);
    FileSnapshot snap;
    ASSERT_TRUE(readSnapshot(p.file, snap));

    FailingRenewal renewal;
    renewal.linkError = EXDEV;  // as across two file systems
    ASSERT_EQ(renewal.Renew(p, "new", snap), RenewOutcome::Renewed);
    EXPECT_EQ(readBytes(p.file), "new");
    EXPECT_EQ(readBytes(p.backUp), "old content");
    const struct stat b = statOf(p.backUp);
    EXPECT_EQ(b.st_mode & 07777, 0604u);
    EXPECT_EQ(b.st_mtim.tv_sec, 1200000000);
    EXPECT_EQ(names(bk), QStringList({"Bk202601010101_a.txt"}));
    EXPECT_EQ(names(temp.path()), QStringList({"a.txt", "bk"}));
}

// A copied backup is the only place the old content is kept once the new content has the file's
// name, so the copy and its name must be on the disk before that: a power cut in between would
// otherwise lose both. The double records the order of the steps; a flush that fails (as on a
// failing disk) must stop the renewal with the old file in place.
TEST(FileRenewal, CopiedBackUpIsOnTheDiskBeforeTheNewContentTakesTheName)
{
    class RecordingRenewal : public FailingRenewal {
    public:
        QStringList steps;
        int flushError = 0;

    protected:
        int flush(int fd) override
        {
            struct stat st {};
            ::fstat(fd, &st);
            steps << (S_ISDIR(st.st_mode) ? "flush folder" : "flush file");
            return flushError != 0 ? flushError : FileRenewal::flush(fd);
        }
        int exchange(int folder, const char* a, const char* b) override
        {
            steps << "exchange";
            return FileRenewal::exchange(folder, a, b);
        }
    };
    for (const int flushError : {0, EIO}) {
        SCOPED_TRACE(flushError);
        test::TempFolder temp;
        const QString bk = temp.mkdir("bk");
        const RenewalPaths p = pathsIn(temp.path(), bk);
        temp.write("a.txt", "old content");
        FileSnapshot snap;
        ASSERT_TRUE(readSnapshot(p.file, snap));
        RecordingRenewal renewal;
        renewal.linkError = EXDEV;
        renewal.flushError = flushError;
        const RenewOutcome outcome = renewal.Renew(p, "new", snap);
        if (flushError == 0) {
            EXPECT_EQ(outcome, RenewOutcome::Renewed);
            EXPECT_EQ(renewal.steps, QStringList({"flush file", "flush folder", "exchange"}));
        } else {
            EXPECT_NE(outcome, RenewOutcome::Renewed);
            EXPECT_FALSE(renewal.steps.contains("exchange"));
            EXPECT_EQ(readBytes(p.file), "old content");
            EXPECT_EQ(names(temp.path()), QStringList({"a.txt", "bk"}));
        }
    }
}

// The same across two real file systems, where this machine has a second one (/dev/shm).
TEST(FileRenewal, BackUpOnAnotherFileSystem)
{
    struct stat shm {};
    test::TempFolder temp;
    if (::stat("/dev/shm", &shm) != 0 || shm.st_dev == statOf(temp.path()).st_dev ||
        ::access("/dev/shm", W_OK) != 0)
        GTEST_SKIP() << "no second writable file system";
    QTemporaryDir other(QStringLiteral("/dev/shm/tralex-XXXXXX"));
    ASSERT_TRUE(other.isValid());
    const RenewalPaths p = pathsIn(temp.path(), other.path() + "/");
    temp.write("a.txt", "old content");
    FileSnapshot snap;
    ASSERT_TRUE(readSnapshot(p.file, snap));
    FileRenewal renewal;
    ASSERT_EQ(renewal.Renew(p, "new", snap), RenewOutcome::Renewed);
    EXPECT_EQ(readBytes(p.file), "new");
    EXPECT_EQ(readBytes(p.backUp), "old content");
    EXPECT_EQ(names(other.path()), QStringList({"Bk202601010101_a.txt"}));
}

TEST(FileRenewal, CopiedBackUpNeverOverwritesAnExistingOne)
{
    test::TempFolder temp;
    const QString bk = temp.mkdir("bk");
    const RenewalPaths p = pathsIn(temp.path(), bk);
    temp.write("a.txt", "old");
    FileSnapshot snap;
    ASSERT_TRUE(readSnapshot(p.file, snap));
    // The backup name is taken between the first check and the placing of the copy.
    class LateBackUp : public FailingRenewal {
    public:
        QString late;
    protected:
        int writeAll(int fd, const char* d, size_t n) override
        {
            if (!late.isEmpty() && !QFile::exists(late))
                writeFile(late, "someone's backup");
            return FailingRenewal::writeAll(fd, d, n);
        }
    } renewal;
    renewal.linkError = EXDEV;
    renewal.late = p.backUp;
    EXPECT_EQ(renewal.Renew(p, "new", snap), RenewOutcome::BackUpNameTaken);
    EXPECT_EQ(readBytes(p.file), "old");
    EXPECT_EQ(readBytes(p.backUp), "someone's backup");
    EXPECT_EQ(names(bk), QStringList({"Bk202601010101_a.txt"}));
    EXPECT_EQ(names(temp.path()), QStringList({"a.txt", "bk"}));
}

TEST(FileRenewal, ReadsOnlyRegularFilesAndNeverFollowsLinks)
{
    test::TempFolder temp;
    temp.write("real.txt", "x");
    temp.mkdir("folder.txt");
    ASSERT_EQ(::symlink(QFile::encodeName(temp.file("real.txt")).constData(),
                        QFile::encodeName(temp.file("link.txt")).constData()), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(temp.file("pipe.txt")).constData(), 0600), 0);
    QByteArray bytes;
    FileSnapshot snap;
    EXPECT_EQ(FileRenewal::ReadFile(temp.file("real.txt"), bytes, snap), ReadOutcome::Read);
    EXPECT_EQ(FileRenewal::ReadFile(temp.file("link.txt"), bytes, snap), ReadOutcome::SymbolicLink);
    EXPECT_EQ(FileRenewal::ReadFile(temp.file("folder.txt"), bytes, snap), ReadOutcome::NotAFile);
    EXPECT_EQ(FileRenewal::ReadFile(temp.file("pipe.txt"), bytes, snap), ReadOutcome::NotAFile);
    EXPECT_EQ(FileRenewal::ReadFile(temp.file("missing.txt"), bytes, snap), ReadOutcome::CannotOpen);
}

namespace {

// A user to run as: user and group ids, and the further groups he belongs to. The ids need no
// entry in the user list: the kernel checks ids only.
struct User {
    uid_t uid;
    gid_t gid;
    std::vector<gid_t> groups;
};
const User Nobody{65534, 65534, {}};

// Runs a renewal as another user in a child process, with the final exchange failing as asked;
// the outcome, or -1 when the child could not become that user.
int renewAs(const User& user, const RenewalPaths& p, const FileSnapshot& snap, int linkError = 0,
            int renameError = 0)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(user.groups.size(), user.groups.data()) != 0 || ::setgid(user.gid) != 0 ||
            ::setuid(user.uid) != 0)
            ::_exit(255);
        FailingRenewal renewal;
        renewal.linkError = linkError;
        renewal.renameError = renameError;
        ::_exit(int(renewal.Renew(p, "new", snap)));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) != 255 ? WEXITSTATUS(status) : -1;
}

int renewAsNobody(const RenewalPaths& p, const FileSnapshot& snap)
{
    return renewAs(Nobody, p, snap);
}

void setOwnerAndMode(const QString& path, uid_t uid, gid_t gid, mode_t mode)
{
    const QByteArray name = QFile::encodeName(path);
    ASSERT_EQ(::chown(name.constData(), uid, gid), 0);
    ASSERT_EQ(::chmod(name.constData(), mode), 0);
}

// Calls a hook at one step of a renewal, as another program acting at that moment would.
class Meddling : public FailingRenewal {
public:
    std::function<void()> duringCopy, beforeExchange;
    bool lie = false;  // renames happen but report a failure, as a network file system may

protected:
    int writeAll(int fd, const char* data, size_t size) override
    {
        if (++writes == 2 && duringCopy)
            duringCopy();
        return FailingRenewal::writeAll(fd, data, size);
    }
    int exchange(int folder, const char* a, const char* b) override
    {
        if (++exchanges == 1 && beforeExchange)
            beforeExchange();
        const int error = FailingRenewal::exchange(folder, a, b);
        return lie && error == 0 ? EIO : error;
    }
    int renameNoReplace(int fromFolder, const char* from, int toFolder, const char* to) override
    {
        if (noReplaceError != 0)
            return noReplaceError;
        const int error = FileRenewal::renameNoReplace(fromFolder, from, toFolder, to);
        return lie && error == 0 ? EIO : error;
    }
    int linkName(int fromFolder, const char* from, int toFolder, const char* to) override
    {
        return linkNameError != 0 ? linkNameError : FileRenewal::linkName(fromFolder, from, toFolder, to);
    }

public:
    int noReplaceError = 0, linkNameError = 0;

private:
    int writes = 0, exchanges = 0;
};

}  // namespace

// A file that its user marked read-only (no write bit at all, which root's access() would not
// refuse), or that the running user may not write, is refused and nothing is left behind: no
// backup link to another user's file in a folder everyone may write to.
TEST(FileRenewal, FileTheUserMayNotWriteIsRefused)
{
    const struct {
        const char* what;
        mode_t mode;
        bool asNobody;
    } cases[] = {{"no write bit", 0444, false}, {"another user's file", 0644, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.asNobody && ::geteuid() != 0)
            continue;  // only root can act as another user here
        test::TempFolder temp;
        ASSERT_EQ(::chmod(QFile::encodeName(temp.path()).constData(), 01777), 0);
        const RenewalPaths p = pathsIn(temp.path(), temp.path());
        temp.write("a.txt", "old");
        ::chmod(QFile::encodeName(p.file).constData(), c.mode);
        FileSnapshot snap;
        ASSERT_TRUE(readSnapshot(p.file, snap));
        FileRenewal renewal;
        const int outcome = c.asNobody ? renewAsNobody(p, snap) : int(renewal.Renew(p, "new", snap));
        EXPECT_EQ(outcome, int(RenewOutcome::NotWritable));
        EXPECT_EQ(readBytes(p.file), "old");
        EXPECT_EQ(statOf(p.file).st_ino, snap.inode);
        EXPECT_EQ(names(temp.path()), QStringList({"a.txt"}));
    }
}

// A file of someone else's stays readable to the group it was shared with: the new file keeps
// the group, and the owner where the running user may give it (root may, others only
// themselves). A user who could not give it that group is refused before anything changes; so
// is a copied backup that would lose it.
TEST(FileRenewal, GroupAndOwnerCarryOverOrTheFileIsRefused)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can act as other users here";
    constexpr uid_t Owner = 3001, Colleague = 3002;
    constexpr gid_t Shared = 3000, Other = 3005;
    const User colleague{Colleague, Colleague, {Shared}}, owner{Owner, Owner, {Shared}};
    const struct {
        const char* what;
        gid_t fileGroup;
        mode_t mode;
        User runner;
        bool copied;
        RenewOutcome expected;
        uid_t newOwner;
    } cases[] = {
        {"a colleague in the file's group", Shared, 0660, colleague, false, RenewOutcome::Renewed, Colleague},
        {"the same with a copied backup", Shared, 0660, colleague, true, RenewOutcome::Renewed, Colleague},
        {"the owner in the file's group", Shared, 0640, owner, true, RenewOutcome::Renewed, Owner},
        {"a user outside the file's group", Shared, 0666, Nobody, false, RenewOutcome::OwnerNotKept, 0},
        {"the owner outside the file's group", Other, 0664, owner, false, RenewOutcome::OwnerNotKept, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempFolder temp;
        ASSERT_EQ(::chmod(QFile::encodeName(temp.path()).constData(), 0777), 0);
        const QString bk = temp.mkdir("bk");
        ASSERT_EQ(::chmod(QFile::encodeName(bk).constData(), 0777), 0);
        const RenewalPaths p = pathsIn(temp.path(), c.copied ? bk : temp.path());
        temp.write("a.txt", "old");
        setOwnerAndMode(p.file, Owner, c.fileGroup, c.mode);
        FileSnapshot snap;
        ASSERT_TRUE(readSnapshot(p.file, snap));
        EXPECT_EQ(renewAs(c.runner, p, snap, c.copied ? EXDEV : 0), int(c.expected));
        if (c.expected != RenewOutcome::Renewed) {
            EXPECT_EQ(readBytes(p.file), "old");
            EXPECT_EQ(statOf(p.file).st_ino, snap.inode);
            EXPECT_EQ(names(temp.path()), QStringList({"a.txt", "bk"}));
            EXPECT_EQ(names(bk), QStringList());
            continue;
        }
        EXPECT_EQ(readBytes(p.file), "new");
        const struct stat renewed = statOf(p.file), backUp = statOf(p.backUp);
        EXPECT_EQ(renewed.st_uid, c.newOwner);
        EXPECT_EQ(renewed.st_gid, c.fileGroup);
        EXPECT_EQ(renewed.st_mode & 07777, c.mode);
        EXPECT_EQ(readBytes(p.backUp), "old");
        // A copy is the running user's own, as the new file is; a link is the old file itself.
        EXPECT_EQ(backUp.st_uid, c.copied ? c.newOwner : Owner);
        EXPECT_EQ(backUp.st_gid, c.fileGroup);
        EXPECT_EQ(backUp.st_mode & 07777, c.mode);
    }
}

// Where the owner and group should take and the file system refuses them (a network file system
// that maps root to nobody), the file is left as it was, for the new file and for a copied backup.
TEST(FileRenewal, OwnerRefusedByTheFileSystemLeavesTheFileAlone)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give files to other users here";
    class Squashing : public FailingRenewal {
    public:
        int refuseFrom = 1;

    protected:
        int setOwner(int fd, uid_t owner, gid_t group) override
        {
            return ++calls >= refuseFrom ? EPERM : FileRenewal::setOwner(fd, owner, group);
        }

    private:
        int calls = 0;
    };
    for (const bool copied : {false, true}) {
        SCOPED_TRACE(copied ? "copied backup" : "new file");
        test::TempFolder temp;
        const QString bk = temp.mkdir("bk");
        const RenewalPaths p = pathsIn(temp.path(), copied ? bk : temp.path());
        temp.write("a.txt", "old");
        setOwnerAndMode(p.file, 3001, 3000, 0640);
        FileSnapshot snap;
        ASSERT_TRUE(readSnapshot(p.file, snap));
        Squashing renewal;
        renewal.refuseFrom = copied ? 2 : 1;
        renewal.linkError = copied ? EXDEV : 0;
        EXPECT_EQ(renewal.Renew(p, "new", snap), RenewOutcome::OwnerNotKept);
        EXPECT_EQ(readBytes(p.file), "old");
        EXPECT_EQ(names(temp.path()), QStringList({"a.txt", "bk"}));
        EXPECT_EQ(names(bk), QStringList());
    }
}

// In a folder with the sticky bit (as /tmp) only the file's owner, the folder's owner or root may
// replace a name. Another user's file there is refused before a backup is made, and a backup in
// a sticky backup folder is a copy of the running user's own, so a failed renewal can take it
// away again: no second name of another user's file is ever left behind.
TEST(FileRenewal, StickyFoldersNeverKeepAStrayBackUp)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can act as other users here";
    const struct {
        const char* what;
        uid_t folderOwner;
        bool backUpApart;  // the backup in a sticky folder of root's, the file's folder not sticky
        int renameError;
        RenewOutcome expected;
    } cases[] = {
        {"root's file in root's sticky folder", 0, false, 0, RenewOutcome::NotWritable},
        {"root's file in the runner's sticky folder", 65534, false, 0, RenewOutcome::Renewed},
        {"backup in a sticky folder", 0, true, 0, RenewOutcome::Renewed},
        {"backup in a sticky folder, last step fails", 0, true, EIO, RenewOutcome::WriteFailed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempFolder temp;
        const QString bk = temp.mkdir("bk");
        setOwnerAndMode(temp.path(), c.folderOwner, 0, c.backUpApart ? 0777 : 01777);
        setOwnerAndMode(bk, 0, 0, 01777);
        const RenewalPaths p = pathsIn(temp.path(), c.backUpApart ? bk : temp.path());
        temp.write("a.txt", "old");
        // The group is the runner's, so only the sticky rule can refuse it.
        setOwnerAndMode(p.file, 0, 65534, 0666);
        FileSnapshot snap;
        ASSERT_TRUE(readSnapshot(p.file, snap));
        EXPECT_EQ(renewAs(Nobody, p, snap, 0, c.renameError), int(c.expected));
        const bool renewed = c.expected == RenewOutcome::Renewed;
        EXPECT_EQ(readBytes(p.file), renewed ? "new" : "old");
        EXPECT_EQ(readBytes(p.backUp), renewed ? "old" : "");
        const QString backUpName = renewed ? QStringLiteral("Bk202601010101_a.txt") : QString();
        EXPECT_EQ(names(bk), c.backUpApart && renewed ? QStringList({backUpName}) : QStringList());
        EXPECT_EQ(names(temp.path()), !c.backUpApart && renewed ? QStringList({backUpName, "a.txt", "bk"})
                                                                : QStringList({"a.txt", "bk"}));
    }
}

// Another program's change made after the file was read is never overwritten: the file keeps
// it, the renewal reports it, and no backup of this renewal is left to pass for the old content.
TEST(FileRenewal, ChangesMadeMeanwhileAreKept)
{
    const struct {
        const char* what;
        bool copied;  // backup in another folder, copied as across file systems
        bool inPlace; // appended to the file itself, else replaced by another renewal
        bool duringCopy;
    } cases[] = {
        {"another renewal just before the last step", false, false, false},
        {"appended in place just before the last step", false, true, false},
        {"appended while the backup is copied", true, true, true},
        {"another renewal after the backup was copied", true, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempFolder temp;
        const QString bk = c.copied ? temp.mkdir("bk") : temp.path();
        const RenewalPaths p = pathsIn(temp.path(), bk);
        temp.write("a.txt", "old");
        FileSnapshot snap;
        ASSERT_TRUE(readSnapshot(p.file, snap));
        Meddling renewal;
        if (c.copied)
            renewal.linkError = EXDEV;
        const auto change = [&] {
            if (c.inPlace) {
                QFile f(p.file);
                ASSERT_TRUE(f.open(QIODevice::Append));
                f.write("+theirs");
                return;
            }
            // As a second run would: the old file becomes its backup, its content takes the name.
            ASSERT_EQ(::link(QFile::encodeName(p.file).constData(),
                             QFile::encodeName(temp.file("Bk202601010102_a.txt")).constData()), 0);
            writeFile(temp.file("other"), "theirs");
            ASSERT_EQ(::rename(QFile::encodeName(temp.file("other")).constData(),
                               QFile::encodeName(p.file).constData()), 0);
        };
        (c.duringCopy ? renewal.duringCopy : renewal.beforeExchange) = change;
        EXPECT_EQ(renewal.Renew(p, "new", snap), RenewOutcome::ChangedMeanwhile);
        EXPECT_EQ(readBytes(p.file), c.inPlace ? "old+theirs" : "theirs");
        QStringList expected({"a.txt"});
        if (!c.inPlace)
            expected.prepend("Bk202601010102_a.txt");
        if (c.copied) {
            expected.append("bk");
            EXPECT_EQ(names(bk), QStringList());
        }
        EXPECT_EQ(names(temp.path()), expected);
    }
}

// A rename that reports a failure may have happened: the renewal looks at what the names hold
// and finishes, instead of undoing into a loss.
TEST(FileRenewal, RenameReportedAsFailedButDone)
{
    for (const bool copied : {false, true}) {
        SCOPED_TRACE(copied ? "copied backup" : "linked backup");
        test::TempFolder temp;
        const QString bk = copied ? temp.mkdir("bk") : temp.path();
        const RenewalPaths p = pathsIn(temp.path(), bk);
        temp.write("a.txt", "old");
        FileSnapshot snap;
        ASSERT_TRUE(readSnapshot(p.file, snap));
        Meddling renewal;
        renewal.lie = true;
        if (copied)
            renewal.linkError = EXDEV;
        EXPECT_EQ(renewal.Renew(p, "new", snap), RenewOutcome::Renewed);
        EXPECT_EQ(readBytes(p.file), "new");
        EXPECT_EQ(readBytes(p.backUp), "old");
        EXPECT_EQ(names(bk), QStringList({"Bk202601010101_a.txt"}) + (copied ? QStringList() : QStringList({"a.txt"})));
    }
}

// A copied backup takes its name without overwriting one, on every file system: where a rename
// cannot refuse an existing name, a hard link does; where neither exists, the name is tested.
TEST(FileRenewal, EveryWayOfPlacingACopyNeverOverwrites)
{
    const struct {
        int noReplace, linkName;
        bool taken;
    } cases[] = {{EINVAL, 0, false}, {EINVAL, EPERM, false}, {EINVAL, 0, true}, {EINVAL, EPERM, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.linkName << (c.taken ? " taken" : " free"));
        test::TempFolder temp;
        const QString bk = temp.mkdir("bk");
        const RenewalPaths p = pathsIn(temp.path(), bk);
        temp.write("a.txt", "old");
        FileSnapshot snap;
        ASSERT_TRUE(readSnapshot(p.file, snap));
        Meddling renewal;
        renewal.linkError = EXDEV;
        renewal.noReplaceError = c.noReplace;
        renewal.linkNameError = c.linkName;
        if (c.taken)
            renewal.duringCopy = [&] { writeFile(p.backUp, "someone's backup"); };
        EXPECT_EQ(renewal.Renew(p, "new", snap),
                  c.taken ? RenewOutcome::BackUpNameTaken : RenewOutcome::Renewed);
        EXPECT_EQ(readBytes(p.file), c.taken ? "old" : "new");
        EXPECT_EQ(readBytes(p.backUp), c.taken ? "someone's backup" : "old");
        EXPECT_EQ(names(bk), QStringList({"Bk202601010101_a.txt"}));
    }
}

// Extended attributes and ACLs reach the new file: an ACL entry that lets a colleague write the
// file still does after the run. Where the file system refuses one of them for the new file, the
// file is left as it was and reported, instead of silently narrowing who may write it.
TEST(FileRenewal, ExtendedAttributesAndAclsCarryOverOrTheFileIsLeftAlone)
{
    class RefusingRenewal : public FileRenewal {
    public:
        QByteArray refused;

    protected:
        int setAttribute(int fd, const char* name, const QByteArray& value) override
        {
            return refused == name ? EOPNOTSUPP : FileRenewal::setAttribute(fd, name, value);
        }
    };
    // An access ACL in the kernel's format: the owner rw, user 1234 rw, the group r, mask rw,
    // others r.
    QByteArray acl;
    const auto put = [&acl](quint32 v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            acl.append(char((v >> (8 * i)) & 0xFF));
    };
    put(2, 4);
    for (const auto& [tag, perm, id] : {std::tuple{1u, 6u, ~0u}, {2u, 6u, 1234u}, {4u, 4u, ~0u},
                                        {0x10u, 6u, ~0u}, {0x20u, 4u, ~0u}}) {
        put(tag, 2);
        put(perm, 2);
        put(id, 4);
    }
    for (const QByteArray& refused : {QByteArray(), QByteArray("system.posix_acl_access")}) {
        SCOPED_TRACE(refused.toStdString());
        test::TempFolder temp;
        const RenewalPaths p = pathsIn(temp.path(), temp.path());
        temp.write("a.txt", "old");
        ::chmod(QFile::encodeName(p.file).constData(), 0644);
        const QByteArray file = QFile::encodeName(p.file);
        if (::setxattr(file.constData(), "user.tralex", "kept", 4, 0) != 0 ||
            ::setxattr(file.constData(), "system.posix_acl_access", acl.constData(), size_t(acl.size()), 0) != 0)
            GTEST_SKIP() << "no extended attributes or ACLs here";
        FileSnapshot snap;
        ASSERT_TRUE(readSnapshot(p.file, snap));
        RefusingRenewal renewal;
        renewal.refused = refused;
        const RenewOutcome outcome = renewal.Renew(p, "new", snap);
        for (const auto& [name, value] : {std::pair<const char*, QByteArray>{"user.tralex", "kept"},
                                          {"system.posix_acl_access", acl}}) {
            QByteArray got(256, '\0');
            const ssize_t n = ::getxattr(file.constData(), name, got.data(), size_t(got.size()));
            EXPECT_EQ(got.left(std::max<ssize_t>(n, 0)), value) << name;
        }
        if (refused.isEmpty()) {
            EXPECT_EQ(outcome, RenewOutcome::Renewed);
            EXPECT_EQ(readBytes(p.file), "new");
        } else {
            EXPECT_EQ(outcome, RenewOutcome::AttributesNotKept);
            EXPECT_EQ(readBytes(p.file), "old");
            EXPECT_EQ(names(temp.path()), QStringList({"a.txt"}));
        }
    }
}
