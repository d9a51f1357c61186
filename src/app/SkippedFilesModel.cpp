#include "app/SkippedFilesModel.h"

namespace tralex {

SkippedFilesModel::SkippedFilesModel(QObject* parent) : QAbstractTableModel(parent) {}

void SkippedFilesModel::setLines(QStringList lines)
{
    beginResetModel();
    mLines = std::move(lines);
    endResetModel();
}

int SkippedFilesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(mLines.size());
}

int SkippedFilesModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Reason + 1;
}

QVariant SkippedFilesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= mLines.size())
        return {};
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    // The reasons hold no tab, a file name may: the line is split at its last tab.
    const QString& line = mLines.at(index.row());
    const qsizetype tab = line.lastIndexOf(QLatin1Char('\t'));
    if (index.column() == Path)
        return tab < 0 ? line : line.left(tab);
    return tab < 0 ? QString() : line.mid(tab + 1);
}

QVariant SkippedFilesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return section == Path ? QStringLiteral("ファイル") : QStringLiteral("理由");
}

}  // namespace tralex
