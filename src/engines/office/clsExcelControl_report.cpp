// The report members of the spreadsheet engine: a template workbook opened in the office
// application, its sheets handed to the caller, the result stored as an Excel 97-2003 workbook.
#include "engines/office/clsExcelControl.h"

#include "engines/BackUpFile.h"
#include "platform/office/OfficeApplication.h"
#include "platform/ProgramError.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

namespace tralex {

namespace {

const QString SheetMissing = QStringLiteral("対象となるｼｰﾄのｲﾝｽﾀﾝｽがｾｯﾄされていません");
// The two cell-entry members word it in full-width katakana with a blank at the end; callers may
// compare the texts, so both forms stay as they are.
const QString SheetMissingWide = QStringLiteral("対象となるシートのインスタンスがセットされていません ");

constexpr qint32 FileNotFound = 76;
constexpr qint32 TypeMismatch = 13;
constexpr qint32 Overflow = 6;

// A number taken to the nearest 32-bit integer, halves to the even neighbour; one that does not
// fit raises the overflow error.
qint32 roundedLong(double value, const QString& source)
{
    const double rounded = std::nearbyint(value);
    if (!(rounded >= std::numeric_limits<qint32>::min() && rounded <= std::numeric_limits<qint32>::max()))
        throw ProgramError(source, QStringLiteral("オーバーフローしました"), Overflow);
    return qint32(rounded);
}

bool openWithDesktop(const QString& path)
{
    return QProcess::startDetached(QStringLiteral("xdg-open"), {path});
}

}  // namespace

clsExcelControl::clsExcelControl(QObject* parent) : OfficeEngine(parent), mOpener(openWithDesktop) {}

clsExcelControl::~clsExcelControl() = default;

void clsExcelControl::TralexGo()
{
    checkRunPreconditions(true);
    if (mReport)  // a process that serves no report goes on serving the run
        closeReport();
    OfficeEngine::TralexGo();
}

void clsExcelControl::setBasePath(const QString& value)
{
    if (!QFileInfo(value).isFile())
        throw ProgramError(ClassName(), QStringLiteral("ファイルが存在しません"), FileNotFound);
    mBasePath = value;
}

void clsExcelControl::setSheetCount(const QString& value)
{
    bool ok = false;
    const double number = value.trimmed().toDouble(&ok);
    if (!ok)
        throw ProgramError(ClassName(), QStringLiteral("型が一致しません"), TypeMismatch);
    mSheetCount = roundedLong(number, ClassName());
}

void clsExcelControl::GetDocument()
{
    openTemplate();
    raiseSheetEvents(&clsExcelControl::GetWorksheet);
    closeReport();
}

void clsExcelControl::ExecuteDocument(const QString& vstrFileSaveAs, const QString& vstrFileName,
                                      qint32 venmOutputTo)
{
    openTemplate();
    mSheetCount = roundedLong(mSheetCount * mMagnification, ClassName());
    raiseSheetEvents(&clsExcelControl::SetWorksheet);
    const QString saved = JoinPath(vstrFileSaveAs, vstrFileName + QStringLiteral(".xls"));
    storeReport(saved);
    if (venmOutputTo == OutputToExcel) {
        // The office application here is a hidden process of this engine that the user cannot
        // see: it ends, and the user's own spreadsheet program shows the saved workbook.
        closeReport();
        if (!mOpener(saved))
            raise(QStringLiteral("保存したブックを開けません"));
        return;
    }
    bool cancel = false;
    OfficeWorkbook book(*mReport);
    emit PrintWorkbook(&book, cancel, vstrFileSaveAs);
    if (cancel)
        raise(QStringLiteral("データの出力に失敗しました！"));
    closeReport();
}

QString clsExcelControl::GetData(OfficeWorksheet* vobjSheet, const QString& vlngRowCol)
{
    requireSheet(vobjSheet, SheetMissing);
    QString value;
    officeCall([&] { value = vobjSheet->Value(vlngRowCol); });
    return value;
}

void clsExcelControl::SetupData(OfficeWorksheet* vobjSheet, const OrderedListRef& v_colRow,
                                qint32 vlngRowMargin, qint32 vlngColMargin)
{
    requireSheet(vobjSheet, SheetMissing);
    if (!v_colRow)
        raise(QStringLiteral("対象となるﾃﾞｰﾀｺﾚｸｼｮﾝのｲﾝｽﾀﾝｽがｾｯﾄされていません"));
    officeCall([&] {
        for (int i = 1; i <= v_colRow->Count(); ++i) {
            const QString& row = v_colRow->Item(i);
            // Each value ends at a separator; an empty separator ends none.
            qsizetype start = 0;
            qsizetype end = mSepChar.isEmpty() ? -1 : row.indexOf(mSepChar, start);
            for (int j = 1; end >= 0; ++j) {
                vobjSheet->SetValue(i + vlngRowMargin, j + vlngColMargin, row.mid(start, end - start));
                start = end + mSepChar.size();
                end = row.indexOf(mSepChar, start);
            }
        }
    });
}

void clsExcelControl::ExpandRows(OfficeWorksheet* vobjSheet, qint32 vlngTargetRow, qint32 vlngCount,
                                 qint32 vlngTargetRowHeight)
{
    requireSheet(vobjSheet, SheetMissing);
    // A block of no rows would name the rows above the target row instead.
    if (vlngTargetRow <= 0 || vlngTargetRowHeight <= 0)
        raise(QStringLiteral("不正な行が指定されました"));
    if (vlngCount <= 0)
        raise(QStringLiteral("不正な数量が指定されました"));
    const qint64 last = qint64(vlngTargetRow) + vlngTargetRowHeight - 1;
    const qint64 targetLast = qint64(vlngTargetRow) + vlngCount;
    // Fewer rows to fill than the block holds leave nothing below it to fill; the block itself
    // is never written over.
    if (targetLast <= last)
        return;
    officeCall([&] { vobjSheet->CopyRows(vlngTargetRow, int(last), int(last + 1), int(targetLast)); });
}

void clsExcelControl::LinkHtmlAddress(OfficeWorksheet* vobjSheet, qint32 vlngTargetRowIndex,
                                      qint32 vlngTargetColIndex, const QString& vstrHLAddress)
{
    requireSheet(vobjSheet, SheetMissingWide);
    officeCall([&] { vobjSheet->SetHyperlink(vlngTargetRowIndex, vlngTargetColIndex, vstrHLAddress); });
}

void clsExcelControl::CellsEntry(OfficeWorksheet* vobjSheet, const QString& vstrTargetSell,
                                 const QString& vstrLetter)
{
    requireSheet(vobjSheet, SheetMissingWide);
    officeCall([&] { vobjSheet->SetFormulaR1C1(vstrTargetSell, vstrLetter); });
}

bool clsExcelControl::templateReadable() const
{
    if (mBasePath.trimmed().isEmpty())
        return false;
    QString path = mBasePath;
    if (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    file.close();
    return true;
}

void clsExcelControl::openTemplate()
{
    closeReport();
    if (!templateReadable())
        raise(QStringLiteral("テンプレートファイルのコピーに失敗しました！"));
    int sheets = 0;
    officeCall([&] {
        mReport = Application().Open(mBasePath);
        sheets = OfficeWorkbook(*mReport).SheetCount();
    });
    mSheetCount = roundedLong(double(mSheetCount) + sheets, ClassName());
}

void clsExcelControl::raiseSheetEvents(SheetEvent event)
{
    int sheets = 0;
    officeCall([&] { sheets = OfficeWorkbook(*mReport).SheetCount(); });
    for (int i = 0; i < sheets; ++i) {
        std::optional<OfficeWorksheet> sheet;
        officeCall([&] { sheet.emplace(*mReport, i); });
        bool cancel = false;
        emit(this->*event)(&*sheet, cancel);
        if (cancel)
            raise(QStringLiteral("データの書き込みに失敗しました！"));
    }
}

void clsExcelControl::storeReport(const QString& path)
{
    // Stored beside the file under a temporary name first, so that a report that cannot be
    // stored in full leaves an earlier file of that name as it was.
    const QFileInfo target(path);
    const QString temporary = JoinPath(target.path(), RenewalName(target.fileName(), BackUpStamp()));
    officeCall([&] { mReport->StoreTo(temporary, QStringLiteral("MS Excel 97")); });
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) != 0) {
        QFile::remove(temporary);
        raise(QStringLiteral("ファイルを保存できません"));
    }
}

void clsExcelControl::closeReport()
{
    mReport.reset();
    Application().Quit();
}

void clsExcelControl::officeCall(const std::function<void()>& work)
{
    OfficeApplication::FileTime watched(Application());
    try {
        work();
    } catch (const OfficeError& e) {
        raise(e.reason());
    }
}

void clsExcelControl::requireSheet(const OfficeWorksheet* sheet, const QString& message) const
{
    if (!sheet)
        raise(message);
}

}  // namespace tralex
