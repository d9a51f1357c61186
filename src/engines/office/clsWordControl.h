#pragma once
// The document engine: replaces the pairs in every document of the chosen type ("doc", and
// today's "docx" and "odt"; also "rtf", "html", "htm" and "txt" when asked) in the target folder:
// in the body (tables, frames and footnotes included) and in every header and footer in use,
// each rewritten once, fields such as page numbers kept. A document is rewritten only when
// LibreOffice detected the format its extension names, and it is stored back in that format.
#include "engines/office/OfficeEngine.h"

namespace tralex {

class clsWordControl : public OfficeEngine {
    Q_OBJECT
public:
    explicit clsWordControl(QObject* parent = nullptr) : OfficeEngine(parent) {}

    QString ClassName() const override { return QStringLiteral("clsWordControl"); }

protected:
    bool acceptsType(const QString& type) const override;
    FormatCheck checkFormat(const QString& type, const QString& filter) const override;
    PairsApplied applyPairs(OfficeDocument& document) override;
    QStringList changeableTexts(OfficeDocument& document, Reading reading) override;
};

}  // namespace tralex
