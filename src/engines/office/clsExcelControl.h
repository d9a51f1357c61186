#pragma once
// The spreadsheet engine: replaces the pairs in every workbook of the chosen type ("xls", and
// today's "xlsx" and "ods") in the target folder: in the cells of every sheet, in the six header
// and footer texts of the sheets' page setups (fields such as page numbers kept), and in the
// sheet names. A workbook is rewritten only when LibreOffice detected the format its extension
// names, and it is stored back in that format.
#include "engines/office/OfficeEngine.h"

namespace tralex {

class clsExcelControl : public OfficeEngine {
    Q_OBJECT
public:
    explicit clsExcelControl(QObject* parent = nullptr) : OfficeEngine(parent) {}

    QString ClassName() const override { return QStringLiteral("clsExcelControl"); }

protected:
    bool acceptsType(const QString& type) const override;
    FormatCheck checkFormat(const QString& type, const QString& filter) const override;
    void applyPairs(OfficeDocument& document) override;
};

}  // namespace tralex
