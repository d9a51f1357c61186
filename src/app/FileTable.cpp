#include "app/FileTable.h"

#include <QHeaderView>
#include <QTableView>

#include "dialogs/basFormLayout.h"

namespace tralex {

QTableView* MakeFileTable(QAbstractItemModel* model, const QString& name, QWidget* parent)
{
    auto* table = new QTableView(parent);
    table->setObjectName(name);
    table->setFont(GothicFont(9));
    table->setModel(model);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->setShowGrid(false);
    table->setAlternatingRowColors(true);
    table->setTextElideMode(Qt::ElideMiddle);
    table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    QHeaderView* rows = table->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(table->fontMetrics().height() + 6);
    QHeaderView* columns = table->horizontalHeader();
    columns->setFont(GothicFont(9));
    columns->setHighlightSections(false);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Only the rows near the top are measured when columns are fitted.
    columns->setResizeContentsPrecision(200);
    return table;
}

void FitColumns(QTableView* table, int wide)
{
    QHeaderView* columns = table->horizontalHeader();
    int others = 0;
    for (int column = 0; column < columns->count(); ++column) {
        table->resizeColumnToContents(column);
        if (column != wide)
            others += columns->sectionSize(column);
    }
    const int room = table->viewport()->width() - others;
    if (wide >= 0 && columns->sectionSize(wide) < room)
        columns->resizeSection(wide, room);
}

}  // namespace tralex
