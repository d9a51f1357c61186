#pragma once
// The tables of files the result list and the preview share: one text line per row, whole rows
// selected, the columns fitted to what the first rows hold.
#include <QString>

class QAbstractItemModel;
class QTableView;
class QWidget;

namespace tralex {

// A table view of the model, named `name`. Rows keep one fixed height and columns are not
// measured against every row, so that a model of 100,000 rows shows at once.
QTableView* MakeFileTable(QAbstractItemModel* model, const QString& name, QWidget* parent);

// Fits each column to its heading and the rows the view samples; the path column (`wide`) gets
// the room the others leave and at least what its texts need.
void FitColumns(QTableView* table, int wide);

}  // namespace tralex
