#pragma once
// The file types the office engines take besides "xls" and "doc": today's spreadsheet and
// document formats. The main window offers them after the text engine's types and sends them to
// the office engines, never to the text engine.
#include <QStringList>

namespace tralex {

// "xlsx", "ods", "docx", "odt", in the order they are offered.
QStringList OfficeTypes();
// "xls", "xlsx" and "ods": run by clsExcelControl.
bool IsSpreadsheetType(const QString& type);
// "doc", "docx" and "odt": run by clsWordControl.
bool IsDocumentType(const QString& type);

}  // namespace tralex
