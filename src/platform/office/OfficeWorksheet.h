#pragma once
// One sheet of a workbook opened by the office application, for filling and reading reports:
// cell values by reference ("B3", a named cell) or by row and column, text entered as if typed,
// rows copied onto other rows, and links in cells. Rows and columns count from 1. Failures
// raise OfficeError (a reference that names no cell is a failure of the file).
#include "platform/office/OfficeDocument.h"

#include <QString>
#include <memory>

namespace tralex {

class OfficeWorksheet {
public:
    // The sheet at a position from 0 in the workbook's order; the document must be a spreadsheet.
    OfficeWorksheet(OfficeDocument& document, int sheet);
    ~OfficeWorksheet();
    OfficeWorksheet(OfficeWorksheet&&) noexcept;
    OfficeWorksheet(const OfficeWorksheet&) = delete;
    OfficeWorksheet& operator=(const OfficeWorksheet&) = delete;

    QString Name();

    // The value of the first cell of a reference as text: empty for an empty cell, a text as it
    // is, a date or time as "2026/01/02 9:30:00" (either part alone when the other is none), a
    // logical value as "True" or "False", any other number in its shortest exact form (at most
    // 15 digits); a formula gives its result.
    QString Value(const QString& reference);
    // Enters a text into a cell as if it were typed: a number, date or time becomes a number
    // with the format it was written in, a text starting with "'" stays text without it, and a
    // text starting with "=" a formula as Excel writes it (English function names, "," between
    // arguments) with A1 references; anything else stays text.
    void SetValue(int row, int column, const QString& text);
    // The same for the first cell of a reference, with the formula's references in R1C1
    // notation (R2C3, R[-1]C).
    void SetFormulaR1C1(const QString& reference, const QString& text);

    // Copies the rows first..last (contents, formats and heights) onto the rows targetFirst..
    // targetLast, block after block; the last block is cut short where the target rows end.
    void CopyRows(int first, int last, int targetFirst, int targetLast);

    // Makes the cell a link to an address. The cell keeps the text it shows (a cell that shows
    // nothing shows the address); the link is a text field in the cell, as the file formats keep
    // links in cells.
    void SetHyperlink(int row, int column, const QString& address);

    struct Impl;

private:
    OfficeDocument& mDocument;
    std::unique_ptr<Impl> d;
};

}  // namespace tralex
