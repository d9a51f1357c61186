// Putting new content in place: on real files in temporary folders, with a test double only to
// make single steps fail as a full disk or a vanished folder would.
#include "platform/FileRenewal.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    int linkFile(const QByteArray& from, const QByteArray& to) override
    {
        return linkError != 0 ? linkError : FileRenewal::linkFile(from, to);
    }
    int renameFile(const QByteArray& from, const QByteArray& to) override
    {
        return renameError != 0 ? renameError : FileRenewal::renameFile(from, to);
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

TEST(FileRenewal, ReadOnlyFileIsRenewedAndStaysReadOnly)
{
    test::TempFolder temp;
    const RenewalPaths p = pathsIn(temp.path(), temp.path());
    temp.write("a.txt", "old");
    ::chmod(QFile::encodeName(p.file).constData(), 0444);
    FileSnapshot snap;
    ASSERT_TRUE(readSnapshot(p.file, snap));
    FileRenewal renewal;
    ASSERT_EQ(renewal.Renew(p, "new", snap), RenewOutcome::Renewed);
    EXPECT_EQ(readBytes(p.file), "new");
    EXPECT_EQ(statOf(p.file).st_mode & 07777, 0444u);
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
