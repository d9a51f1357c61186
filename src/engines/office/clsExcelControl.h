#pragma once
// The spreadsheet engine: replaces the pairs in every workbook of the chosen type ("xls", and
// today's "xlsx" and "ods") in the target folder: in the cells of every sheet, in the six header
// and footer texts of the sheets' page setups (fields such as page numbers kept), and in the
// sheet names. A workbook is rewritten only when LibreOffice detected the format its extension
// names, and it is stored back in that format.
//
// Besides the run it makes reports from a template workbook (clsExcelControl_report.cpp): the
// template is opened, the caller fills or reads each sheet in GetWorksheet or SetWorksheet, and
// ExecuteDocument stores the result as an Excel 97-2003 workbook, then shows it in the user's
// spreadsheet program or hands it to the caller in PrintWorkbook. A member that fails leaves the
// template open; the next report member, the next run or the end of the engine closes it unsaved.
#include "engines/office/OfficeEngine.h"
#include "platform/office/OfficeWorkbook.h"
#include "platform/office/OfficeWorksheet.h"
#include "services/OrderedList.h"

#include <functional>
#include <memory>

namespace tralex {

class clsExcelControl : public OfficeEngine {
    Q_OBJECT
public:
    // Hands a saved workbook to the user's spreadsheet program; false when that cannot be done.
    using WorkbookOpener = std::function<bool(const QString& path)>;
    // The output choice of ExecuteDocument that shows the saved workbook to the user.
    static constexpr qint32 OutputToExcel = 1;

    explicit clsExcelControl(QObject* parent = nullptr);
    ~clsExcelControl() override;

    QString ClassName() const override { return QStringLiteral("clsExcelControl"); }

    // Closes a report workbook left open by a failed report member, then runs the replacement.
    void TralexGo() override;

    // The template workbook; a path that names no file raises error 76 and keeps the old value.
    QString BasePath() const { return mBasePath; }
    void setBasePath(const QString& value);
    // Sheets counted by GetDocument and ExecuteDocument, as decimal text. Setting a text that is
    // not a number raises error 13, one beyond 32 bits error 6; the old value stays.
    QString SheetCount() const { return QString::number(mSheetCount); }
    void setSheetCount(const QString& value);
    // The factor ExecuteDocument applies to SheetCount (rounded half to even).
    double Magnification() const { return mMagnification; }
    void setMagnification(double value) { mMagnification = value; }
    // Replaces the default opener (xdg-open) for output choice OutputToExcel.
    void setWorkbookOpener(WorkbookOpener opener) { mOpener = std::move(opener); }

    // Opens the template, adds its sheets to SheetCount, raises GetWorksheet for each sheet and
    // closes the template unsaved.
    void GetDocument();
    // Opens the template, adds its sheets to SheetCount and applies Magnification, raises
    // SetWorksheet for each sheet and stores the result as vstrFileSaveAs/vstrFileName.xls. With
    // OutputToExcel the saved file is opened in the user's program; otherwise it is handed over
    // in PrintWorkbook. The template itself is never written.
    void ExecuteDocument(const QString& vstrFileSaveAs, const QString& vstrFileName, qint32 venmOutputTo);

    // The value of a cell (A1 reference) as text.
    QString GetData(OfficeWorksheet* vobjSheet, const QString& vlngRowCol);
    // Writes row text i (values each followed by SepChar) into row i + vlngRowMargin, value j
    // into column j + vlngColMargin; text behind the last SepChar is not a value.
    void SetupData(OfficeWorksheet* vobjSheet, const OrderedListRef& v_colRow, qint32 vlngRowMargin,
                   qint32 vlngColMargin);
    // Copies the vlngTargetRowHeight rows from vlngTargetRow onto the rows below them, up to row
    // vlngTargetRow + vlngCount.
    void ExpandRows(OfficeWorksheet* vobjSheet, qint32 vlngTargetRow, qint32 vlngCount,
                    qint32 vlngTargetRowHeight);
    // Makes the cell at row and column a link to vstrHLAddress.
    void LinkHtmlAddress(OfficeWorksheet* vobjSheet, qint32 vlngTargetRowIndex, qint32 vlngTargetColIndex,
                         const QString& vstrHLAddress);
    // Enters vstrLetter into a cell (A1 reference); a formula in it uses R1C1 references.
    void CellsEntry(OfficeWorksheet* vobjSheet, const QString& vstrTargetSell, const QString& vstrLetter);

signals:
    // Once per sheet of the template; a handler that sets vblnCancel makes the member fail.
    void GetWorksheet(OfficeWorksheet* vCurrentSheet, bool& vblnCancel);
    void SetWorksheet(OfficeWorksheet* vCurrentSheet, bool& vblnCancel);
    // Once after the report is stored, unless it is shown to the user.
    void PrintWorkbook(OfficeWorkbook* vCurrentWorkbook, bool& vblnCancel, const QString& vstrFileSaveAs);

protected:
    bool acceptsType(const QString& type) const override;
    FormatCheck checkFormat(const QString& type, const QString& filter) const override;
    PairsApplied applyPairs(OfficeDocument& document) override;
    QStringList changeableTexts(OfficeDocument& document, Reading reading) override;
    QString linkRefusal(const PackageLinks& links) const override;

private:
    using SheetEvent = void (clsExcelControl::*)(OfficeWorksheet*, bool&);

    bool templateReadable() const;
    void openTemplate();
    void raiseSheetEvents(SheetEvent event);
    void storeReport(const QString& path);
    void closeReport();
    // Runs work on the office application under its watchdog; its failures become errors of
    // this engine.
    void officeCall(const std::function<void()>& work);
    void requireSheet(const OfficeWorksheet* sheet, const QString& message) const;

    // The cell areas the texts of the file at hand are read from, the same before and after.
    QList<OfficeWorkbook::Area> mAreas;
    QList<QStringList> mCellsBefore;  // per sheet, the texts of those cells as the file was read
    QString mBasePath;
    qint32 mSheetCount = 0;
    double mMagnification = 1.0;
    WorkbookOpener mOpener;
    std::unique_ptr<OfficeDocument> mReport;  // the template while a report member works on it
};

}  // namespace tralex
