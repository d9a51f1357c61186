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
#include <com/sun/star/sheet/XHeaderFooterContent.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/text/ControlCharacter.hpp>
#include <com/sun/star/text/SectionFileLink.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/awt/Size.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/drawing/XDrawPageSupplier.hpp>
#include <com/sun/star/drawing/XShape.hpp>
#include <com/sun/star/text/XBookmarksSupplier.hpp>
#include <com/sun/star/text/XReferenceMarksSupplier.hpp>
#include <com/sun/star/text/XTextFieldsSupplier.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/util/XRefreshable.hpp>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <csignal>
#include <gtest/gtest.h>

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

namespace {

// Gives the first sheet's left pages a header of their own, with `text` in its center part.
void setLeftPageHeader(OfficeApplication& office, OfficeDocument& document, const QString& text)
{
    lo::Guarded(office, QStringLiteral("ヘッダを作れません"), [&] {
        uno::Reference<sheet::XSpreadsheetDocument> book(lo::ComponentOf(document), uno::UNO_QUERY_THROW);
        uno::Reference<container::XIndexAccess> sheets(book->getSheets(), uno::UNO_QUERY_THROW);
        uno::Reference<beans::XPropertySet> sheet(sheets->getByIndex(0), uno::UNO_QUERY_THROW);
        rtl::OUString styleName;
        sheet->getPropertyValue(rtl::OUString("PageStyle")) >>= styleName;
        uno::Reference<beans::XPropertySet> style(lo::PageStyles(document)->getByName(styleName), uno::UNO_QUERY_THROW);
        style->setPropertyValue(rtl::OUString("HeaderIsShared"), uno::Any(false));
        const rtl::OUString property("LeftPageHeaderContent");
        uno::Reference<sheet::XHeaderFooterContent> content(style->getPropertyValue(property), uno::UNO_QUERY_THROW);
        content->getCenterText()->setString(lo::ToOU(text));
        style->setPropertyValue(property, uno::Any(content));
    });
}

}  // namespace

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
    // Excel 97-2003 workbooks have no headers of their own for left pages.
    if (QFileInfo(path).suffix() != QLatin1String("xls"))
        setLeftPageHeader(office, *document, QStringLiteral("アルファ 偶数"));
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

namespace {

// Binds the document's Basic function Main to events of loading, changing, storing and closing.
// A binding of the StarBasic kind runs with the document it belongs to; LibreOffice finds no
// document for a script URL bound to an event of a hidden document, so that kind would never run.
void bindMacroToEvents(const uno::Reference<lang::XComponent>& component)
{
    const auto events = uno::Reference<document::XEventsSupplier>(component, uno::UNO_QUERY_THROW)->getEvents();
    const auto binding = lo::Properties({
        lo::Property("EventType", uno::Any(rtl::OUString("StarBasic"))),
        lo::Property("Library", uno::Any(rtl::OUString("document"))),
        lo::Property("MacroName", uno::Any(rtl::OUString("Standard.Module1.Main"))),
    });
    for (const char* event : {"OnLoad", "OnLoadFinished", "OnModifyChanged", "OnCopyTo", "OnCopyToDone",
                              "OnPrepareUnload", "OnUnload"}) {
        const rtl::OUString name = rtl::OUString::createFromAscii(event);
        if (events->hasByName(name))
            events->replaceByName(name, uno::Any(binding));
    }
}

void insertMacro(const uno::Reference<lang::XComponent>& component, const QString& marker)
{
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
    bindMacroToEvents(component);
}

bool isSpreadsheet(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    return suffix == QLatin1String("ods") || suffix.startsWith(QLatin1String("xls"));
}

std::unique_ptr<OfficeDocument> create(OfficeApplication& office, const QString& path)
{
    return office.Create(isSpreadsheet(path) ? OfficeApplication::Kind::Spreadsheet : OfficeApplication::Kind::Text);
}

// A document whose text is `paragraph`, followed by an empty paragraph; returns a cursor at its end.
uno::Reference<text::XTextCursor> writeParagraph(const uno::Reference<lang::XComponent>& component,
                                                const QString& paragraph)
{
    const auto text = uno::Reference<text::XTextDocument>(component, uno::UNO_QUERY_THROW)->getText();
    text->setString(lo::ToOU(paragraph));
    auto cursor = text->createTextCursorByRange(text->getEnd());
    text->insertControlCharacter(cursor.get(), text::ControlCharacter::PARAGRAPH_BREAK, false);
    return cursor;
}

// Puts `value` into A1 of a workbook (a number when it reads as one), or makes it the first
// paragraph of a document.
void writeFirst(const uno::Reference<lang::XComponent>& component, const QString& value)
{
    if (uno::Reference<sheet::XSpreadsheetDocument>(component, uno::UNO_QUERY).is())
        firstSheetCell(component, 0, 0)->setFormula(lo::ToOU(value));
    else
        writeParagraph(component, value);
}

}  // namespace

void MakeFileWithMacro(OfficeApplication& office, const QString& path, const QString& marker)
{
    Retried(office, [&] {
        auto document = create(office, path);
        lo::Guarded(office, QStringLiteral("マクロを作れません"), [&] {
            const auto component = lo::ComponentOf(*document);
            writeFirst(component, QStringLiteral("アルファ"));
            if (isSpreadsheet(path))
                firstSheetCell(component, 1, 0)->setFormula(rtl::OUString("=MAIN(A1)"));
            insertMacro(component, marker);
        });
        document->StoreTo(path, FilterOf(QFileInfo(path).suffix()));
    });
}

void OpenWithMacrosAllowed(OfficeApplication& office, const QString& path)
{
    const auto arguments = lo::Properties({
        lo::Property("Hidden", uno::Any(true)),
        lo::Property("MacroExecutionMode", uno::Any(document::MacroExecMode::ALWAYS_EXECUTE_NO_WARN)),
    });
    Retried(office, [&] { withLoaded(office, path, arguments, [](const uno::Reference<lang::XComponent>&) {}); });
}

void MakeLinkSource(OfficeApplication& office, const QString& path, const QString& value)
{
    Retried(office, [&] {
        auto document = create(office, path);
        lo::Guarded(office, QStringLiteral("文書を作成できません"),
                    [&] { writeFirst(lo::ComponentOf(*document), value); });
        document->StoreTo(path, FilterOf(QFileInfo(path).suffix()));
    });
}

namespace {

void linkCell(const uno::Reference<lang::XComponent>& component, const QString& source)
{
    writeFirst(component, QStringLiteral("アルファ"));
    const QString formula = QStringLiteral("=LEN(A1)*1000+'%1'#$Sheet1.A1").arg(lo::ToQ(urlOf(source)));
    const auto cell = firstSheetCell(component, 1, 0);
    cell->setFormula(lo::ToOU(formula));
    // Reading the value has the link fetched now, so that the file stores what it showed.
    cell->getValue();
}

void linkSection(const uno::Reference<lang::XComponent>& component, const QString& source)
{
    const auto cursor = writeParagraph(component, QStringLiteral("アルファ本文"));
    uno::Reference<text::XTextContent> section(
        uno::Reference<lang::XMultiServiceFactory>(component, uno::UNO_QUERY_THROW)
            ->createInstance(rtl::OUString("com.sun.star.text.TextSection")),
        uno::UNO_QUERY_THROW);
    cursor->getText()->insertTextContent(cursor.get(), section, false);
    text::SectionFileLink link;
    link.FileURL = urlOf(source);
    uno::Reference<beans::XPropertySet>(section, uno::UNO_QUERY_THROW)->setPropertyValue(rtl::OUString("FileLink"), uno::Any(link));
}

}  // namespace

void MakeLinkedFile(OfficeApplication& office, const QString& path, const QString& source)
{
    Retried(office, [&] {
        auto document = create(office, path);
        lo::Guarded(office, QStringLiteral("リンクを作れません"), [&] {
            if (isSpreadsheet(path))
                linkCell(lo::ComponentOf(*document), source);
            else
                linkSection(lo::ComponentOf(*document), source);
        });
        document->StoreTo(path, FilterOf(QFileInfo(path).suffix()));
    });
}

namespace {

uno::Reference<uno::XInterface> make(const uno::Reference<lang::XComponent>& component, const char* service)
{
    return uno::Reference<lang::XMultiServiceFactory>(component, uno::UNO_QUERY_THROW)
        ->createInstance(rtl::OUString::createFromAscii(service));
}

void setProperty(const uno::Reference<uno::XInterface>& object, const char* name, const uno::Any& value)
{
    uno::Reference<beans::XPropertySet>(object, uno::UNO_QUERY_THROW)
        ->setPropertyValue(rtl::OUString::createFromAscii(name), value);
}

// A flat (single XML file) OpenDocument of a workbook or document: "アルファ" in A1 or the text
// "アルファ本文", and `content` (drawing frames) beside it; `cells` (table cells) after A1 of a
// workbook; `declarations` after a workbook's sheet or at the start of a document's text.
QByteArray flatFile(bool spreadsheet, const QByteArray& content, const QByteArray& cells = QByteArray(),
                    const QByteArray& declarations = QByteArray())
{
    const QByteArray body = spreadsheet
        ? "<office:spreadsheet><table:table table:name=\"Sheet1\"><table:shapes>" + content
              + "</table:shapes><table:table-row><table:table-cell office:value-type=\"string\"><text:p>アルファ</text:p>"
                "</table:table-cell>" + cells + "</table:table-row></table:table>" + declarations + "</office:spreadsheet>"
        : "<office:text>" + declarations + "<text:p>アルファ本文" + content + "</text:p></office:text>";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document "
           "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
           "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
           "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
           "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\" "
           "xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\" "
           "xmlns:of=\"urn:oasis:names:tc:opendocument:xmlns:of:1.2\" "
           "xmlns:xlink=\"http://www.w3.org/1999/xlink\" office:version=\"1.3\" office:mimetype=\""
           + QByteArray(spreadsheet ? "application/vnd.oasis.opendocument.spreadsheet" : "application/vnd.oasis.opendocument.text")
           + "\"><office:body>" + body + "</office:body></office:document>\n";
}

// A frame that shows `url` as a picture, linked instead of held.
QByteArray linkedFrame(const char* element, const QString& url)
{
    return "<draw:frame draw:name=\"linked\" text:anchor-type=\"as-char\" svg:x=\"1cm\" svg:y=\"1cm\" "
           "svg:width=\"2cm\" svg:height=\"2cm\"><draw:" + QByteArray(element) + " xlink:href=\""
           + url.toUtf8().toPercentEncoding(":/") + "\" xlink:type=\"simple\" xlink:show=\"embed\" "
           "xlink:actuate=\"onLoad\"/></draw:frame>";
}

// Stores a flat file in the format of `path`.
void storeFlat(OfficeApplication& office, const QString& path, const QByteArray& flat)
{
    const QString flatPath = path + (isSpreadsheet(path) ? QLatin1String(".fods") : QLatin1String(".fodt"));
    QFile file(flatPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(flat);
    file.close();
    Retried(office, [&] { office.Open(flatPath)->StoreTo(path, FilterOf(QFileInfo(path).suffix())); });
    QFile::remove(flatPath);
}

}  // namespace

void MakeFileWithLinkedImage(OfficeApplication& office, const QString& path, const QString& imageUrl)
{
    storeFlat(office, path, flatFile(isSpreadsheet(path), linkedFrame("image", imageUrl)));
}

namespace {

// Zips the files of `folder` into `path` as an office package: "mimetype", when there is one,
// first and uncompressed, as the formats require.
void zipFolder(const QString& folder, const QString& path, const QStringList& options = {})
{
    QFile::remove(path);
    const auto zip = [&](const QStringList& arguments) {
        QProcess process;
        process.setWorkingDirectory(folder);
        process.start(QStringLiteral("zip"), QStringList{QStringLiteral("-q"), QStringLiteral("-X")} + options + arguments);
        ASSERT_TRUE(process.waitForFinished(60000) && process.exitCode() == 0) << process.readAllStandardError().toStdString();
    };
    if (QFileInfo::exists(folder + QStringLiteral("/mimetype")))
        zip({QStringLiteral("-0"), path, QStringLiteral("mimetype")});
    zip({QStringLiteral("-r"), path, QStringLiteral("."), QStringLiteral("-x"), QStringLiteral("mimetype")});
}

void writePart(const QString& folder, const QString& name, const QByteArray& bytes)
{
    const QString full = folder + QLatin1Char('/') + name;
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile file(full);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << full.toStdString();
    file.write(bytes);
}

QByteArray readPart(const QString& folder, const QString& name)
{
    QFile file(folder + QLatin1Char('/') + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

void MakeXlsxWithLinkedImage(OfficeApplication& office, const QString& path, const QString& imageUrl)
{
    MakeFileWithLinkedImage(office, path, imageUrl);
    QTemporaryDir parts;
    ASSERT_TRUE(parts.isValid());
    CommandOutput(QStringLiteral("unzip"), {QStringLiteral("-q"), path, QStringLiteral("-d"), parts.path()});
    QDir(parts.filePath(QStringLiteral("xl/media"))).removeRecursively();
    const QString drawing = QStringLiteral("xl/drawings/drawing1.xml");
    QByteArray shapes = readPart(parts.path(), drawing);
    const qsizetype picture = shapes.indexOf("r:embed=\"");
    ASSERT_GE(picture, 0) << "the workbook holds no picture";
    shapes.replace(picture, shapes.indexOf('"', picture + 9) + 1 - picture, "r:link=\"rIdLinked\"");
    writePart(parts.path(), drawing, shapes);
    writePart(parts.path(), QStringLiteral("xl/drawings/_rels/drawing1.xml.rels"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Relationships "
              "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rIdLinked\" "
              "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/image\" Target=\""
              + imageUrl.toUtf8().toPercentEncoding(":/") + "\" TargetMode=\"External\"/></Relationships>\n");
    zipFolder(parts.path(), path);
}

namespace {

// Word's and Excel's packages: the object's link is a relationship to a file outside.
void makeOfficeOpenXmlWithLinkedObject(const QString& path, const QByteArray& target)
{
    const bool spreadsheet = isSpreadsheet(path);
    const QByteArray declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
    const QByteArray relationships = "http://schemas.openxmlformats.org/package/2006/relationships";
    const QByteArray types = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    const auto rels = [&](const QList<QByteArray>& entries) {
        return declaration + "<Relationships xmlns=\"" + relationships + "\">" + entries.join() + "</Relationships>";
    };
    const auto rel = [&](const QByteArray& id, const QByteArray& type, const QByteArray& to, bool external) {
        return "<Relationship Id=\"" + id + "\" Type=\"" + types + '/' + type + "\" Target=\"" + to + "\""
               + (external ? " TargetMode=\"External\"" : "") + "/>";
    };
    const auto override = [](const QByteArray& part, const QByteArray& type) {
        return "<Override PartName=\"/" + part + "\" ContentType=\"application/vnd.openxmlformats-officedocument."
               + type + "\"/>";
    };
    const QByteArray main = spreadsheet ? "xl/workbook.xml" : "word/document.xml";
    QByteArray contentTypes = declaration
        + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
          "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
          "<Default Extension=\"xml\" ContentType=\"application/xml\"/>";
    QList<std::pair<QString, QByteArray>> parts = {
        {QStringLiteral("_rels/.rels"), rels({rel("rId1", "officeDocument", main, false)})},
    };
    if (spreadsheet) {
        // The sheet's object shows item '' of external link 1, whose source is the other file.
        const QByteArray sheetMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
        contentTypes += override(main, "spreadsheetml.sheet.main+xml")
                        + override("xl/worksheets/sheet1.xml", "spreadsheetml.worksheet+xml")
                        + override("xl/externalLinks/externalLink1.xml", "spreadsheetml.externalLink+xml");
        parts += {
            {QStringLiteral("xl/workbook.xml"),
             declaration + "<workbook xmlns=\"" + sheetMain + "\" xmlns:r=\"" + types
                 + "\"><sheets><sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets>"
                   "<externalReferences><externalReference r:id=\"rId2\"/></externalReferences></workbook>"},
            {QStringLiteral("xl/_rels/workbook.xml.rels"),
             rels({rel("rId1", "worksheet", "worksheets/sheet1.xml", false),
                   rel("rId2", "externalLink", "externalLinks/externalLink1.xml", false)})},
            {QStringLiteral("xl/worksheets/sheet1.xml"),
             declaration + "<worksheet xmlns=\"" + sheetMain + "\"><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\">"
                 "<is><t>アルファ</t></is></c></row></sheetData><oleObjects><oleObject "
                 "progId=\"soffice.StarCalcDocument.6\" link=\"[1]!''\" oleUpdate=\"OLEUPDATE_ALWAYS\" "
                 "shapeId=\"1025\"/></oleObjects></worksheet>"},
            {QStringLiteral("xl/externalLinks/externalLink1.xml"),
             declaration + "<externalLink xmlns=\"" + sheetMain + "\" xmlns:r=\"" + types
                 + "\"><oleLink r:id=\"rId1\" progId=\"soffice.StarCalcDocument.6\"><oleItems>"
                   "<oleItem name=\"''\" advise=\"1\"/></oleItems></oleLink></externalLink>"},
            {QStringLiteral("xl/externalLinks/_rels/externalLink1.xml.rels"), rels({rel("rId1", "oleObject", target, true)})},
        };
    } else {
        contentTypes += override(main, "wordprocessingml.document.main+xml");
        parts += {
            {QStringLiteral("word/document.xml"),
             declaration + "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
                 "xmlns:r=\"" + types + "\" xmlns:o=\"urn:schemas-microsoft-com:office:office\"><w:body><w:p>"
                 "<w:r><w:t>アルファ本文</w:t></w:r><w:r><w:object><o:OLEObject Type=\"Link\" "
                 "ProgID=\"soffice.StarCalcDocument.6\" ShapeID=\"_x0000_i1025\" DrawAspect=\"Content\" "
                 "r:id=\"rId5\" UpdateMode=\"Always\"/></w:object></w:r></w:p></w:body></w:document>"},
            {QStringLiteral("word/_rels/document.xml.rels"), rels({rel("rId5", "oleObject", target, true)})},
        };
    }
    parts.prepend({QStringLiteral("[Content_Types].xml"), contentTypes + "</Types>"});
    WritePackage(path, parts);
}

}  // namespace

void MakeFileWithLinkedObject(const QString& path, const QString& href)
{
    if (path.endsWith(QLatin1Char('x'))) {
        makeOfficeOpenXmlWithLinkedObject(path, href.toUtf8().toPercentEncoding(":/"));
        return;
    }
    const bool spreadsheet = isSpreadsheet(path);
    const QByteArray mediaType = spreadsheet ? "application/vnd.oasis.opendocument.spreadsheet"
                                             : "application/vnd.oasis.opendocument.text";
    const QByteArray frame = "<draw:frame draw:name=\"linked\" text:anchor-type=\"as-char\" svg:x=\"1cm\" svg:y=\"1cm\" "
                             "svg:width=\"4cm\" svg:height=\"2cm\"><draw:object xlink:href=\""
                             + href.toUtf8().toPercentEncoding(":/") + "\" xlink:type=\"simple\" xlink:show=\"embed\" "
                             "xlink:actuate=\"onLoad\"/></draw:frame>";
    const QByteArray body = spreadsheet
        ? "<office:spreadsheet><table:table table:name=\"Sheet1\"><table:shapes>" + frame
              + "</table:shapes><table:table-row><table:table-cell office:value-type=\"string\"><text:p>アルファ</text:p>"
                "</table:table-cell></table:table-row></table:table></office:spreadsheet>"
        : "<office:text><text:p>アルファ本文" + frame + "</text:p></office:text>";
    WritePackage(path, {
        {QStringLiteral("mimetype"), mediaType},
        {QStringLiteral("content.xml"),
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-content "
         "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
         "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
         "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
         "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\" "
         "xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\" "
         "xmlns:xlink=\"http://www.w3.org/1999/xlink\" office:version=\"1.3\"><office:body>"
             + body + "</office:body></office:document-content>\n"},
        {QStringLiteral("META-INF/manifest.xml"),
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<manifest:manifest "
         "xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" manifest:version=\"1.3\">"
         "<manifest:file-entry manifest:full-path=\"/\" manifest:media-type=\"" + mediaType + "\"/>"
         "<manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\"/>"
         "</manifest:manifest>\n"},
    });
}

void WritePackage(const QString& path, const QList<std::pair<QString, QByteArray>>& parts, const QStringList& zipOptions)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const auto& [name, bytes] : parts)
        writePart(folder.path(), name, bytes);
    zipFolder(folder.path(), path, zipOptions);
}

void MakeFileWithDdeLink(OfficeApplication& office, const QString& path, const QString& source, const QString& shown)
{
    const QByteArray topic = source.toHtmlEscaped().toUtf8();
    const QByteArray value = shown.toHtmlEscaped().toUtf8();
    if (isSpreadsheet(path)) {
        const QByteArray cell = "<table:table-cell table:formula=\"of:=DDE(&quot;soffice&quot;;&quot;" + topic
                                + "&quot;;&quot;Sheet1.A1&quot;)\" office:value-type=\"string\" office:string-value=\""
                                + value + "\"><text:p>" + value + "</text:p></table:table-cell>";
        // The values a workbook keeps of its DDE links, shown until the link is updated.
        const QByteArray links =
            "<table:dde-links><table:dde-link><office:dde-source office:name=\"source\" office:dde-application=\"soffice\" "
            "office:dde-topic=\"" + topic + "\" office:dde-item=\"Sheet1.A1\" office:conversion-mode=\"into-default-style-data-style\"/>"
            "<table:table table:name=\"source\"><table:table-column/><table:table-row><table:table-cell "
            "office:value-type=\"string\" office:string-value=\"" + value + "\"/></table:table-row></table:table>"
            "</table:dde-link></table:dde-links>";
        storeFlat(office, path, flatFile(true, QByteArray(), cell, links));
        return;
    }
    const QByteArray declaration =
        "<text:dde-connection-decls><text:dde-connection-decl office:name=\"source\" office:dde-application=\"soffice\" "
        "office:dde-topic=\"" + topic + "\" office:dde-item=\"Sheet1.A1\" office:automatic-update=\"true\"/>"
        "</text:dde-connection-decls>";
    storeFlat(office, path,
              flatFile(false, "<text:dde-connection text:connection-name=\"source\">" + value + "</text:dde-connection>",
                       QByteArray(), declaration));
}

namespace {

// Appends a paragraph of a paragraph style holding `before`, then `named` wrapped in a bookmark
// or reference mark of that name (created from `service`), then `after`.
void appendMarked(const uno::Reference<lang::XComponent>& component, const QString& before, const char* service,
                  const QString& name, const QString& named, const QString& after)
{
    const auto text = uno::Reference<text::XTextDocument>(component, uno::UNO_QUERY_THROW)->getText();
    auto cursor = text->createTextCursorByRange(text->getEnd());
    text->insertControlCharacter(cursor.get(), text::ControlCharacter::PARAGRAPH_BREAK, false);
    setProperty(cursor, "ParaStyleName", uno::Any(rtl::OUString("Standard")));
    text->insertString(cursor.get(), lo::ToOU(before), false);
    text->insertString(cursor.get(), lo::ToOU(named), false);
    const auto start = text->createTextCursorByRange(cursor->getEnd());
    start->goLeft(sal_Int16(named.size()), true);
    const auto mark = make(component, service);
    uno::Reference<container::XNamed>(mark, uno::UNO_QUERY_THROW)->setName(lo::ToOU(name));
    text->insertTextContent(start.get(), uno::Reference<text::XTextContent>(mark, uno::UNO_QUERY_THROW), true);
    cursor->gotoEnd(false);
    text->insertString(cursor.get(), lo::ToOU(after), false);
}

// Turns the header of the default page style on and makes it `before`, then `named` wrapped in a
// bookmark of that name, then `after`.
void markInHeader(const uno::Reference<lang::XComponent>& component, const QString& before, const char* name,
                  const QString& named, const QString& after)
{
    const uno::Reference<container::XNameAccess> pageStyles(
        uno::Reference<style::XStyleFamiliesSupplier>(component, uno::UNO_QUERY_THROW)
            ->getStyleFamilies()->getByName(rtl::OUString("PageStyles")),
        uno::UNO_QUERY_THROW);
    const uno::Reference<beans::XPropertySet> page(pageStyles->getByName(rtl::OUString("Standard")), uno::UNO_QUERY_THROW);
    page->setPropertyValue(rtl::OUString("HeaderIsOn"), uno::Any(true));
    const uno::Reference<text::XText> header(page->getPropertyValue(rtl::OUString("HeaderText")), uno::UNO_QUERY_THROW);
    header->setString(lo::ToOU(before + named));
    const auto cursor = header->createTextCursorByRange(header->getEnd());
    cursor->goLeft(sal_Int16(named.size()), true);
    const auto mark = make(component, "com.sun.star.text.Bookmark");
    uno::Reference<container::XNamed>(mark, uno::UNO_QUERY_THROW)->setName(rtl::OUString::createFromAscii(name));
    header->insertTextContent(cursor.get(), uno::Reference<text::XTextContent>(mark, uno::UNO_QUERY_THROW), true);
    cursor->gotoEnd(false);
    header->insertString(cursor.get(), lo::ToOU(after), false);
}

// Appends a heading that shows the text of a bookmark or reference mark, after `before`.
void appendReferenceHeading(const uno::Reference<lang::XComponent>& component, sal_Int16 source, const QString& name,
                            const QString& before = QString())
{
    const auto text = uno::Reference<text::XTextDocument>(component, uno::UNO_QUERY_THROW)->getText();
    auto cursor = text->createTextCursorByRange(text->getEnd());
    text->insertControlCharacter(cursor.get(), text::ControlCharacter::PARAGRAPH_BREAK, false);
    setProperty(cursor, "ParaStyleName", uno::Any(rtl::OUString("Heading 1")));
    text->insertString(cursor.get(), lo::ToOU(before), false);
    const auto field = make(component, "com.sun.star.text.TextField.GetReference");
    setProperty(field, "ReferenceFieldSource", uno::Any(source));
    setProperty(field, "ReferenceFieldPart", uno::Any(sal_Int16(2)));  // the text referred to
    setProperty(field, "SourceName", uno::Any(lo::ToOU(name)));
    text->insertTextContent(cursor.get(), uno::Reference<text::XTextContent>(field, uno::UNO_QUERY_THROW), false);
}

void writeReferences(const uno::Reference<lang::XComponent>& component)
{
    const auto text = uno::Reference<text::XTextDocument>(component, uno::UNO_QUERY_THROW)->getText();
    const auto index = make(component, "com.sun.star.text.ContentIndex");
    setProperty(index, "CreateFromOutline", uno::Any(true));
    text->insertTextContent(text->getStart(), uno::Reference<text::XTextContent>(index, uno::UNO_QUERY_THROW), false);
    appendReferenceHeading(component, 2, QStringLiteral("target"));  // a bookmark
    appendMarked(component, QStringLiteral("アルファの "), "com.sun.star.text.Bookmark", QStringLiteral("target"),
                 QStringLiteral("draw.Page"), QStringLiteral(" を見る"));
    appendReferenceHeading(component, 0, QStringLiteral("mark"));  // a reference mark
    appendMarked(component, QString(), "com.sun.star.text.ReferenceMark", QStringLiteral("mark"),
                 QStringLiteral("アルファ章"), QStringLiteral(" の説明"));
    uno::Reference<util::XRefreshable>(component, uno::UNO_QUERY_THROW)->refresh();
    uno::Reference<util::XRefreshable>(
        uno::Reference<text::XTextFieldsSupplier>(component, uno::UNO_QUERY_THROW)->getTextFields(), uno::UNO_QUERY_THROW)
        ->refresh();
    uno::Reference<util::XRefreshable>(index, uno::UNO_QUERY_THROW)->refresh();
}

}  // namespace

void MakeWorkbookWithFormula(OfficeApplication& office, const QString& path, const QString& formula)
{
    Retried(office, [&] {
        auto document = office.Create(OfficeApplication::Kind::Spreadsheet);
        lo::Guarded(office, QStringLiteral("数式を入れられません"), [&] {
            firstSheetCell(lo::ComponentOf(*document), 0, 0)->setFormula(lo::ToOU(formula));
        });
        document->StoreTo(path, FilterOf(QFileInfo(path).suffix()));
    });
}

void MakeDocumentWithMarks(OfficeApplication& office, const QString& path)
{
    Retried(office, [&] {
        auto document = office.Create(OfficeApplication::Kind::Text);
        lo::Guarded(office, QStringLiteral("ブックマークを作れません"), [&] {
            const auto component = lo::ComponentOf(*document);
            struct Mark {
                QString before;
                const char* service;
                const char* name;
                QString named;
                QString after;
            };
            const char* bookmark = "com.sun.star.text.Bookmark";
            const QList<Mark> marks = {
                {QStringLiteral("アルファの "), bookmark, "end", QStringLiteral("draw.Page"), QStringLiteral(" を見る")},
                {QString(), bookmark, "start", QStringLiteral("Page.draw"), QStringLiteral(" の前")},
                {QStringLiteral("第一 "), bookmark, "jp", QStringLiteral("アルファ章"), QStringLiteral(" の説明")},
                {QStringLiteral("x"), bookmark, "whole", QStringLiteral("Page"), QStringLiteral("y")},
                {QStringLiteral("第二 "), bookmark, "word", QStringLiteral("アルファ"), QStringLiteral(" 節")},
                {QStringLiteral("要約 "), "com.sun.star.text.ReferenceMark", "mark", QStringLiteral("drawPage"), QString()},
            };
            for (const Mark& m : marks) {
                appendMarked(component, m.before, m.service, QString::fromLatin1(m.name), m.named, m.after);
                appendReferenceHeading(component, std::strcmp(m.service, bookmark) == 0 ? 2 : 0,
                                       QString::fromLatin1(m.name), QStringLiteral("アルファ: "));
            }
            markInHeader(component, QStringLiteral("ヘッダ "), "head", QStringLiteral("draw.Page"), QStringLiteral(" 終"));
            uno::Reference<util::XRefreshable>(
                uno::Reference<text::XTextFieldsSupplier>(component, uno::UNO_QUERY_THROW)->getTextFields(),
                uno::UNO_QUERY_THROW)
                ->refresh();
        });
        document->StoreTo(path, FilterOf(QFileInfo(path).suffix()));
    });
}

QMap<QString, QString> MarkedTexts(OfficeApplication& office, const QString& path)
{
    return Retried(office, [&] {
        auto document = office.Open(path);
        return lo::Guarded(office, QStringLiteral("ブックマークを読めません"), [&] {
            const auto component = lo::ComponentOf(*document);
            QMap<QString, QString> result;
            const uno::Reference<container::XNameAccess> lists[] = {
                uno::Reference<text::XBookmarksSupplier>(component, uno::UNO_QUERY_THROW)->getBookmarks(),
                uno::Reference<text::XReferenceMarksSupplier>(component, uno::UNO_QUERY_THROW)->getReferenceMarks(),
            };
            for (const auto& list : lists) {
                for (const rtl::OUString& name : list->getElementNames()) {
                    uno::Reference<text::XTextContent> mark(list->getByName(name), uno::UNO_QUERY_THROW);
                    result[lo::ToQ(name)] += lo::ToQ(mark->getAnchor()->getString());
                }
            }
            return result;
        });
    });
}

void MakeDocumentWithContents(OfficeApplication& office, const QString& path)
{
    Retried(office, [&] {
        auto document = office.Create(OfficeApplication::Kind::Text);
        lo::Guarded(office, QStringLiteral("目次を作れません"), [&] {
            const auto component = lo::ComponentOf(*document);
            const auto text = uno::Reference<text::XTextDocument>(component, uno::UNO_QUERY_THROW)->getText();
            const auto appendHeading = [&](const QString& heading) {
                auto cursor = text->createTextCursorByRange(text->getEnd());
                text->insertControlCharacter(cursor.get(), text::ControlCharacter::PARAGRAPH_BREAK, false);
                setProperty(cursor, "ParaStyleName", uno::Any(rtl::OUString("Heading 1")));
                text->insertString(cursor.get(), lo::ToOU(heading), false);
                text->insertControlCharacter(cursor.get(), text::ControlCharacter::PARAGRAPH_BREAK, false);
                setProperty(cursor, "ParaStyleName", uno::Any(rtl::OUString("Standard")));
                text->insertString(cursor.get(), lo::ToOU(QStringLiteral("本文 アルファ")), false);
            };
            for (const QString heading : {"アルファ章", "draw.Page 説明", "第三章"})
                appendHeading(heading);
            const auto index = make(component, "com.sun.star.text.ContentIndex");
            setProperty(index, "CreateFromOutline", uno::Any(true));
            text->insertTextContent(text->getStart(), uno::Reference<text::XTextContent>(index, uno::UNO_QUERY_THROW), false);
            uno::Reference<util::XRefreshable>(index, uno::UNO_QUERY_THROW)->refresh();
            appendHeading(QStringLiteral("追加章"));
        });
        document->StoreTo(path, FilterOf(QFileInfo(path).suffix()));
    });
}

void MakeDocumentWithReferences(OfficeApplication& office, const QString& path)
{
    Retried(office, [&] {
        auto document = office.Create(OfficeApplication::Kind::Text);
        lo::Guarded(office, QStringLiteral("参照を作れません"), [&] { writeReferences(lo::ComponentOf(*document)); });
        document->StoreTo(path, FilterOf(QFileInfo(path).suffix()));
    });
}

QString ShownText(OfficeApplication& office, const QString& path)
{
    return Retried(office, [&] {
        auto document = office.Open(path);
        return isSpreadsheet(path) ? OfficeWorkbook(*document).CellText(0, 1, 0)
                                   : OfficeTextDocument(*document).BodyText();
    });
}

namespace {

// The profile folder the running process was started with.
QString profileOf(pid_t pid)
{
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!cmdline.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray option = "-env:UserInstallation=";
    for (const QByteArray& argument : cmdline.readAll().split('\0')) {
        if (argument.startsWith(option))
            return QUrl::fromEncoded(argument.mid(option.size())).toLocalFile();
    }
    return QString();
}

}  // namespace

void AllowEverything(OfficeApplication& office)
{
    office.Start();
    const QString profile = profileOf(office.ProcessId());
    office.Quit();
    ASSERT_FALSE(profile.isEmpty());
    QFile file(profile + QLatin1String("/user/registrymodifications.xcu"));
    QByteArray xcu = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    file.close();
    if (!xcu.contains("</oor:items>")) {
        xcu = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
              "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
              "</oor:items>\n";
    }
    // Macro security level low (every document's macros trusted); links of workbooks updated
    // always, of documents automatically.
    const QByteArray items =
        "<item oor:path=\"/org.openoffice.Office.Common/Security/Scripting\"><prop oor:name=\"MacroSecurityLevel\" "
        "oor:op=\"fuse\"><value>0</value></prop></item>\n"
        "<item oor:path=\"/org.openoffice.Office.Calc/Content/Update\"><prop oor:name=\"Link\" "
        "oor:op=\"fuse\"><value>0</value></prop></item>\n"
        "<item oor:path=\"/org.openoffice.Office.Writer/Content/Update\"><prop oor:name=\"Link\" "
        "oor:op=\"fuse\"><value>2</value></prop></item>\n";
    xcu.insert(xcu.lastIndexOf("</oor:items>"), items);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(xcu);
}

bool FileAppears(const QString& path, int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(path) && clock.elapsed() < milliseconds)
        QThread::msleep(50);
    return QFile::exists(path);
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
