// What both office engines share around LibreOffice's work on the files.
#include "engines/office/clsWordControl.h"
#include "office/support/OfficeFixtures.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>

#include <QFileInfo>

using namespace tralex;
using namespace tralex::test;

// A disk that fails when the run puts its writes on it at the end: the change is still listed,
// and the run lists its folder with the reason, so that it does not read as a clean success.
TEST(OfficeEngine, DiskThatCannotWriteOutAtTheEndIsReported)
{
    class FailingFlush : public FileSystemFlush {
    protected:
        int syncFileSystem(int) override { return EIO; }
    };
    TempFolder dir;
    clsWordControl engine;
    MakeDocument(engine.Application(), dir.file("a.doc"));
    Configure(engine, dir.path(), "doc", {{QStringLiteral("アルファ"), QStringLiteral("ベータ")}});
    engine.setFileSystemFlush(std::make_unique<FailingFlush>());

    engine.TralexGo();

    EXPECT_EQ(engine.ItemResult()->items(), QStringList({dir.file("a.doc")}));
    EXPECT_EQ(engine.ItemSkipped()->items(),
              QStringList({dir.path() + "\t変更がディスクに書き込まれたことを確認できません"}));
}

namespace {

// Stops the run and LibreOffice's process at the moment the run has opened its first file, so
// that the call that works on it waits for a process that no longer answers.
class StopAtFirstFile : public FileRenewal {
public:
    StopAtFirstFile(TralexEngine& engine, pid_t office) : mEngine(engine), mOffice(office) {}
    ReadOutcome OpenForRun(int folder, const QByteArray& name, FileSnapshot& snapshot) override
    {
        if (!mDone) {
            mDone = true;
            ::kill(mOffice, SIGSTOP);
            mEngine.setStopFlag(true);
        }
        return FileRenewal::OpenForRun(folder, name, snapshot);
    }

private:
    TralexEngine& mEngine;
    pid_t mOffice;
    bool mDone = false;
};

}  // namespace

// A LibreOffice call still running after STOP is ended within seconds, not after the time a file
// may take; its file is left as it was and reported, and nothing of the run stays behind.
TEST(OfficeEngine, StopEndsALibreOfficeCallThatDoesNotReturnAndNothingStaysBehind)
{
    TempFolder dir;
    clsWordControl engine;
    MakeDocument(engine.Application(), dir.file("a.doc"));
    MakeDocument(engine.Application(), dir.file("b.doc"));
    const QByteArray a = readBytes(dir.file("a.doc"));
    const QByteArray b = readBytes(dir.file("b.doc"));
    Configure(engine, dir.path(), "doc", {{QStringLiteral("アルファ"), QStringLiteral("ベータ")}});
    OfficeApplication& office = engine.Application();
    office.setFileTimeout(3600 * 1000);  // only STOP can end the call in time
    Retried(office, [&] { office.Start(); });
    const pid_t pid = office.ProcessId();
    const QString privateFolder = QFileInfo(office.WorkFolder(QStringLiteral("in"))).path();
    ASSERT_TRUE(QFileInfo::exists(privateFolder));
    engine.setFileRenewal(std::make_unique<StopAtFirstFile>(engine, pid));

    engine.TralexGo();

    EXPECT_EQ(engine.CountResult(), 0);
    EXPECT_EQ(engine.ItemSkipped()->items(), QStringList({dir.file("a.doc") + "\t中断したため変更していません"}));
    EXPECT_EQ(readBytes(dir.file("a.doc")), a);
    EXPECT_EQ(readBytes(dir.file("b.doc")), b);
    EXPECT_EQ(NamesIn(dir.path()), QStringList({"a.doc", "b.doc"}));
    EXPECT_TRUE(ProcessGone(pid));
    EXPECT_FALSE(QFileInfo::exists(privateFolder));
}

// A lock beside a file says another program edits it, unless it names one of our own private
// profiles that is gone: such a lock, left by a killed run, is removed and the file handled.
TEST(OfficeEngine, LockOfAnotherProgramBlocksTheFileAndOneOfOurDeadProfilesDoesNot)
{
    struct Row {
        const char* profile;
        bool changed;
    } rows[] = {
        {"file:///home/someone/.config/libreoffice/4;", false},
        {"file:///tmp/tralex-office-Xq3Zr9/profile;", true},
        {"file:///tmp/Tralex-Ab12Cd/profile;", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.profile);
        TempFolder dir;
        clsWordControl engine;
        MakeDocument(engine.Application(), dir.file("a.doc"));
        const QByteArray old = readBytes(dir.file("a.doc"));
        const QString lock = dir.write(".~lock.a.doc#", QByteArray(",someone,host,08.12.2026 10:00,") + row.profile);
        Configure(engine, dir.path(), "doc", {{QStringLiteral("アルファ"), QStringLiteral("ベータ")}});
        engine.TralexGo();
        EXPECT_EQ(engine.CountResult(), row.changed ? 1 : 0);
        EXPECT_EQ(QFileInfo::exists(lock), !row.changed);
        if (!row.changed) {
            EXPECT_EQ(SkipReason(engine, "a.doc"), QStringLiteral("他のプログラムが使用中です"));
            EXPECT_EQ(readBytes(dir.file("a.doc")), old);
        }
    }
}

namespace {

// Makes LibreOffice stop answering while each of the first `hung` files is worked on, with a short
// time limit for those files and the usual one for the others.
class HangingFiles : public FileRenewal {
public:
    HangingFiles(OfficeApplication& office, int hung) : mOffice(office), mHung(hung) {}
    ReadOutcome OpenForRun(int folder, const QByteArray& name, FileSnapshot& snapshot) override
    {
        const bool hang = mOpened++ < mHung;
        mOffice.setFileTimeout(hang ? 1000 : 120000);
        if (hang)
            ::kill(mOffice.ProcessId(), SIGSTOP);
        return FileRenewal::OpenForRun(folder, name, snapshot);
    }

private:
    OfficeApplication& mOffice;
    int mHung;
    int mOpened = 0;
};

}  // namespace

// Files that hang LibreOffice one after another are each skipped, and the run goes on with a fresh
// process to the files after them.
TEST(OfficeEngine, FilesThatHangLibreOfficeInARowAreSkippedAndTheRunGoesOn)
{
    TempFolder dir;
    clsWordControl engine;
    OfficeApplication& office = engine.Application();
    for (const char* name : {"a.doc", "b.doc", "c.doc", "d.doc"})
        MakeDocument(office, dir.file(name));
    Configure(engine, dir.path(), "doc", {{QStringLiteral("アルファ"), QStringLiteral("ベータ")}});
    Retried(office, [&] { office.Start(); });
    engine.setFileRenewal(std::make_unique<HangingFiles>(office, 3));

    engine.TralexGo();

    EXPECT_EQ(engine.ItemResult()->items(), QStringList({dir.file("d.doc")}));
    for (const char* name : {"a.doc", "b.doc", "c.doc"})
        EXPECT_EQ(SkipReason(engine, name), QStringLiteral("LibreOffice が応答しません")) << name;
}
