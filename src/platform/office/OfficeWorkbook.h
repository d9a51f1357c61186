#pragma once
// The spreadsheet operations of a workbook opened by the office application: its sheets, the
// cells of a sheet, the six header and footer texts of its page setup, and its name. Failures
// raise OfficeError (a sheet name LibreOffice refuses is a failure of the file).
#include "platform/office/OfficeDocument.h"
#include "platform/office/OfficeWorksheet.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace tralex {

class OfficeWorkbook {
public:
    // The document must be a spreadsheet.
    explicit OfficeWorkbook(OfficeDocument& document);
    ~OfficeWorkbook();

    int SheetCount();
    // Sheets are counted from 0, in their order in the workbook.
    QString SheetName(int sheet);
    void SetSheetName(int sheet, const QString& name);
    // A sheet, for working on its cells.
    OfficeWorksheet Sheet(int sheet) { return OfficeWorksheet(mDocument, sheet); }

    // Replaces every occurrence of each pair's find text in the sheet's cells, pair after pair (a
    // match may be part of a cell; formula texts included). Returns the number of replacements.
    qint64 ReplaceInCells(int sheet, const TextPairs& pairs, bool matchCase);
    // A rectangle of cells, from 0.
    struct Area {
        int firstColumn = 0, firstRow = 0, lastColumn = -1, lastRow = -1;
    };
    // The cells of the sheet that hold something (none: an empty area).
    Area UsedArea(int sheet);
    // The contents of an area's cells row by row: a formula as written, anything else as typed.
    QStringList CellTexts(int sheet, const Area& area);
    // The header and footer texts of the sheet's page style: the left, center and right part of
    // each header and footer it uses, in a fixed order.
    QStringList PageTexts(int sheet);

    // Whether a cell of the sheet holds more than `limit` characters (its text or formula).
    bool HasCellLongerThan(int sheet, int limit);
    // Whether a formula of the sheet is longer than `limit` characters (without its "=").
    bool HasFormulaLongerThan(int sheet, int limit);

    // Gives each header and footer text (left, center and right part of the header, then of the
    // footer; also those of left pages where they differ) of every page style that a sheet uses
    // to transform, piece by piece (fields kept), and writes back what changed. A style shared by
    // several sheets is edited once. Returns whether anything changed.
    bool EditPageTexts(const std::function<QString(const QString&)>& transform);

    // For making workbooks: cell text, a new sheet at the end, and a page text (0 to 5: left,
    // center, right header, then left, center, right footer) of a sheet's page style, optionally
    // followed by a page-number field.
    void SetCellText(int sheet, int column, int row, const QString& text);
    QString CellText(int sheet, int column, int row);
    void AppendSheet(const QString& name);
    void SetPageText(int sheet, int part, const QString& text, bool withPageNumber = false);
    QString PageText(int sheet, int part);

private:
    // The workbook's sheets, looked up once: each call into LibreOffice is a round trip.
    struct Sheets;
    Sheets& sheets();
    OfficeDocument& mDocument;
    std::unique_ptr<Sheets> mSheets;
};

}  // namespace tralex
