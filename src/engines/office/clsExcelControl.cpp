#include "engines/office/clsExcelControl.h"

#include "engines/SkipReasons.h"
#include "platform/office/OfficeWorkbook.h"

namespace tralex {

namespace {

// The most characters a cell and a sheet name may hold in Excel's formats (none in the
// OpenDocument format): LibreOffice would store longer ones cut short.
constexpr int ExcelCellLimit = 32767;
// The characters of a formula that Excel accepts (without its "="); LibreOffice stores longer
// ones, which Excel then refuses to read.
constexpr int ExcelFormulaLimit = 8192;
constexpr int ExcelSheetNameLimit = 31;
// The characters of a header or footer, its three parts together.
constexpr int ExcelPageTextLimit = 255;

const QString ReasonLinkedPicture = QStringLiteral("他のファイルにリンクした画像があります");

bool excelFormat(const QString& type)
{
    return type == QLatin1String("xls") || type == QLatin1String("xlsx");
}

// Why a sheet name cannot be stored in a format, or an empty text.
QString sheetNameRefusal(const QString& name, const QString& type)
{
    for (const QChar c : QStringLiteral(":\\/?*[]")) {
        if (name.contains(c))
            return SkipReason::SheetNameInvalid;
    }
    if (excelFormat(type) && name.size() > ExcelSheetNameLimit)
        return SkipReason::SheetNameTooLong;
    return QString();
}

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

// LibreOffice reads every picture a workbook links to while it loads the workbook, and in an Excel
// format stores a copy of it in place of the link. Only a web address in a workbook of its own
// format is safe: no request leaves the process (its profile sends them to a proxy that is not
// there), and the link is stored as it was.
QString clsExcelControl::linkRefusal(const PackageLinks& links) const
{
    const QString refusal = OfficeEngine::linkRefusal(links);
    if (!refusal.isEmpty())
        return refusal;
    for (const PackageLink& link : links.links) {
        if (link.kind == PackageLink::Kind::Picture && (!link.web || excelFormat(TargetType())))
            return ReasonLinkedPicture;
    }
    return QString();
}

QStringList clsExcelControl::changeableTexts(OfficeDocument& document, Reading reading)
{
    OfficeWorkbook book(document);
    const int sheets = book.SheetCount();
    // The cells in use are those of the file as it was read; the same cells are read afterwards.
    if (reading == Reading::Before) {
        mAreas.clear();
        mCellsBefore.clear();
        for (int sheet = 0; sheet < sheets; ++sheet)
            mAreas.append(book.UsedArea(sheet));
    }
    QStringList texts;
    for (int sheet = 0; sheet < sheets && sheet < mAreas.size(); ++sheet) {
        const QStringList cells = book.CellTexts(sheet, mAreas.at(sheet));
        if (reading == Reading::Before)
            mCellsBefore.append(cells);
        texts += QStringList{book.SheetName(sheet)} + cells + book.PageTexts(sheet);
    }
    return texts;
}

OfficeEngine::PairsApplied clsExcelControl::applyPairs(OfficeDocument& document)
{
    OfficeWorkbook book(document);
    const int sheets = book.SheetCount();
    const bool matchCase = !mUcaseOption;
    PairsApplied applied;
    for (int sheet = 0; sheet < sheets; ++sheet) {
        // LibreOffice counts the cells it changed: each occurrence counts here, as in the other
        // engines, read from the cells as they were.
        if (book.ReplaceInCells(sheet, pairs(), matchCase) == 0)
            continue;
        for (const QString& cell : mCellsBefore.value(sheet))
            applyAllPairs(cell, &applied.replacements);
        if (!excelFormat(mTargetType))
            continue;
        if (book.HasCellLongerThan(sheet, ExcelCellLimit))
            return {SkipReason::CellTooLong};
        if (book.HasFormulaLongerThan(sheet, ExcelFormulaLimit))
            return {SkipReason::FormulaTooLong};
    }
    book.EditPageTexts([this, &applied](const QString& text) {
        return applyAllPairs(text, &applied.replacements);
    });
    if (excelFormat(mTargetType)) {
        for (int sheet = 0; sheet < sheets; ++sheet) {
            const QStringList parts = book.PageTexts(sheet);
            for (qsizetype i = 0; i + 2 < parts.size(); i += 3) {
                if (parts.at(i).size() + parts.at(i + 1).size() + parts.at(i + 2).size() > ExcelPageTextLimit)
                    return {SkipReason::PageTextTooLong};
            }
        }
    }
    for (int sheet = 0; sheet < sheets; ++sheet) {
        const QString name = book.SheetName(sheet);
        const QString renamed = applyAllPairs(name, &applied.replacements);
        if (renamed == name)
            continue;
        const QString refused = sheetNameRefusal(renamed, mTargetType);
        if (!refused.isEmpty())
            return {refused};
        book.SetSheetName(sheet, renamed);
    }
    return applied;
}

}  // namespace tralex
