// What the office engines never do to a file they open: run its macros, or rewrite a format that
// LibreOffice reads but cannot store as itself.
#include "engines/office/clsExcelControl.h"
#include "office/support/OfficeFixtures.h"
#include "platform/office/OfficeDocument.h"
#include "platform/office/OfficeWorkbook.h"
#include "support/TestFiles.h"

#include <QFile>
#include <gtest/gtest.h>


using namespace tralex;
using namespace tralex::test;

// The replacement in A1 makes LibreOffice compute B1 again, which calls the macro unless macros
// are off; loading and closing are bound to it too.
TEST(OfficeEngineMacros, NeverRunWhileAWorkbookIsOpenChangedAndStored)
{
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("a.ods"));
    const QString marker = dir.file(QStringLiteral("macro-ran.txt"));
    clsExcelControl engine;
    MakeWorkbookWithMacro(engine.Application(), path, marker);
    RunFileMacro(engine.Application(), path);
    ASSERT_TRUE(QFile::exists(marker)) << "the macro of the fixture does not work at all";
    QFile::remove(marker);
    Configure(engine, dir.path(), "ods", {{QStringLiteral("アルファ"), QStringLiteral("ベータ")}});

    engine.TralexGo();

    ASSERT_EQ(engine.CountResult(), 1) << engine.ItemSkipped()->items().join(u'\n').toStdString();
    EXPECT_FALSE(QFile::exists(marker)) << readBytes(marker).toStdString();
}

// LibreOffice reads these formats but has no filter to write them. The file is an Excel 4.0
// worksheet: a BOF record, a label cell "abc" and an EOF record.
TEST(ExcelEngineOldFormats, OldWorkbookIsRefusedByNameAndNeverRewritten)
{
    TempFolder dir;
    const QByteArray biff4("\x09\x04\x06\x00\x00\x00\x10\x00\x00\x00"
                           "\x04\x02\x0b\x00\x00\x00\x00\x00\x0f\x00\x03\x00" "abc"
                           "\x0a\x00\x00\x00", 29);
    const QString path = dir.write(QStringLiteral("old.xls"), biff4);
    clsExcelControl engine;
    Configure(engine, dir.path(), "xls", {{QStringLiteral("abc"), QStringLiteral("xyz")}});

    engine.TralexGo();

    EXPECT_EQ(engine.CountResult(), 0);
    EXPECT_EQ(SkipReason(engine, "old.xls"), QStringLiteral("古い形式のファイルは保存できません"));
    EXPECT_EQ(readBytes(path), biff4);
    EXPECT_EQ(NamesIn(dir.path()), QStringList({QStringLiteral("old.xls")}));
}
