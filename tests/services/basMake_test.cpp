#include "services/basMake.h"
#include "platform/ProgramError.h"
#include "support/TestFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

using namespace tralex;
using tralex::test::TempFolder;
using tralex::test::readBytes;

namespace {

QFileDevice::Permissions modeBits(const QString& path)
{
    // Only the owner/group/other bits; Qt mirrors the owner bits into the "user" ones.
    return QFileInfo(path).permissions()
           & (QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
              | QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
              | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther);
}

template <typename F>
ProgramError raised(F&& f)
{
    try {
        f();
    } catch (const ProgramError& e) {
        return e;
    }
    ADD_FAILURE() << "no error raised";
    return ProgramError(QString(), QString());
}

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

}  // namespace

TEST(basMake, MakeFoldersCreatesTheMissingLevelsAndLeavesExistingOnes)
{
    TempFolder t;
    t.write(QStringLiteral("bk/keep.txt"), "kept");
    for (const QString& path : {t.file(QStringLiteral("bk/C/data/")),
                                t.file(QStringLiteral("bk/C/data/more")),  // without final "/"
                                t.file(QStringLiteral("bk//C/x/"))}) {
        MakeFolders(path);
        EXPECT_TRUE(QFileInfo(path).isDir()) << path.toStdString();
    }
    EXPECT_EQ(readBytes(t.file(QStringLiteral("bk/keep.txt"))), QByteArray("kept"));
    EXPECT_EQ(entriesOf(t.file(QStringLiteral("bk/C"))), (QStringList{"data", "x"}));
    MakeFolders(QStringLiteral("  "));  // blank: nothing to make, no error
}

TEST(basMake, MakeFoldersReportsAFileInTheWay)
{
    TempFolder t;
    const QString blocker = t.write(QStringLiteral("bk/C"), "a file");
    const ProgramError e = raised([&] { MakeFolders(t.file(QStringLiteral("bk/C/data/"))); });
    EXPECT_EQ(e.number(), ProgramError::ObjectError);
    EXPECT_EQ(e.source(), QStringLiteral("MakeFolders"));
    EXPECT_EQ(e.description(), QStringLiteral("フォルダ「%1」を作成できませんでした").arg(blocker));
    EXPECT_EQ(readBytes(blocker), QByteArray("a file"));
}

TEST(basMake, WriteTextFileEncodesAndAppendsCrLf)
{
    struct Case {
        QString text;
        QByteArray bytes;
    } const cases[] = {
        {QStringLiteral("abc"), QByteArray("abc\r\n")},
        {QString(), QByteArray("\r\n")},
        {QStringLiteral("a\r\nb\r\n"), QByteArray("a\r\nb\r\n\r\n")},
        // Windows-31J when every character fits
        {QStringLiteral("日本語"), QByteArray("\x93\xFA\x96\x7B\x8C\xEA\r\n")},
        // UTF-8 with a byte order mark when one does not
        {QStringLiteral("日本語한"), QByteArray("\xEF\xBB\xBF\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xED\x95\x9C\r\n")},
    };
    TempFolder t;
    for (const Case& c : cases) {
        const QString path = t.file(QStringLiteral("new/folders/out.txt"));
        WriteTextFile(path, c.text);
        EXPECT_EQ(readBytes(path), c.bytes) << c.text.toStdString();
    }
    // Nothing but the file itself is left in the folder (no temporary files).
    EXPECT_EQ(entriesOf(t.file(QStringLiteral("new/folders"))), (QStringList{"out.txt"}));
}

TEST(basMake, WriteTextFileReplacesAReadOnlyFileAndKeepsItsOtherPermissions)
{
    TempFolder t;
    struct Case {
        QFileDevice::Permissions before;
        QFileDevice::Permissions after;
    } const cases[] = {
        {QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther,
         QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther},
        {QFileDevice::ReadOwner | QFileDevice::ReadGroup,
         QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup},
        {QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::WriteGroup,
         QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::WriteGroup},
    };
    for (const Case& c : cases) {
        const QString path = t.write(QStringLiteral("ro.ini"), "old content that is longer\r\n");
        ASSERT_TRUE(QFile::setPermissions(path, c.before));
        WriteTextFile(path, QStringLiteral("new"));
        EXPECT_EQ(readBytes(path), QByteArray("new\r\n"));
        EXPECT_EQ(modeBits(path), c.after) << int(c.before);
    }
}

TEST(basMake, WriteTextFileWritesThroughALink)
{
    TempFolder t;
    const QString real = t.write(QStringLiteral("real/list.slt"), "old");
    const QString link = t.file(QStringLiteral("list.slt"));
    ASSERT_TRUE(QFile::link(real, link));
    WriteTextFile(link, QStringLiteral("new"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readBytes(real), QByteArray("new\r\n"));
}

TEST(basMake, WriteTextFileFailuresRaiseAndLeaveThingsAsTheyWere)
{
    TempFolder t;
    const QString folder = t.mkdir(QStringLiteral("taken.txt"));
    t.write(QStringLiteral("taken.txt/inside"), "x");
    const QString target = folder.chopped(1);
    const ProgramError onFolder = raised([&] { WriteTextFile(target, QStringLiteral("x")); });
    EXPECT_EQ(onFolder.source(), QStringLiteral("WriteTextFile"));
    EXPECT_EQ(onFolder.description(), QStringLiteral("ファイル「%1」に書き込めませんでした").arg(target));
    EXPECT_EQ(entriesOf(folder), (QStringList{"inside"}));
    EXPECT_EQ(entriesOf(t.path()), (QStringList{"taken.txt"}));

    // A file where a folder of the path should be: the folder maker's error comes through.
    const QString blocker = t.write(QStringLiteral("block"), "b");
    const ProgramError onPath = raised([&] { WriteTextFile(blocker + QStringLiteral("/a.txt"), QStringLiteral("x")); });
    EXPECT_EQ(onPath.source(), QStringLiteral("MakeFolders"));
    EXPECT_EQ(readBytes(blocker), QByteArray("b"));
}

namespace {

// Whether the process has a file of the folder open (what /proc tells of its descriptors).
bool holdsFileIn(qint64 pid, const QString& folder)
{
    const QString fds = QStringLiteral("/proc/%1/fd").arg(pid);
    for (const QFileInfo& fd : QDir(fds).entryInfoList(QDir::Files | QDir::System)) {
        if (fd.symLinkTarget().startsWith(folder))
            return true;
    }
    return false;
}

}  // namespace

// A writer killed while it has the new content open leaves the old file whole (or, when the kill
// came after the new file took the name, the whole new file), never a part of either.
TEST(basMake, AWriterKilledWhileWritingLeavesTheOldFileWhole)
{
    const QString child = QCoreApplication::applicationDirPath() + QStringLiteral("/WriteTextFileChild");
    ASSERT_TRUE(QFileInfo(child).isExecutable()) << child.toStdString();
    constexpr qint64 size = 16'000'000;
    const QByteArray oldBytes("old settings\r\n");
    TempFolder t;
    const QString folder = t.path().chopped(1);
    int keptOld = 0;
    for (int round = 0; round < 3; ++round) {
        const QString path = t.write(QStringLiteral("list.slt"), oldBytes);
        QProcess writer;
        writer.start(child, {path, QString::number(size)});
        ASSERT_TRUE(writer.waitForStarted(10000));
        while (writer.state() == QProcess::Running && !holdsFileIn(writer.processId(), folder))
            QThread::usleep(20);
        writer.kill();
        writer.waitForFinished(10000);

        if (QFileInfo(path).size() == oldBytes.size()) {
            EXPECT_EQ(readBytes(path), oldBytes) << round;
            ++keptOld;
        } else {
            EXPECT_EQ(QFileInfo(path).size(), size + 2) << round;  // the text and its CR LF
        }
    }
    EXPECT_GE(keptOld, 1) << "every kill came too late to test anything";
}
