#include "engines/office/clsExcelControl.h"

#include "platform/office/OfficeWorkbook.h"

namespace tralex {

namespace {

// The filters LibreOffice reports for each type, which are also the ones it stores with.
QStringList filtersFor(const QString& type)
{
    if (type == QLatin1String("xls"))
        return {QStringLiteral("MS Excel 97")};
    if (type == QLatin1String("xlsx"))
        return {QStringLiteral("Calc MS Excel 2007 XML"), QStringLiteral("Calc Office Open XML")};
    if (type == QLatin1String("ods"))
        return {QStringLiteral("calc8")};
    return {};
}

}  // namespace

bool clsExcelControl::acceptsType(const QString& type) const
{
    return !filtersFor(type).isEmpty();
}

OfficeEngine::FormatCheck clsExcelControl::checkFormat(const QString& type, const QString& filter) const
{
    // Excel 95 and older files open but cannot be stored in their own format.
    return checkFilter(filter, filtersFor(type), {QStringLiteral("MS Excel 95"), QStringLiteral("MS Excel 5.0/95"), QStringLiteral("MS Excel 4.0")});
}

void clsExcelControl::applyPairs(OfficeDocument& document)
{
    OfficeWorkbook book(document);
    const int sheets = book.SheetCount();
    const bool matchCase = !mUcaseOption;
    for (int sheet = 0; sheet < sheets; ++sheet)
        book.ReplaceInCells(sheet, pairs(), matchCase);
    book.EditPageTexts([this](const QString& text) { return applyAllPairs(text); });
    for (int sheet = 0; sheet < sheets; ++sheet) {
        const QString name = book.SheetName(sheet);
        const QString renamed = applyAllPairs(name);
        if (renamed != name)
            book.SetSheetName(sheet, renamed);
    }
}

}  // namespace tralex
