// The report members of the spreadsheet engine on the real LibreOffice, with templates it makes
// itself; stored reports are read back with xls2csv.
#include "engines/office/clsExcelControl.h"
#include "office/support/OfficeFixtures.h"
#include "platform/office/OfficeWorkbook.h"
#include "platform/office/OfficeWorksheet.h"
#include "platform/ProgramError.h"
#include "support/TestFiles.h"

#include <QFile>
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <utility>

using namespace tralex;
using namespace tralex::test;

namespace {

const QString Sep = QString(QChar(31));

// A template of `sheets` sheets. The first: A1 "見出し", a two-row block at rows 5 and 6 ("品名",
// "小計") and "合計" in row 16.
void makeTemplate(OfficeApplication& office, const QString& path, int sheets)
{
    Retried(office, [&] {
        auto document = office.Create(OfficeApplication::Kind::Spreadsheet);
        OfficeWorkbook book(*document);
        for (int i = 1; i < sheets; ++i)
            book.AppendSheet(QStringLiteral("表%1").arg(i));
        book.SetCellText(0, 0, 0, QStringLiteral("見出し"));
        book.SetCellText(0, 0, 4, QStringLiteral("品名"));
        book.SetCellText(0, 0, 5, QStringLiteral("小計"));
        book.SetCellText(0, 0, 15, QStringLiteral("合計"));
        document->StoreTo(path, FilterOf(QStringLiteral("xls")));
    });
}

// The error an action raised; a failure of the test when it raised none.
std::optional<ProgramError> errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const ProgramError& e) {
        return e;
    }
    ADD_FAILURE() << "no error";
    return std::nullopt;
}

void expectReportError(const std::function<void()>& action, const QString& description)
{
    const auto error = errorOf(action);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->description(), description);
    EXPECT_EQ(error->number(), ProgramError::ObjectError);
    EXPECT_EQ(error->source(), QStringLiteral("clsExcelControl"));
}

// The lines of xls2csv's output for a sheet (from 0).
QStringList sheetLines(const QString& csv, int sheet)
{
    return csv.section(QLatin1Char('\f'), sheet, sheet).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

}  // namespace

TEST(ExcelReport, BasePathAndSheetCountRefuseBadValuesKeepingTheOld)
{
    TempFolder dir;
    const QString existing = dir.write("tpl.xls", "x");
    clsExcelControl engine;
    engine.setBasePath(existing);
    for (const QString& bad : {dir.file("none.xls"), dir.path(), QString()}) {
        const auto error = errorOf([&] { engine.setBasePath(bad); });
        ASSERT_TRUE(error);
        EXPECT_EQ(error->number(), 76);
        EXPECT_EQ(error->description(), QStringLiteral("ファイルが存在しません"));
        EXPECT_EQ(error->source(), QStringLiteral("clsExcelControl"));
        EXPECT_EQ(engine.BasePath(), existing);
    }

    engine.setSheetCount(QStringLiteral(" 7 "));
    const struct {
        const char* text;
        int number;
    } badCounts[] = {{"abc", 13}, {"", 13}, {"3000000000", 6}};
    for (const auto& bad : badCounts) {
        const auto error = errorOf([&] { engine.setSheetCount(QString::fromLatin1(bad.text)); });
        ASSERT_TRUE(error) << bad.text;
        EXPECT_EQ(error->number(), bad.number) << bad.text;
        EXPECT_EQ(engine.SheetCount(), QStringLiteral("7"));
    }
}

TEST(ExcelReport, ExecuteDocumentCountsSheetsAndShowsTheSavedWorkbookWithoutPrintWorkbook)
{
    TempFolder dir;
    const QString base = dir.file("template.xls");
    clsExcelControl engine;
    makeTemplate(engine.Application(), base, 3);
    engine.setBasePath(base);
    QStringList opened;
    engine.setWorkbookOpener([&](const QString& path) {
        opened << path;
        return true;
    });
    int printed = 0;
    QObject::connect(&engine, &clsExcelControl::PrintWorkbook, [&] { ++printed; });

    // SheetCount set before the call (none: as the last call left it), Magnification, result.
    const struct {
        const char* start;
        double magnification;
        const char* expected;
    } steps[] = {{nullptr, 1.0, "3"}, {nullptr, 1.0, "6"}, {"0", 0.5, "2"}, {"2", 0.5, "2"}};
    for (const auto& step : steps) {
        if (step.start)
            engine.setSheetCount(QString::fromLatin1(step.start));
        engine.setMagnification(step.magnification);
        engine.ExecuteDocument(dir.mkdir("out"), QStringLiteral("報告"), clsExcelControl::OutputToExcel);
        EXPECT_EQ(engine.SheetCount(), QString::fromLatin1(step.expected));
    }

    EXPECT_EQ(printed, 0);
    EXPECT_EQ(opened, QStringList(4, dir.file("out/報告.xls"))) << opened.join(u'|').toStdString();
    EXPECT_EQ(sheetLines(ReadBack(dir.file("out/報告.xls")), 0).value(0), QStringLiteral("\"見出し\""));
    EXPECT_EQ(NamesIn(dir.file("out")), QStringList({QStringLiteral("報告.xls")}));
    EXPECT_EQ(engine.Application().ProcessId(), -1);
}

TEST(ExcelReport, SheetsFilledInSetWorksheetAreStoredAsXlsAndTheTemplateStaysAsItWas)
{
    TempFolder dir;
    const QString base = dir.file("template.xls");
    clsExcelControl engine;
    makeTemplate(engine.Application(), base, 2);
    const QByteArray templateBytes = readBytes(base);
    engine.setBasePath(base);
    QStringList sheetsSeen;
    QStringList read;
    QObject::connect(&engine, &clsExcelControl::SetWorksheet, [&](OfficeWorksheet* sheet, bool&) {
        sheetsSeen << sheet->Name();
        if (sheetsSeen.size() > 1)
            return;
        auto rows = makeOrderedList();
        rows->Add(QStringLiteral("a") + Sep + QStringLiteral("b") + Sep);
        rows->Add(QStringList({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("=SUM(C3,D3)"), QStringLiteral("tail")}).join(Sep));
        engine.SetupData(sheet, rows, 1, 2);
        engine.ExpandRows(sheet, 5, 10, 2);
        engine.CellsEntry(sheet, QStringLiteral("F1"), QStringLiteral("=SUM(R3C3,R[2]C[-2])"));
        engine.CellsEntry(sheet, QStringLiteral("G1"), QStringLiteral("文字"));
        engine.LinkHtmlAddress(sheet, 1, 1, QStringLiteral("https://example.com/r"));
        for (const char* cell : {"A1", "F1", "C3", "E3", "F3", "A15"})
            read << engine.GetData(sheet, QString::fromLatin1(cell));
    });
    QString printFolder;
    QObject::connect(&engine, &clsExcelControl::PrintWorkbook,
                     [&](OfficeWorkbook* book, bool&, const QString& folder) {
                         printFolder = folder;
                         EXPECT_EQ(book->SheetCount(), 2);
                     });

    engine.ExecuteDocument(dir.mkdir("out"), QStringLiteral("r"), 0);

    EXPECT_EQ(sheetsSeen, QStringList({QStringLiteral("Sheet1"), QStringLiteral("表1")}));
    EXPECT_EQ(read, QStringList({QStringLiteral("見出し"), QStringLiteral("3"), QStringLiteral("1"),
                                 QStringLiteral("3"), QString(), QStringLiteral("品名")}));
    EXPECT_EQ(printFolder, dir.file("out/"));
    EXPECT_EQ(readBytes(base), templateBytes);
    const QString saved = dir.file("out/r.xls");
    // xls2csv quotes every value and leaves out empty rows. SUM counts numbers only: the values
    // entered are numbers, and formulas are read as Excel writes them.
    QStringList expected = {QStringLiteral("\"見出し\",,,,,\"3\",\"文字\""), QStringLiteral(",,\"a\",\"b\""),
                            QStringLiteral(",,\"1\",\"2\",\"3\"")};  // text behind the last separator dropped
    for (int row = 5; row <= 15; ++row)
        expected << (row % 2 ? QStringLiteral("\"品名\"") : QStringLiteral("\"小計\""));
    expected << QStringLiteral("\"合計\"");
    EXPECT_EQ(sheetLines(ReadBack(saved), 0), expected) << ReadBack(saved).toStdString();
    const QString link = QStringLiteral("https://example.com/r");
    EXPECT_TRUE(readBytes(saved).contains(QByteArray(reinterpret_cast<const char*>(link.utf16()), link.size() * 2)));
}

TEST(ExcelReport, RefusedCallsFailWithTheirMessageAndTheTemplateStaysOpenUntilRelease)
{
    TempFolder dir;
    const QString base = dir.file("template.xls");
    {
        clsExcelControl maker;
        makeTemplate(maker.Application(), base, 1);
    }
    const QString written = QStringLiteral("データの書き込みに失敗しました！");
    const struct {
        const char* cancelled;  // the event whose handler cancels
        bool execute;           // ExecuteDocument, else GetDocument
        QString message;
    } cases[] = {{"GetWorksheet", false, written},
                 {"SetWorksheet", true, written},
                 {"PrintWorkbook", true, QStringLiteral("データの出力に失敗しました！")}};
    for (const auto& c : cases) {
        pid_t pid = -1;
        {
            clsExcelControl engine;
            engine.setBasePath(base);
            const QString cancelled = QString::fromLatin1(c.cancelled);
            auto cancelSheet = [&](OfficeWorksheet*, bool& cancel) {
                cancel = cancelled == QLatin1String("GetWorksheet") || cancelled == QLatin1String("SetWorksheet");
            };
            QObject::connect(&engine, &clsExcelControl::GetWorksheet, cancelSheet);
            QObject::connect(&engine, &clsExcelControl::SetWorksheet, cancelSheet);
            QObject::connect(&engine, &clsExcelControl::PrintWorkbook,
                             [&](OfficeWorkbook*, bool& cancel, const QString&) { cancel = true; });
            expectReportError(
                [&] {
                    if (c.execute)
                        engine.ExecuteDocument(dir.path(), QStringLiteral("r"), 0);
                    else
                        engine.GetDocument();
                },
                c.message);
            pid = engine.Application().ProcessId();
            EXPECT_NE(pid, -1) << c.cancelled;
        }
        EXPECT_TRUE(ProcessGone(pid)) << c.cancelled;
    }

    // The next report member closes what a failed one left open.
    clsExcelControl engine;
    engine.setBasePath(base);
    bool cancelNext = true;
    pid_t during = -1;
    QObject::connect(&engine, &clsExcelControl::GetWorksheet, [&](OfficeWorksheet*, bool& cancel) {
        during = engine.Application().ProcessId();
        cancel = std::exchange(cancelNext, false);
    });
    expectReportError([&] { engine.GetDocument(); }, written);
    const pid_t left = during;
    engine.GetDocument();
    EXPECT_NE(during, left);
    EXPECT_TRUE(ProcessGone(left));
    EXPECT_EQ(engine.Application().ProcessId(), -1);

    clsExcelControl unset;
    expectReportError([&] { unset.GetDocument(); }, QStringLiteral("テンプレートファイルのコピーに失敗しました！"));
    QFile::remove(base);
    expectReportError([&] { engine.ExecuteDocument(dir.path(), QStringLiteral("r"), 0); },
                      QStringLiteral("テンプレートファイルのコピーに失敗しました！"));
}

TEST(ExcelReport, CellMembersRefuseMissingSheetsListsAndRowsWithoutTouchingTheSheet)
{
    clsExcelControl engine;
    auto document = Retried(engine.Application(),
                            [&] { return engine.Application().Create(OfficeApplication::Kind::Spreadsheet); });
    OfficeWorksheet sheet(*document, 0);
    const QString narrow = QStringLiteral("対象となるｼｰﾄのｲﾝｽﾀﾝｽがｾｯﾄされていません");
    const QString wide = QStringLiteral("対象となるシートのインスタンスがセットされていません ");
    const QString badRow = QStringLiteral("不正な行が指定されました");
    const QString badCount = QStringLiteral("不正な数量が指定されました");
    const std::pair<std::function<void()>, QString> cases[] = {
        {[&] { engine.GetData(nullptr, QStringLiteral("A1")); }, narrow},
        {[&] { engine.SetupData(nullptr, makeOrderedList(), 0, 0); }, narrow},
        {[&] { engine.ExpandRows(nullptr, 1, 1, 1); }, narrow},
        {[&] { engine.LinkHtmlAddress(nullptr, 1, 1, QStringLiteral("x")); }, wide},
        {[&] { engine.CellsEntry(nullptr, QStringLiteral("A1"), QStringLiteral("x")); }, wide},
        {[&] { engine.SetupData(&sheet, nullptr, 0, 0); },
         QStringLiteral("対象となるﾃﾞｰﾀｺﾚｸｼｮﾝのｲﾝｽﾀﾝｽがｾｯﾄされていません")},
        {[&] { engine.ExpandRows(&sheet, 0, 1, 1); }, badRow},
        {[&] { engine.ExpandRows(&sheet, 1, 1, 0); }, badRow},
        {[&] { engine.ExpandRows(&sheet, 1, 0, 1); }, badCount},
    };
    for (const auto& [action, message] : cases)
        expectReportError(action, message);

    // Values typed into cells, as GetData gives them back.
    const std::pair<const char*, const char*> values[] = {
        {"2026-01-02", "2026/01/02"}, {"2026-01-02 09:30", "2026/01/02 9:30:00"}, {"9:30:00", "9:30:00"},
        {"=1=1", "True"}, {"=1/3", "0.333333333333333"}, {"'007", "007"}};
    int row = 10;
    for (const auto& [typed, expected] : values) {
        sheet.SetValue(++row, 1, QString::fromUtf8(typed));
        const QString got = engine.GetData(&sheet, QStringLiteral("A%1").arg(row));
        EXPECT_EQ(got, QString::fromUtf8(expected)) << typed << " gave " << got.toStdString();
    }

    // A block taller than the rows to fill leaves its own rows alone.
    sheet.SetValue(1, 1, QStringLiteral("上"));
    sheet.SetValue(2, 1, QStringLiteral("下"));
    engine.ExpandRows(&sheet, 1, 1, 2);
    EXPECT_EQ(sheet.Value(QStringLiteral("A2")), QStringLiteral("下"));
    EXPECT_EQ(sheet.Value(QStringLiteral("A3")), QString());
}

