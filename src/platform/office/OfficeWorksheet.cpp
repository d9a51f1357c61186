#include "platform/office/OfficeWorksheet.h"

#include "platform/office/OfficeUno.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/sheet/AddressConvention.hpp>
#include <com/sun/star/sheet/FormulaLanguage.hpp>
#include <com/sun/star/sheet/FormulaMapGroup.hpp>
#include <com/sun/star/sheet/FormulaResult.hpp>
#include <com/sun/star/sheet/XFormulaOpCodeMapper.hpp>
#include <com/sun/star/sheet/XCellAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeMovement.hpp>
#include <com/sun/star/sheet/XFormulaParser.hpp>
#include <com/sun/star/sheet/XFormulaTokens.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/util/Date.hpp>
#include <com/sun/star/util/NumberFormat.hpp>
#include <com/sun/star/util/XNumberFormats.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>

#include <QDateTime>
#include <QList>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace tralex {

using namespace com::sun::star;
using lo::ToOU;
using lo::ToQ;

struct OfficeWorksheet::Impl {
    uno::Reference<sheet::XSpreadsheet> sheet;
    // Formula parsers for A1 and R1C1 references, made on first use.
    uno::Reference<sheet::XFormulaParser> parsers[2];
};

namespace {

const QString ReasonCell = QStringLiteral("セルを処理できません");

uno::Reference<table::XCell> firstCellOf(const uno::Reference<sheet::XSpreadsheet>& sheet,
                                         const QString& reference)
{
    return sheet->getCellRangeByName(ToOU(reference))->getCellByPosition(0, 0);
}

// A date and time value as text in the Japanese short forms: the date part when there is one,
// the time part when there is one, and a time for midnight alone.
QString dateTimeText(double value, const util::Date& nullDate)
{
    const QDateTime base(QDate(nullDate.Year, nullDate.Month, nullDate.Day), QTime(0, 0));
    const QDateTime moment = base.addMSecs(qRound64(value * 86400000.0));
    const bool hasDate = std::floor(value) != 0;
    const bool hasTime = moment.time() != QTime(0, 0) || !hasDate;
    QStringList parts;
    if (hasDate)
        parts << moment.toString(QStringLiteral("yyyy/MM/dd"));
    if (hasTime)
        parts << moment.toString(QStringLiteral("H:mm:ss"));
    return parts.join(QLatin1Char(' '));
}

// A number as a cell's value turns into text: a date or time in its short form, a logical value
// as True or False, any other number in its shortest exact form.
QString numberText(const OfficeDocument& document, const uno::Reference<table::XCell>& cell)
{
    const double value = cell->getValue();
    sal_Int32 key = 0;
    uno::Reference<beans::XPropertySet>(cell, uno::UNO_QUERY_THROW)->getPropertyValue(rtl::OUString("NumberFormat")) >>= key;
    uno::Reference<util::XNumberFormatsSupplier> supplier(lo::ComponentOf(document), uno::UNO_QUERY_THROW);
    sal_Int16 type = 0;
    supplier->getNumberFormats()->getByKey(key)->getPropertyValue(rtl::OUString("Type")) >>= type;
    if (type & util::NumberFormat::LOGICAL)
        return value != 0 ? QStringLiteral("True") : QStringLiteral("False");
    if (type & (util::NumberFormat::DATE | util::NumberFormat::TIME)) {
        util::Date nullDate(30, 12, 1899);
        supplier->getNumberFormatSettings()->getPropertyValue(rtl::OUString("NullDate")) >>= nullDate;
        return dateTimeText(value, nullDate);
    }
    return QString::number(value, 'g', 15);
}

QString shownText(const uno::Reference<table::XCell>& cell)
{
    return ToQ(uno::Reference<text::XText>(cell, uno::UNO_QUERY_THROW)->getString());
}

// Row heights of a block: a height kept as set, or none where the row fits its contents.
struct RowHeight {
    bool optimal = true;
    sal_Int32 height = 0;
};

uno::Reference<beans::XPropertySet> rowAt(const uno::Reference<sheet::XSpreadsheet>& sheet, int row)
{
    const auto rows = uno::Reference<table::XColumnRowRange>(sheet, uno::UNO_QUERY_THROW)->getRows();
    return uno::Reference<beans::XPropertySet>(rows->getByIndex(row - 1), uno::UNO_QUERY_THROW);
}

// A parser for formulas as Excel writes them: English function names, "," between arguments,
// and A1 or R1C1 references.
uno::Reference<sheet::XFormulaParser> excelFormulaParser(const OfficeDocument& document, bool r1c1)
{
    uno::Reference<lang::XMultiServiceFactory> factory(lo::ComponentOf(document), uno::UNO_QUERY_THROW);
    uno::Reference<sheet::XFormulaOpCodeMapper> mapper(
        factory->createInstance(rtl::OUString("com.sun.star.sheet.FormulaOpCodeMapper")), uno::UNO_QUERY_THROW);
    uno::Reference<sheet::XFormulaParser> parser(
        factory->createInstance(rtl::OUString("com.sun.star.sheet.FormulaParser")), uno::UNO_QUERY_THROW);
    uno::Reference<beans::XPropertySet> options(parser, uno::UNO_QUERY_THROW);
    options->setPropertyValue(rtl::OUString("CompileEnglish"), uno::Any(true));
    options->setPropertyValue(rtl::OUString("OpCodeMap"),
                              uno::Any(mapper->getAvailableMappings(sheet::FormulaLanguage::XL_ENGLISH,
                                                                    sheet::FormulaMapGroup::ALL_EXCEPT_SPECIAL)));
    options->setPropertyValue(rtl::OUString("FormulaConvention"),
                              uno::Any(r1c1 ? sheet::AddressConvention::XL_R1C1 : sheet::AddressConvention::XL_A1));
    return parser;
}

// Enters a text as typed; a formula is read as Excel writes it, with A1 or R1C1 references.
void enter(OfficeWorksheet::Impl& sheet, const OfficeDocument& document,
           const uno::Reference<table::XCell>& cell, const QString& text, bool r1c1)
{
    if (!text.startsWith(QLatin1Char('='))) {
        // Read as typed input in the user's conventions: a number becomes a number, and a date,
        // time or percentage also gets the number format it was written in.
        uno::Reference<beans::XPropertySet>(cell, uno::UNO_QUERY_THROW)
            ->setPropertyValue(rtl::OUString("FormulaLocal"), uno::Any(ToOU(text)));
        return;
    }
    uno::Reference<sheet::XFormulaParser>& parser = sheet.parsers[r1c1 ? 1 : 0];
    if (!parser.is())
        parser = excelFormulaParser(document, r1c1);
    const table::CellAddress position =
        uno::Reference<sheet::XCellAddressable>(cell, uno::UNO_QUERY_THROW)->getCellAddress();
    uno::Reference<sheet::XFormulaTokens>(cell, uno::UNO_QUERY_THROW)
        ->setTokens(parser->parseFormula(ToOU(text.mid(1)), position));
}

}  // namespace

OfficeWorksheet::OfficeWorksheet(OfficeDocument& document, int sheet)
    : mDocument(document), d(std::make_unique<Impl>())
{
    lo::Guarded(mDocument.Application(), ReasonCell, [&] {
        uno::Reference<sheet::XSpreadsheetDocument> book(lo::ComponentOf(mDocument), uno::UNO_QUERY_THROW);
        uno::Reference<container::XIndexAccess> sheets(book->getSheets(), uno::UNO_QUERY_THROW);
        d->sheet.set(sheets->getByIndex(sheet), uno::UNO_QUERY_THROW);
    });
}

OfficeWorksheet::~OfficeWorksheet() = default;
OfficeWorksheet::OfficeWorksheet(OfficeWorksheet&&) noexcept = default;

QString OfficeWorksheet::Name()
{
    return lo::Guarded(mDocument.Application(), ReasonCell, [&] {
        return ToQ(uno::Reference<container::XNamed>(d->sheet, uno::UNO_QUERY_THROW)->getName());
    });
}

QString OfficeWorksheet::Value(const QString& reference)
{
    return lo::Guarded(mDocument.Application(), ReasonCell, [&] {
        const auto cell = firstCellOf(d->sheet, reference);
        switch (cell->getType()) {
        case table::CellContentType_EMPTY: return QString();
        case table::CellContentType_VALUE: return numberText(mDocument, cell);
        case table::CellContentType_FORMULA: {
            sal_Int32 result = 0;
            uno::Reference<beans::XPropertySet>(cell, uno::UNO_QUERY_THROW)
                ->getPropertyValue(rtl::OUString("FormulaResultType2")) >>= result;
            return result == sheet::FormulaResult::VALUE ? numberText(mDocument, cell) : shownText(cell);
        }
        default: return shownText(cell);
        }
    });
}

void OfficeWorksheet::SetValue(int row, int column, const QString& text)
{
    lo::Guarded(mDocument.Application(), ReasonCell, [&] {
        enter(*d, mDocument, d->sheet->getCellByPosition(column - 1, row - 1), text, false);
    });
}

void OfficeWorksheet::SetFormulaR1C1(const QString& reference, const QString& text)
{
    lo::Guarded(mDocument.Application(), ReasonCell, [&] { enter(*d, mDocument, firstCellOf(d->sheet, reference), text, true); });
}

void OfficeWorksheet::CopyRows(int first, int last, int targetFirst, int targetLast)
{
    lo::Guarded(mDocument.Application(), ReasonCell, [&] {
        const table::CellRangeAddress whole =
            uno::Reference<sheet::XCellRangeAddressable>(d->sheet, uno::UNO_QUERY_THROW)->getRangeAddress();
        QList<RowHeight> heights;
        for (int row = first; row <= last; ++row) {
            const auto properties = rowAt(d->sheet, row);
            RowHeight height;
            properties->getPropertyValue(rtl::OUString("OptimalHeight")) >>= height.optimal;
            properties->getPropertyValue(rtl::OUString("Height")) >>= height.height;
            heights.append(height);
        }
        uno::Reference<sheet::XCellRangeMovement> movement(d->sheet, uno::UNO_QUERY_THROW);
        const int block = last - first + 1;
        for (int row = targetFirst; row <= targetLast; row += block) {
            const int rows = std::min(block, targetLast - row + 1);
            const table::CellRangeAddress source(whole.Sheet, 0, first - 1, whole.EndColumn, first - 1 + rows - 1);
            movement->copyRange(table::CellAddress(whole.Sheet, 0, row - 1), source);
            for (int i = 0; i < rows; ++i) {
                const auto target = rowAt(d->sheet, row + i);
                if (heights.at(i).optimal)
                    target->setPropertyValue(rtl::OUString("OptimalHeight"), uno::Any(true));
                else
                    target->setPropertyValue(rtl::OUString("Height"), uno::Any(heights.at(i).height));
            }
        }
    });
}

void OfficeWorksheet::SetHyperlink(int row, int column, const QString& address)
{
    lo::Guarded(mDocument.Application(), ReasonCell, [&] {
        uno::Reference<text::XText> cell(d->sheet->getCellByPosition(column - 1, row - 1), uno::UNO_QUERY_THROW);
        const rtl::OUString shown = cell->getString();
        uno::Reference<lang::XMultiServiceFactory> factory(lo::ComponentOf(mDocument), uno::UNO_QUERY_THROW);
        uno::Reference<beans::XPropertySet> field(
            factory->createInstance(rtl::OUString("com.sun.star.text.TextField.URL")), uno::UNO_QUERY_THROW);
        field->setPropertyValue(rtl::OUString("URL"), uno::Any(ToOU(address)));
        field->setPropertyValue(rtl::OUString("Representation"),
                                uno::Any(shown.isEmpty() ? ToOU(address) : shown));
        cell->setString(rtl::OUString());
        cell->insertTextContent(cell->createTextCursor().get(),
                                uno::Reference<text::XTextContent>(field, uno::UNO_QUERY_THROW), false);
    });
}

}  // namespace tralex
