#include "office/support/OfficeFixtures.h"

#include "platform/office/OfficeDocument.h"
#include "platform/office/OfficeTextDocument.h"
#include "platform/office/OfficeUno.h"
#include "platform/office/OfficeWorkbook.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XNameContainer.hpp>
#include <com/sun/star/container/XNameReplace.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/XEventsSupplier.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/script/XLibraryContainer.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/script/provider/XScriptProviderSupplier.hpp>
#include <com/sun/star/script/provider/XScriptProvider.hpp>
#include <com/sun/star/script/provider/XScript.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#include <cerrno>
#include <csignal>

namespace tralex::test {

using namespace com::sun::star;

void makeWorkbook(OfficeApplication& office, const QString& path, const QString& footer,
                  const QString& cellA1);
void makeDocument(OfficeApplication& office, const QString& path, const QString& footer,
                  const QString& body);

QString FilterOf(const QString& type)
{
    if (type == QLatin1String("xls")) return QStringLiteral("MS Excel 97");
    if (type == QLatin1String("xlsx")) return QStringLiteral("Calc MS Excel 2007 XML");
    if (type == QLatin1String("ods")) return QStringLiteral("calc8");
    if (type == QLatin1String("doc")) return QStringLiteral("MS Word 97");
    if (type == QLatin1String("docx")) return QStringLiteral("MS Word 2007 XML");
    return QStringLiteral("writer8");
}

void MakeWorkbook(OfficeApplication& office, const QString& path, const QString& footer,
                  const QString& cellA1)
{
    Retried(office, [&] { makeWorkbook(office, path, footer, cellA1); });
}

void makeWorkbook(OfficeApplication& office, const QString& path, const QString& footer,
                  const QString& cellA1)
{
    auto document = office.Create(OfficeApplication::Kind::Spreadsheet);
    OfficeWorkbook book(*document);
    book.SetSheetName(0, QStringLiteral("売上"));
    book.SetCellText(0, 0, 0, cellA1);
    book.SetCellText(0, 1, 1, QStringLiteral("abc"));
    book.AppendSheet(QStringLiteral("アルファ集計"));
    book.SetCellText(1, 0, 0, QStringLiteral("アルファ商品"));
    book.SetPageText(0, 1, QStringLiteral("アルファ 見積"), true);
    book.SetPageText(0, 5, footer);
    document->StoreTo(path, FilterOf(QFileInfo(path).suffix()));
}

void MakeDocument(OfficeApplication& office, const QString& path, const QString& footer,
                  const QString& body)
{
    Retried(office, [&] { makeDocument(office, path, footer, body); });
}

void makeDocument(OfficeApplication& office, const QString& path, const QString& footer,
                  const QString& body)
{
    auto document = office.Create(OfficeApplication::Kind::Text);
    OfficeTextDocument text(*document);
    text.AppendParagraph(body, QStringLiteral("Standard"), QStringLiteral("アルファ 表紙"),
                         QStringLiteral("アルファ 頁"));
    text.AppendParagraph(QStringLiteral("第二節"), QStringLiteral("Chapter"),
                         QStringLiteral("アルファ 本章"), footer);
    text.AppendParagraph(QStringLiteral("第三節"), QStringLiteral("Chapter"));
    document->StoreTo(path, FilterOf(QFileInfo(path).suffix()));
}

namespace {

const char MacroUrl[] = "vnd.sun.star.script:Standard.Module1.Main?language=Basic&location=document";

rtl::OUString urlOf(const QString& path)
{
    return lo::ToOU(QString::fromLatin1(QUrl::fromLocalFile(path).toEncoded()));
}

// Loads a file with other arguments than the office automation uses, through the desktop that
// loaded a fresh document of the same process, and hands the loaded model to f.
template <typename F>
void withLoaded(OfficeApplication& office, const QString& path,
                const uno::Sequence<beans::PropertyValue>& arguments, F&& f)
{
    auto helper = office.Create(OfficeApplication::Kind::Text);
    lo::Guarded(office, QStringLiteral("開けません"), [&] {
        uno::Reference<frame::XModel> model(lo::ComponentOf(*helper), uno::UNO_QUERY_THROW);
        uno::Reference<frame::XComponentLoader> loader(model->getCurrentController()->getFrame()->getCreator(),
                                                       uno::UNO_QUERY_THROW);
        const auto loaded = loader->loadComponentFromURL(urlOf(path), rtl::OUString("_blank"), 0, arguments);
        f(loaded);
        uno::Reference<util::XCloseable>(loaded, uno::UNO_QUERY_THROW)->close(true);
    });
}

uno::Reference<table::XCell> firstSheetCell(const uno::Reference<lang::XComponent>& component, int column, int row)
{
    uno::Reference<sheet::XSpreadsheetDocument> book(component, uno::UNO_QUERY_THROW);
    uno::Reference<container::XIndexAccess> sheets(book->getSheets(), uno::UNO_QUERY_THROW);
    uno::Reference<sheet::XSpreadsheet> first(sheets->getByIndex(0), uno::UNO_QUERY_THROW);
    return first->getCellByPosition(column, row);
}

}  // namespace

void MakeProtectedWorkbook(OfficeApplication& office, const QString& path)
{
    Retried(office, [&] {
        auto document = office.Create(OfficeApplication::Kind::Spreadsheet);
        OfficeWorkbook(*document).SetCellText(0, 0, 0, QStringLiteral("アルファ"));
        lo::Guarded(office, QStringLiteral("保存できません"), [&] {
            uno::Reference<frame::XStorable> storable(lo::ComponentOf(*document), uno::UNO_QUERY_THROW);
            storable->storeToURL(urlOf(path),
                                 lo::Properties({
                                     lo::Property("FilterName", uno::Any(lo::ToOU(FilterOf(QFileInfo(path).suffix())))),
                                     lo::Property("Password", uno::Any(rtl::OUString("secret"))),
                                 }));
        });
    });
}

void MakeWorkbookWithMacro(OfficeApplication& office, const QString& path, const QString& marker)
{
    Retried(office, [&] {
        auto document = office.Create(OfficeApplication::Kind::Spreadsheet);
        OfficeWorkbook(*document).SetCellText(0, 0, 0, QStringLiteral("アルファ"));
        lo::Guarded(office, QStringLiteral("マクロを作れません"), [&] {
            const auto component = lo::ComponentOf(*document);
            uno::Reference<script::XLibraryContainer> libraries(
                uno::Reference<beans::XPropertySet>(component, uno::UNO_QUERY_THROW)
                    ->getPropertyValue(rtl::OUString("BasicLibraries")),
                uno::UNO_QUERY_THROW);
            if (!libraries->hasByName(rtl::OUString("Standard")))
                libraries->createLibrary(rtl::OUString("Standard"));
            uno::Reference<container::XNameContainer> library(libraries->getByName(rtl::OUString("Standard")),
                                                              uno::UNO_QUERY_THROW);
            const QString code = QStringLiteral("Function Main(Optional x)\n  Dim n As Integer\n  n = FreeFile\n"
                                                "  Open \"%1\" For Append As #n\n  Print #n, \"ran\"\n"
                                                "  Close #n\n  Main = 1\nEnd Function\n").arg(marker);
            library->insertByName(rtl::OUString("Module1"), uno::Any(lo::ToOU(code)));
            const auto events = uno::Reference<document::XEventsSupplier>(component, uno::UNO_QUERY_THROW)->getEvents();
            const auto binding = lo::Properties({
                lo::Property("EventType", uno::Any(rtl::OUString("Script"))),
                lo::Property("Script", uno::Any(rtl::OUString(MacroUrl))),
            });
            for (const char* event : {"OnLoad", "OnPrepareUnload", "OnUnload"}) {
                const rtl::OUString name = rtl::OUString::createFromAscii(event);
                if (events->hasByName(name))
                    events->replaceByName(name, uno::Any(binding));
            }
            firstSheetCell(component, 1, 0)->setFormula(rtl::OUString("=MAIN(A1)"));
        });
        document->StoreTo(path, FilterOf(QFileInfo(path).suffix()));
    });
}

void RunFileMacro(OfficeApplication& office, const QString& path)
{
    const auto arguments = lo::Properties({
        lo::Property("Hidden", uno::Any(true)),
        lo::Property("MacroExecutionMode", uno::Any(document::MacroExecMode::ALWAYS_EXECUTE_NO_WARN)),
    });
    Retried(office, [&] {
        withLoaded(office, path, arguments, [](const uno::Reference<lang::XComponent>& loaded) {
            uno::Reference<script::provider::XScriptProviderSupplier> supplier(loaded, uno::UNO_QUERY_THROW);
            uno::Sequence<sal_Int16> outIndex;
            uno::Sequence<uno::Any> out;
            supplier->getScriptProvider()->getScript(rtl::OUString(MacroUrl))->invoke({}, outIndex, out);
        });
    });
}

QString CommandOutput(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString ReadBack(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    if (suffix == QLatin1String("xls"))
        return CommandOutput(QStringLiteral("xls2csv"), {QStringLiteral("-d"), QStringLiteral("utf-8"), path});
    if (suffix == QLatin1String("doc"))
        return CommandOutput(QStringLiteral("catdoc"), {QStringLiteral("-d"), QStringLiteral("utf-8"), path});
    // The parts that hold the text, not settings or metadata (which keep, for example, a sheet's
    // original code name).
    const QStringList parts = suffix.startsWith(QLatin1Char('o'))
        ? QStringList{QStringLiteral("content.xml"), QStringLiteral("styles.xml")}
        : suffix == QLatin1String("xlsx") ? QStringList{QStringLiteral("xl/*.xml"), QStringLiteral("xl/worksheets/*.xml")}
                                          : QStringList{QStringLiteral("word/*.xml")};
    return CommandOutput(QStringLiteral("unzip"), QStringList{QStringLiteral("-p"), path} + parts);
}

bool ProcessGone(pid_t pid)
{
    if (pid <= 0)
        return true;
    if (::kill(pid, 0) != 0 && errno == ESRCH)
        return true;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close >= 0 && line.mid(close + 2, 1) == "Z";
}

}  // namespace tralex::test
