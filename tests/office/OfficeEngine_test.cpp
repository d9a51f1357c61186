// What both office engines share around LibreOffice's work on the files.
#include "engines/office/clsWordControl.h"
#include "office/support/OfficeFixtures.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cerrno>

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
