// What the office engines never do to a file they open: run its macros, update its links, or
// rewrite a format that LibreOffice reads but cannot store as itself.
#include "engines/office/clsExcelControl.h"
#include "engines/office/clsWordControl.h"
#include "office/support/OfficeFixtures.h"
#include "platform/office/OfficeDocument.h"
#include "platform/office/OfficeWorkbook.h"
#include "support/TestFiles.h"

#include <QFile>
#include <gtest/gtest.h>
#include <memory>


using namespace tralex;
using namespace tralex::test;

namespace {

std::unique_ptr<OfficeEngine> EngineFor(const QString& type)
{
    if (type == QLatin1String("odt"))
        return std::make_unique<clsWordControl>();
    return std::make_unique<clsExcelControl>();
}

}  // namespace

// The process runs with the most permissive settings, so that only the way the engines open
// files keeps macros from running and links from being updated.

// In a workbook the replacement in A1 makes LibreOffice compute B1 again, which calls the macro;
// loading, changing, storing and closing are bound to it in both kinds.
TEST(OfficeEngineMacros, NeverRunWhileAFileIsOpenChangedAndStored)
{
    for (const char* type : {"ods", "odt"}) {
        SCOPED_TRACE(type);
        TempFolder dir;
        const QString path = dir.file(QStringLiteral("a.") + QLatin1String(type));
        const QString marker = dir.file(QStringLiteral("macro-ran.txt"));
        const auto engine = EngineFor(QLatin1String(type));
        OfficeApplication& office = engine->Application();
        AllowEverything(office);
        MakeFileWithMacro(office, path, marker);
        OpenWithMacrosAllowed(office, path);
        ASSERT_TRUE(FileAppears(marker, 5000)) << "the macro of the fixture does not run at all";
        QFile::remove(marker);
        Configure(*engine, dir.path(), QLatin1String(type), {{QStringLiteral("アルファ"), QStringLiteral("ベータ")}});

        engine->TralexGo();

        ASSERT_EQ(engine->CountResult(), 1) << engine->ItemSkipped()->items().join(u'\n').toStdString();
        EXPECT_FALSE(FileAppears(marker, 1000)) << readBytes(marker).toStdString();
    }
}

// The file shows an older value of another file than that file now holds. After the run, the
// stored file still shows the old value, computed again in a workbook from the value its link
// holds (3 for the length of "ベータ", then the linked 111; 222 if the link had been updated).
TEST(OfficeEngineLinks, NeverUpdatedWhileAFileIsOpenChangedAndStored)
{
    // What the file shows: when made, after the run, and after a run that updated the link.
    struct Case {
        const char* type;
        const char* sourceType;
        QString oldValue, newValue;
        QString shownWhenMade, shownAfterRun, shownIfUpdated;
    };
    const QString oldText = QStringLiteral("古い段落");
    const QString newText = QStringLiteral("新しい段落");
    const QList<Case> cases = {
        {"ods", "ods", QStringLiteral("111"), QStringLiteral("222"), QStringLiteral("4111"), QStringLiteral("3111"),
         QStringLiteral("3222")},
        {"xlsx", "ods", QStringLiteral("111"), QStringLiteral("222"), QStringLiteral("4111"), QStringLiteral("3111"),
         QStringLiteral("3222")},
        {"odt", "odt", oldText, newText, oldText, oldText, newText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        TempFolder dir;
        TempFolder elsewhere;
        const QString path = dir.file(QStringLiteral("a.") + QLatin1String(c.type));
        const QString source = elsewhere.file(QStringLiteral("source.") + QLatin1String(c.sourceType));
        const auto engine = EngineFor(QLatin1String(c.type));
        OfficeApplication& office = engine->Application();
        AllowEverything(office);
        MakeLinkSource(office, source, c.oldValue);
        MakeLinkedFile(office, path, source);
        ASSERT_TRUE(ShownText(office, path).contains(c.shownWhenMade)) << "the link of the fixture does not work";
        MakeLinkSource(office, source, c.newValue);
        Configure(*engine, dir.path(), QLatin1String(c.type), {{QStringLiteral("アルファ"), QStringLiteral("ベータ")}});

        engine->TralexGo();

        ASSERT_EQ(engine->CountResult(), 1) << engine->ItemSkipped()->items().join(u'\n').toStdString();
        const QString readBack = ReadBack(path);
        EXPECT_TRUE(readBack.contains(c.shownAfterRun)) << readBack.toStdString();
        EXPECT_FALSE(readBack.contains(c.shownIfUpdated));
        // The run ended its application; a fresh one shows the stored file.
        EXPECT_TRUE(ShownText(engine->Application(), path).contains(c.shownAfterRun));
    }
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
