#include "platform/office/OfficeWorkbook.h"

#include "platform/office/OfficeTextPieces.h"
#include "platform/office/OfficeUno.h"

#include <com/sun/star/beans/XMultiPropertySet.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XCellRangeFormula.hpp>
#include <com/sun/star/sheet/XHeaderFooterContent.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XUsedAreaCursor.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/util/XReplaceable.hpp>
#include <com/sun/star/util/XSearchable.hpp>

#include <vector>

#include <QSet>

namespace tralex {

using namespace com::sun::star;
using lo::ToOU;
using lo::ToQ;

namespace {

const QString ReasonSheet = QStringLiteral("シートを処理できません");
// A repetition count the search's regular expressions take in one step.
constexpr int RegexRepeat = 256;
const QString ReasonSheetName = QStringLiteral("シート名を変更できません");

// The page style properties that hold header and footer texts, with the flag that tells whether
// left pages share the right pages' texts (then the left one is not looked at).
struct ContentProperty {
    const char* content;
    const char* sharedFlag;  // nullptr: always used
};
const ContentProperty PageContents[] = {
    {"RightPageHeaderContent", nullptr},
    {"LeftPageHeaderContent", "HeaderIsShared"},
    {"RightPageFooterContent", nullptr},
    {"LeftPageFooterContent", "FooterIsShared"},
};

uno::Reference<text::XText> partText(const uno::Reference<sheet::XHeaderFooterContent>& content,
                                     int part)
{
    switch (part % 3) {
    case 0: return content->getLeftText();
    case 1: return content->getCenterText();
    default: return content->getRightText();
    }
}

}  // namespace

namespace {

uno::Reference<sheet::XSpreadsheetDocument> spreadsheets(const OfficeDocument& document)
{
    return uno::Reference<sheet::XSpreadsheetDocument>(lo::ComponentOf(document), uno::UNO_QUERY_THROW);
}

uno::Reference<sheet::XSpreadsheet> sheetAt(const uno::Reference<container::XIndexAccess>& sheets, int sheet)
{
    return uno::Reference<sheet::XSpreadsheet>(sheets->getByIndex(sheet), uno::UNO_QUERY_THROW);
}

uno::Reference<beans::XPropertySet> pageStyle(const OfficeDocument& document, const rtl::OUString& name)
{
    return uno::Reference<beans::XPropertySet>(lo::PageStyles(document)->getByName(name), uno::UNO_QUERY_THROW);
}

rtl::OUString pageStyleName(const uno::Reference<sheet::XSpreadsheet>& sheet)
{
    rtl::OUString name;
    uno::Reference<beans::XPropertySet>(sheet, uno::UNO_QUERY_THROW)
        ->getPropertyValue(rtl::OUString("PageStyle")) >>= name;
    return name;
}

// A header or footer of a page style, with the property that holds it.
struct PageContent {
    rtl::OUString property;
    uno::Reference<sheet::XHeaderFooterContent> content;
};

// The headers and footers a page style uses, read in one call: those of right pages, and those
// of left pages where they differ.
std::vector<PageContent> usedContents(const uno::Reference<beans::XPropertySet>& style)
{
    std::vector<rtl::OUString> names;
    for (const ContentProperty& property : PageContents) {
        names.push_back(rtl::OUString::createFromAscii(property.content));
        if (property.sharedFlag)
            names.push_back(rtl::OUString::createFromAscii(property.sharedFlag));
    }
    const uno::Sequence<uno::Any> values = uno::Reference<beans::XMultiPropertySet>(style, uno::UNO_QUERY_THROW)
                                               ->getPropertyValues({names.data(), sal_Int32(names.size())});
    std::vector<PageContent> result;
    sal_Int32 next = 0;
    for (const ContentProperty& property : PageContents) {
        PageContent used{names.at(size_t(next)), {}};
        used.content.set(values[next++], uno::UNO_QUERY);
        bool shared = false;
        if (property.sharedFlag && !(values[next++] >>= shared))
            shared = true;
        if (!shared && used.content.is())
            result.push_back(used);
    }
    return result;
}

// Edits the three texts of one header or footer; writes the content back when one changed.
bool editContent(const uno::Reference<beans::XPropertySet>& style, const PageContent& used,
                 const std::function<QString(const QString&)>& transform)
{
    bool changed = false;
    for (int part = 0; part < 3; ++part)
        changed |= EditTextPieces(partText(used.content, part), transform);
    if (changed)
        style->setPropertyValue(used.property, uno::Any(used.content));
    return changed;
}

}  // namespace

struct OfficeWorkbook::Sheets {
    uno::Reference<sheet::XSpreadsheets> names;
    uno::Reference<container::XIndexAccess> list;
};

OfficeWorkbook::OfficeWorkbook(OfficeDocument& document) : mDocument(document) {}

OfficeWorkbook::~OfficeWorkbook() = default;

// Looked up within a guarded call.
OfficeWorkbook::Sheets& OfficeWorkbook::sheets()
{
    if (!mSheets) {
        auto found = std::make_unique<Sheets>();
        found->names = spreadsheets(mDocument)->getSheets();
        found->list.set(found->names, uno::UNO_QUERY_THROW);
        mSheets = std::move(found);
    }
    return *mSheets;
}

int OfficeWorkbook::SheetCount()
{
    return lo::Guarded(mDocument.Application(), ReasonSheet, [&] {
        return int(sheets().list->getCount());
    });
}

QString OfficeWorkbook::SheetName(int sheet)
{
    return lo::Guarded(mDocument.Application(), ReasonSheet, [&] {
        return ToQ(uno::Reference<container::XNamed>(sheetAt(sheets().list, sheet), uno::UNO_QUERY_THROW)->getName());
    });
}

void OfficeWorkbook::SetSheetName(int sheet, const QString& name)
{
    lo::Guarded(mDocument.Application(), ReasonSheetName, [&] {
        uno::Reference<container::XNamed> named(sheetAt(sheets().list, sheet), uno::UNO_QUERY_THROW);
        named->setName(ToOU(name));
        // A refused name may be passed over without an error: check that it took.
        if (named->getName() != ToOU(name))
            mDocument.Application().RaiseFailure(ReasonSheetName, QString());
    });
}

qint64 OfficeWorkbook::ReplaceInCells(int sheet, const TextPairs& pairs, bool matchCase)
{
    return lo::Guarded(mDocument.Application(), ReasonSheet, [&] {
        uno::Reference<util::XReplaceable> cells(sheetAt(sheets().list, sheet), uno::UNO_QUERY_THROW);
        return lo::ReplaceAllIn(cells, pairs, matchCase);
    });
}

OfficeWorkbook::Area OfficeWorkbook::UsedArea(int sheet)
{
    return lo::Guarded(mDocument.Application(), ReasonSheet, [&] {
        const auto cursor = sheetAt(sheets().list, sheet)->createCursor();
        uno::Reference<sheet::XUsedAreaCursor> used(cursor, uno::UNO_QUERY_THROW);
        used->gotoStartOfUsedArea(false);
        used->gotoEndOfUsedArea(true);
        const table::CellRangeAddress address =
            uno::Reference<sheet::XCellRangeAddressable>(cursor, uno::UNO_QUERY_THROW)->getRangeAddress();
        return Area{address.StartColumn, address.StartRow, address.EndColumn, address.EndRow};
    });
}

QStringList OfficeWorkbook::CellTexts(int sheet, const Area& area)
{
    if (area.lastColumn < area.firstColumn || area.lastRow < area.firstRow)
        return {};
    return lo::Guarded(mDocument.Application(), ReasonSheet, [&] {
        // One call for the whole area: each call into LibreOffice is a round trip.
        const auto range = sheetAt(sheets().list, sheet)->getCellRangeByPosition(
            area.firstColumn, area.firstRow, area.lastColumn, area.lastRow);
        const auto rows = uno::Reference<sheet::XCellRangeFormula>(range, uno::UNO_QUERY_THROW)->getFormulaArray();
        QStringList texts;
        for (const auto& row : rows) {
            for (const rtl::OUString& cell : row)
                texts.append(ToQ(cell));
        }
        return texts;
    });
}

QStringList OfficeWorkbook::PageTexts(int sheet)
{
    return lo::Guarded(mDocument.Application(), ReasonSheet, [&] {
        QStringList texts;
        const auto style = pageStyle(mDocument, pageStyleName(sheetAt(sheets().list, sheet)));
        for (const PageContent& used : usedContents(style)) {
            for (int part = 0; part < 3; ++part)
                texts.append(ToQ(partText(used.content, part)->getString()));
        }
        return texts;
    });
}

namespace {

// Whether a cell of `cells` holds more than `characters` (its text, or its formula as typed, "="
// included). One search of them all instead of a call for each cell: any character, line breaks
// included, characters + 1 times.
bool holdsLongerThan(const uno::Reference<util::XSearchable>& cells, int characters)
{
    const auto descriptor = cells->createSearchDescriptor();
    uno::Reference<beans::XPropertySet> options(descriptor, uno::UNO_QUERY_THROW);
    options->setPropertyValue(rtl::OUString("SearchRegularExpression"), uno::Any(true));
    descriptor->setSearchString(ToOU(QStringLiteral("(?:[\\s\\S]{%1}){%2}[\\s\\S]{%3}")
                                         .arg(RegexRepeat).arg((characters + 1) / RegexRepeat)
                                         .arg((characters + 1) % RegexRepeat)));
    return cells->findFirst(descriptor).is();
}

}  // namespace

bool OfficeWorkbook::HasCellLongerThan(int sheet, int limit)
{
    return lo::Guarded(mDocument.Application(), ReasonSheet, [&] {
        return holdsLongerThan(uno::Reference<util::XSearchable>(sheetAt(sheets().list, sheet), uno::UNO_QUERY_THROW),
                               limit);
    });
}

bool OfficeWorkbook::HasFormulaLongerThan(int sheet, int limit)
{
    return lo::Guarded(mDocument.Application(), ReasonSheet, [&] {
        const auto formulas = uno::Reference<sheet::XCellRangesQuery>(sheetAt(sheets().list, sheet), uno::UNO_QUERY_THROW)
                                  ->queryContentCells(sheet::CellFlags::FORMULA);
        if (!uno::Reference<container::XIndexAccess>(formulas, uno::UNO_QUERY_THROW)->getCount())
            return false;
        return holdsLongerThan(uno::Reference<util::XSearchable>(formulas, uno::UNO_QUERY_THROW), limit + 1);
    });
}

bool OfficeWorkbook::EditPageTexts(const std::function<QString(const QString&)>& transform)
{
    return lo::Guarded(mDocument.Application(), ReasonSheet, [&] {
        const int count = SheetCount();
        QSet<QString> done;
        bool changed = false;
        for (int i = 0; i < count; ++i) {
            const rtl::OUString name = pageStyleName(sheetAt(sheets().list, i));
            if (done.contains(ToQ(name)))
                continue;
            done.insert(ToQ(name));
            const auto style = pageStyle(mDocument, name);
            for (const PageContent& used : usedContents(style))
                changed |= editContent(style, used, transform);
        }
        return changed;
    });
}

void OfficeWorkbook::SetCellText(int sheet, int column, int row, const QString& text)
{
    lo::Guarded(mDocument.Application(), ReasonSheet, [&] {
        uno::Reference<text::XText> cell(sheetAt(sheets().list, sheet)->getCellByPosition(column, row),
                                         uno::UNO_QUERY_THROW);
        cell->setString(ToOU(text));
    });
}

QString OfficeWorkbook::CellText(int sheet, int column, int row)
{
    return lo::Guarded(mDocument.Application(), ReasonSheet, [&] {
        uno::Reference<text::XText> cell(sheetAt(sheets().list, sheet)->getCellByPosition(column, row),
                                         uno::UNO_QUERY_THROW);
        return ToQ(cell->getString());
    });
}

void OfficeWorkbook::AppendSheet(const QString& name)
{
    lo::Guarded(mDocument.Application(), ReasonSheet, [&] {
        sheets().names->insertNewByName(ToOU(name), sal_Int16(SheetCount()));
    });
}

void OfficeWorkbook::SetPageText(int sheet, int part, const QString& text, bool withPageNumber)
{
    lo::Guarded(mDocument.Application(), ReasonSheet, [&] {
        const auto style = pageStyle(mDocument, pageStyleName(sheetAt(sheets().list, sheet)));
        const rtl::OUString name = rtl::OUString::createFromAscii(PageContents[part < 3 ? 0 : 2].content);
        uno::Reference<sheet::XHeaderFooterContent> content(style->getPropertyValue(name), uno::UNO_QUERY_THROW);
        const auto target = partText(content, part);
        target->setString(ToOU(text));
        if (withPageNumber) {
            uno::Reference<lang::XMultiServiceFactory> factory(lo::ComponentOf(mDocument), uno::UNO_QUERY_THROW);
            uno::Reference<text::XTextContent> field(
                factory->createInstance(rtl::OUString("com.sun.star.text.TextField.PageNumber")),
                uno::UNO_QUERY_THROW);
            const auto cursor = target->createTextCursor();
            cursor->gotoEnd(false);
            target->insertTextContent(cursor.get(), field, false);
        }
        style->setPropertyValue(name, uno::Any(content));
    });
}

QString OfficeWorkbook::PageText(int sheet, int part)
{
    return lo::Guarded(mDocument.Application(), ReasonSheet, [&] {
        const auto style = pageStyle(mDocument, pageStyleName(sheetAt(sheets().list, sheet)));
        const rtl::OUString name = rtl::OUString::createFromAscii(PageContents[part < 3 ? 0 : 2].content);
        uno::Reference<sheet::XHeaderFooterContent> content(style->getPropertyValue(name), uno::UNO_QUERY_THROW);
        return ToQ(partText(content, part)->getString());
    });
}

}  // namespace tralex
