#include "engines/office/OfficeTypes.h"

namespace tralex {

QStringList OfficeTypes()
{
    return {QStringLiteral("xlsx"), QStringLiteral("ods"), QStringLiteral("docx"), QStringLiteral("odt")};
}

bool IsSpreadsheetType(const QString& type)
{
    return type == QLatin1String("xls") || type == QLatin1String("xlsx") || type == QLatin1String("ods");
}

bool IsDocumentType(const QString& type)
{
    return type == QLatin1String("doc") || type == QLatin1String("docx") || type == QLatin1String("odt");
}

}  // namespace tralex
