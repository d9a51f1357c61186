#include "services/basIniControl.h"

#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tralex;
using tralex::test::TempFolder;
using tralex::test::readBytes;

namespace {

// The file's own write bits (Qt's WriteUser says what the current user may do, which for root is
// always true).
constexpr QFileDevice::Permissions AnyWriteBit =
    QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;

bool isReadOnly(const QString& file)
{
    return QFile::exists(file) && !(QFile::permissions(file) & AnyWriteBit);
}

// Runs body in a child process under an ordinary user's rights (root passes over permission
// bits, so a child of a root test drops to "nobody"). Returns the child's exit code.
constexpr uid_t Nobody = 65534;

int runUnprivileged(const std::function<int()>& body)
{
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(Nobody) != 0 || setuid(Nobody) != 0))
            _exit(100);
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 101;
}

TEST(basIniControl, MissingFileSectionOrKeyReadsEmpty)
{
    TempFolder folder;
    EXPECT_EQ(ReadIniValue(folder.file("Tralex.ini"), "COMMON", "BKPATH"), QString());
    const QString file = folder.write("Tralex.ini", "[COMMON]\r\nBKPATH=/bk/\r\n");
    EXPECT_EQ(ReadIniValue(file, "OTHER", "BKPATH"), QString());
    EXPECT_EQ(ReadIniValue(file, "COMMON", "PREV_x"), QString());
    EXPECT_EQ(ReadIniValue(file, "common", "bkpath"), QStringLiteral("/bk/"));
}

TEST(basIniControl, FileIsReadOnlyBetweenWritesAndWrittenAgain)
{
    TempFolder folder;
    const QString file = folder.file("Tralex.ini");
    ASSERT_TRUE(WriteIniValue(file, "COMMON", "BKPATH", "/first/"));
    EXPECT_EQ(readBytes(file), "[COMMON]\r\nBKPATH=/first/\r\n");
    EXPECT_TRUE(isReadOnly(file));

    ASSERT_TRUE(WriteIniValue(file, "COMMON", "BKPATH", QString::fromUtf8("/二回目/")));
    EXPECT_TRUE(isReadOnly(file));
    EXPECT_EQ(ReadIniValue(file, "COMMON", "BKPATH"), QString::fromUtf8("/二回目/"));

    // A value that needs UTF-8, and one longer than 254 bytes, come back whole.
    const QString accented = QString::fromUtf8("/Küche/日本/");
    const QString longValue = QString(300, u'a');
    ASSERT_TRUE(WriteIniValue(file, "COMMON", "PREV_A", accented));
    ASSERT_TRUE(WriteIniValue(file, "COMMON", "PREV_B", longValue));
    EXPECT_TRUE(isReadOnly(file));
    EXPECT_EQ(ReadIniValue(file, "COMMON", "PREV_A"), accented);
    EXPECT_EQ(ReadIniValue(file, "COMMON", "PREV_B"), longValue);
    EXPECT_EQ(ReadIniValue(file, "COMMON", "BKPATH"), QString::fromUtf8("/二回目/"));

    // An existing file with write bits is read-only after the write as well.
    const QString other = folder.write("DialogBox.ini", "[COMMON]\r\n");
    ASSERT_TRUE(WriteIniValue(other, "COMMON", "PREV_x", "/y/"));
    EXPECT_TRUE(isReadOnly(other));
}

TEST(basIniControl, LineBreakInValueIsRefusedAndFileStaysReadOnly)
{
    TempFolder folder;
    const QString file = folder.file("Tralex.ini");
    ASSERT_TRUE(WriteIniValue(file, "COMMON", "BKPATH", "/bk/"));
    const QByteArray before = readBytes(file);
    EXPECT_FALSE(WriteIniValue(file, "COMMON", "BKPATH", "/a/\r\n[EVIL]"));
    EXPECT_EQ(readBytes(file), before);
    EXPECT_TRUE(isReadOnly(file));
    EXPECT_EQ(ReadIniValue(file, "COMMON", "BKPATH"), QStringLiteral("/bk/"));
}

// A folder the user may not write to: the write fails, the old file stays as it was, and it is
// still read-only afterwards. The same write succeeds once the folder is writable again.
TEST(basIniControl, ReadOnlyFolderGivesFalseAndKeepsTheOldFile)
{
    TempFolder folder;
    const QString dir = folder.mkdir("settings");
    const QString file = dir + "Tralex.ini";
    ASSERT_TRUE(WriteIniValue(file, "COMMON", "BKPATH", "/old/"));
    const QByteArray before = readBytes(file);
    if (geteuid() == 0) {
        ASSERT_EQ(chown(file.toLocal8Bit().constData(), Nobody, Nobody), 0);
        ASSERT_EQ(chmod(folder.path().toLocal8Bit().constData(), 0755), 0);
    }
    const auto write = [&] { return WriteIniValue(file, "COMMON", "BKPATH", "/new/") ? 1 : 0; };

    ASSERT_EQ(chmod(dir.toLocal8Bit().constData(), 0555), 0);
    EXPECT_EQ(runUnprivileged(write), 0);
    EXPECT_EQ(readBytes(file), before);
    EXPECT_TRUE(isReadOnly(file));
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList{"Tralex.ini"});

    ASSERT_EQ(chmod(dir.toLocal8Bit().constData(), 0777), 0);
    EXPECT_EQ(runUnprivileged(write), 1);
    EXPECT_EQ(ReadIniValue(file, "COMMON", "BKPATH"), QStringLiteral("/new/"));
    EXPECT_TRUE(isReadOnly(file));
}

}  // namespace
