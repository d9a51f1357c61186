// The spreadsheet engine on the real LibreOffice, with workbooks it makes itself.
#include "engines/office/clsExcelControl.h"
#include "office/support/OfficeFixtures.h"
#include "platform/office/OfficeDocument.h"
#include "platform/office/OfficeWorkbook.h"
#include "platform/ProgramError.h"
#include "support/TestFiles.h"

#include <QFile>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>

using namespace tralex;
using namespace tralex::test;

namespace {

const QList<std::pair<QString, QString>> AlphaToBeta = {
    {QStringLiteral("アルファ"), QStringLiteral("ベータ")}, {QStringLiteral("abc"), QStringLiteral("xyz")}};

mode_t modeOf(const QString& path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

}  // namespace

class ExcelEngineFormats : public ::testing::TestWithParam<const char*> {};

TEST_P(ExcelEngineFormats, ReplacesCellsPageTextsAndSheetNamesKeepingTheOldFileAsBackup)
{
    const QString type = QString::fromLatin1(GetParam());
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("見積.") + type);
    clsExcelControl engine;
    MakeWorkbook(engine.Application(), path);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    Configure(engine, dir.path(), type, AlphaToBeta);

    engine.TralexGo();

    ASSERT_EQ(engine.CountResult(), 1) << engine.ItemSkipped()->items().join(u'\n').toStdString();
    EXPECT_EQ(engine.ItemResult()->Item(1), path);
    EXPECT_EQ(engine.CountSkipped(), 0);
    EXPECT_EQ(modeOf(path), 0640u);
    const QStringList names = NamesIn(dir.path());
    ASSERT_EQ(names.size(), 2) << names.join(u' ').toStdString();  // no renewal file left
    const QString backUp = dir.file(names.at(0).startsWith(u"Bk") ? names.at(0) : names.at(1));
    EXPECT_TRUE(QFileInfo(backUp).fileName().endsWith(QStringLiteral("_見積.") + type));

    {
        auto document = Retried(engine.Application(), [&] { return engine.Application().Open(path); });
        EXPECT_EQ(document->FilterName(), FilterOf(type));
        OfficeWorkbook book(*document);
        EXPECT_EQ(book.CellText(0, 0, 0), QStringLiteral("株式会社ベータ"));
        EXPECT_EQ(book.CellText(0, 1, 1), QStringLiteral("xyz"));
        EXPECT_EQ(book.SheetName(1), QStringLiteral("ベータ集計"));
        EXPECT_TRUE(book.PageText(0, 1).startsWith(QStringLiteral("ベータ 見積")));
        EXPECT_EQ(book.PageText(0, 5), QStringLiteral("ベータ フッタ"));
        auto old = Retried(engine.Application(), [&] { return engine.Application().Open(backUp); });
        EXPECT_EQ(OfficeWorkbook(*old).CellText(0, 0, 0), QStringLiteral("株式会社アルファ"));
    }
    const pid_t pid = engine.Application().ProcessId();
    engine.Application().Quit();
    EXPECT_TRUE(ProcessGone(pid));

    const QString seen = ReadBack(path);
    EXPECT_TRUE(seen.contains(QStringLiteral("株式会社ベータ"))) << seen.toStdString();
    EXPECT_FALSE(seen.contains(QStringLiteral("アルファ"))) << seen.toStdString();
    if (type != QLatin1String("xls")) {
        EXPECT_TRUE(seen.contains(QStringLiteral("ベータ 偶数"))) << "header of left pages";
    }
    if (type == QLatin1String("xlsx")) {
        EXPECT_TRUE(seen.contains(QStringLiteral("ベータ 見積&amp;P"))) << "page field lost";
    } else if (type == QLatin1String("ods")) {
        EXPECT_TRUE(seen.contains(QStringLiteral("<text:page-number"))) << "page field lost";
    }
}

INSTANTIATE_TEST_SUITE_P(Office, ExcelEngineFormats, ::testing::Values("xls", "xlsx", "ods"));

TEST(ExcelEngine, FooterOnlyMatchIsStoredWhileUnmatchedAndLockFilesAreLeftAlone)
{
    TempFolder dir;
    clsExcelControl engine;
    MakeWorkbook(engine.Application(), dir.file("a.xls"), QStringLiteral("専用 フッタ"));
    MakeWorkbook(engine.Application(), dir.file("b.xls"));
    QFile::copy(dir.file("a.xls"), dir.file("~$a.xls"));
    const QByteArray untouched = readBytes(dir.file("b.xls"));
    QStringList events;
    engine.setProgressInterval(0);  // a report for every workbook
    QObject::connect(&engine, &TralexEngine::ExecutionMessage, [&](const QString& m) { events << m; });
    Configure(engine, dir.path(), "xls", {{QStringLiteral("専用"), QStringLiteral("共用")}});

    engine.TralexGo();

    EXPECT_EQ(events, QStringList({dir.file("a.xls"), dir.file("b.xls")}));
    ASSERT_EQ(engine.CountResult(), 1);
    EXPECT_EQ(engine.ItemResult()->Item(1), dir.file("a.xls"));
    EXPECT_EQ(readBytes(dir.file("b.xls")), untouched);
    EXPECT_EQ(NamesIn(dir.path()).size(), 4);  // a, its backup, b, ~$a
    auto document = Retried(engine.Application(), [&] { return engine.Application().Open(dir.file("a.xls")); });
    EXPECT_EQ(OfficeWorkbook(*document).PageText(0, 5), QStringLiteral("共用 フッタ"));
}

TEST(ExcelEngine, UcaseOptionDecidesWhetherLetterCaseMatters)
{
    for (const bool ucase : {false, true}) {
        TempFolder dir;
        clsExcelControl engine;
        MakeWorkbook(engine.Application(), dir.file("a.xls"), QStringLiteral("abc フッタ"));
        Configure(engine, dir.path(), "xls", {{QStringLiteral("ABC"), QStringLiteral("Q")}}, ucase);
        engine.TralexGo();
        ASSERT_EQ(engine.CountResult(), ucase ? 1 : 0) << ucase;
        if (!ucase)
            continue;
        auto document = Retried(engine.Application(), [&] { return engine.Application().Open(dir.file("a.xls")); });
        OfficeWorkbook book(*document);
        EXPECT_EQ(book.CellText(0, 1, 1), QStringLiteral("Q"));
        EXPECT_EQ(book.PageText(0, 5), QStringLiteral("Q フッタ"));
    }
}

TEST(ExcelEngine, MultiLinePairEndsTheRunBeforeAnyWorkbookChanges)
{
    TempFolder dir;
    clsExcelControl engine;
    MakeWorkbook(engine.Application(), dir.file("a.xls"));
    const QByteArray before = readBytes(dir.file("a.xls"));
    Configure(engine, dir.path(), "xls",
              {{QStringLiteral("アルファ"), QStringLiteral("ベータ")}, {QStringLiteral("a\r\nb"), QStringLiteral("x")}});
    try {
        engine.TralexGo();
        ADD_FAILURE() << "no error";
    } catch (const ProgramError& e) {
        EXPECT_EQ(e.description(), QStringLiteral("複数行検索には対応していません"));
        EXPECT_EQ(e.source(), QStringLiteral("clsExcelControl"));
    }
    EXPECT_EQ(readBytes(dir.file("a.xls")), before);
    EXPECT_EQ(engine.Application().ProcessId(), -1);
}

TEST(ExcelEngine, StopBetweenWorkbooksLeavesTheShownOneUnopened)
{
    TempFolder dir;
    clsExcelControl engine;
    for (const char* name : {"a.xls", "b.xls", "c.xls"})
        MakeWorkbook(engine.Application(), dir.file(name));
    Configure(engine, dir.path(), "xls", AlphaToBeta);
    int events = 0;
    engine.setProgressInterval(0);  // a report for every workbook
    QObject::connect(&engine, &TralexEngine::ExecutionMessage, [&](const QString&) {
        if (++events == 2)
            engine.setStopFlag(true);
    });
    engine.TralexGo();
    EXPECT_EQ(events, 2);
    ASSERT_EQ(engine.CountResult(), 1);
    EXPECT_EQ(engine.ItemResult()->Item(1), dir.file("a.xls"));
    EXPECT_EQ(NamesIn(dir.path()).size(), 4);
}

TEST(ExcelEngine, BadWorkbooksAreSkippedByNameWhileTheRunGoesOn)
{
    TempFolder dir;
    clsExcelControl engine;
    OfficeApplication& office = engine.Application();
    dir.write("corrupt.xls", QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1 damaged", 16) + QByteArray(4000, '\x7f'));
    dir.write("text.xls", QStringLiteral("アルファ,1\nアルファ,2\n").toUtf8());
    MakeWorkbook(office, dir.file("renamed.xlsx"));
    QFile::rename(dir.file("renamed.xlsx"), dir.file("renamed.xls"));
    MakeProtectedWorkbook(office, dir.file("protected.xls"));
    MakeWorkbook(office, dir.file("readonly.xls"));
    ::chmod(QFile::encodeName(dir.file("readonly.xls")).constData(), 0444);
    MakeWorkbook(office, dir.file("zgood.xls"));
    QMap<QString, QByteArray> before;
    for (const QString& name : NamesIn(dir.path()))
        before[name] = readBytes(dir.file(name));
    Configure(engine, dir.path(), "xls", AlphaToBeta);

    engine.TralexGo();

    ASSERT_EQ(engine.CountResult(), 1);
    EXPECT_EQ(engine.ItemResult()->Item(1), dir.file("zgood.xls"));
    for (const char* name : {"corrupt.xls", "text.xls", "renamed.xls", "protected.xls", "readonly.xls"}) {
        EXPECT_FALSE(SkipReason(engine, name).isEmpty()) << name;
        EXPECT_EQ(readBytes(dir.file(name)), before[name]) << name;
    }
    EXPECT_EQ(SkipReason(engine, "protected.xls"), QStringLiteral("パスワードで保護されています"));
    EXPECT_EQ(SkipReason(engine, "renamed.xls"), QStringLiteral("拡張子と異なる形式のファイルです"));
    EXPECT_EQ(SkipReason(engine, "readonly.xls"), QStringLiteral("書き込みが許可されていないファイルです"));
}

TEST(ExcelEngine, CrashedLibreOfficeIsRestartedAndHungOneSkipsItsFile)
{
    for (const int signal : {SIGKILL, SIGSTOP}) {
        TempFolder dir;
        clsExcelControl engine;
        for (const char* name : {"a.xls", "b.xls", "c.xls"})
            MakeWorkbook(engine.Application(), dir.file(name));
        engine.Application().setFileTimeout(15000);
        Configure(engine, dir.path(), "xls", AlphaToBeta);
        int events = 0;
        pid_t stricken = -1;
        engine.setProgressInterval(0);  // a report for every workbook
        QObject::connect(&engine, &TralexEngine::ExecutionMessage, [&](const QString&) {
            if (++events == 2) {
                stricken = engine.Application().ProcessId();
                ::kill(stricken, signal);
            }
        });
        engine.TralexGo();
        EXPECT_TRUE(ProcessGone(stricken));
        EXPECT_EQ(engine.Application().ProcessId(), -1);
        if (signal == SIGKILL) {
            EXPECT_EQ(engine.CountResult(), 3) << engine.ItemSkipped()->items().join(u'\n').toStdString();
        } else {
            EXPECT_EQ(engine.ItemResult()->items(), QStringList({dir.file("a.xls"), dir.file("c.xls")}));
            EXPECT_EQ(SkipReason(engine, "b.xls"), QStringLiteral("LibreOffice が応答しません"));
        }
    }
}
