#include "app/SkippedFilesView.h"

#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

#include "app/FileTable.h"
#include "app/SkippedFilesModel.h"
#include "dialogs/basFormLayout.h"

namespace tralex {

SkippedFilesView::SkippedFilesView(QWidget* parent)
    : QWidget(parent), mModel(new SkippedFilesModel(this)), mHeading(new QLabel(this)),
      mTable(MakeFileTable(mModel, QStringLiteral("lstSkipped"), this))
{
    mHeading->setObjectName(QStringLiteral("lblSkipped"));
    mHeading->setFont(GothicFont(9, true));
    QPalette palette = mHeading->palette();
    palette.setColor(QPalette::WindowText, QColor(128, 0, 0));
    mHeading->setPalette(palette);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(mHeading);
    layout->addWidget(mTable);
    setVisible(false);
}

QString SkippedFilesView::Heading(qsizetype count)
{
    return QStringLiteral("―― 置換しなかったファイルとその理由（%1件） ――").arg(count);
}

void SkippedFilesView::setLines(const QStringList& lines)
{
    mModel->setLines(lines);
    mHeading->setText(Heading(lines.size()));
    setVisible(!lines.isEmpty());
}

const QStringList& SkippedFilesView::lines() const
{
    return mModel->lines();
}

void SkippedFilesView::fitColumns()
{
    FitColumns(mTable, SkippedFilesModel::Path);
}

}  // namespace tralex
