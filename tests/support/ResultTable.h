#pragma once
// Reading the result list and the preview as a person reads them: the rows of their tables as
// text lines.
#include <QAbstractItemModel>
#include <QLabel>
#include <QStringList>
#include <QTableView>

#include "support/ModalAnswerer.h"

namespace tralex::test {

// Each row of a table as its columns' texts joined by tabs; `first` is the first column read.
inline QStringList tableRows(QTableView* table, int first = 0)
{
    QStringList rows;
    if (!table)
        return rows;
    const QAbstractItemModel* model = table->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int column = first; column < model->columnCount(); ++column)
            cells << model->index(row, column).data().toString();
        rows << cells.join(QLatin1Char('\t'));
    }
    return rows;
}

// The result list as its text lines of old: "n:", a tab and the path for each changed file, then,
// when files were left unchanged, an empty line (after changed files), the block's heading and
// "path, tab, reason" for each.
inline QStringList resultLines(QWidget* window)
{
    QStringList lines;
    auto* changed = child<QTableView>(window, QStringLiteral("lstTarget"));
    if (!changed)
        return lines;
    const QAbstractItemModel* model = changed->model();
    for (int row = 0; row < model->rowCount(); ++row)
        lines << model->index(row, 0).data().toString() + QStringLiteral(":\t")
                     + model->index(row, 1).data().toString();
    auto* skipped = child<QTableView>(window, QStringLiteral("lstSkipped"));
    if (skipped && skipped->model()->rowCount() > 0) {
        if (!lines.isEmpty())
            lines << QString();
        lines << child<QLabel>(window, QStringLiteral("lblSkipped"))->text();
        lines << tableRows(skipped);
    }
    return lines;
}

}  // namespace tralex::test
