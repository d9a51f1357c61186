#include "app/FileReportModel.h"

#include <QFileInfo>

namespace tralex {

FileReportModel::FileReportModel(bool checkable, bool withBackUp, QObject* parent)
    : QAbstractTableModel(parent), mCheckable(checkable), mWithBackUp(withBackUp)
{
}

void FileReportModel::setResult(const RunResult& result)
{
    beginResetModel();
    mReports = result.files.mid(0, result.changed.size());
    mReports.reserve(result.changed.size());
    for (qsizetype i = 0; i < mReports.size(); ++i) {
        if (mReports[i].path.isEmpty())
            mReports[i].path = result.changed.at(i);
    }
    for (qsizetype i = mReports.size(); i < result.changed.size(); ++i) {
        FileReport report;
        report.path = result.changed.at(i);
        mReports.append(std::move(report));
    }
    mTicks.assign(std::size_t(mReports.size()), 1);
    mTickedCount = mReports.size();
    endResetModel();
    emit tickedCountChanged(mTickedCount);
}

void FileReportModel::setReport(int row, FileReport report)
{
    mReports[row] = std::move(report);
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void FileReportModel::setAllTicked(bool ticked)
{
    if (mReports.isEmpty())
        return;
    mTicks.assign(mTicks.size(), ticked ? 1 : 0);
    mTickedCount = ticked ? mReports.size() : 0;
    emit dataChanged(index(0, Number), index(rowCount() - 1, Number), {Qt::CheckStateRole});
    emit tickedCountChanged(mTickedCount);
}

QList<FileReport> FileReportModel::tickedReports() const
{
    QList<FileReport> reports;
    reports.reserve(mTickedCount);
    for (qsizetype row = 0; row < mReports.size(); ++row) {
        if (mTicks[std::size_t(row)])
            reports.append(mReports.at(row));
    }
    return reports;
}

int FileReportModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(mReports.size());
}

int FileReportModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : (mWithBackUp ? BackUp + 1 : Encoding + 1);
}

QString FileReportModel::text(int row, int column) const
{
    const FileReport& report = mReports.at(row);
    switch (column) {
    case Number: return QString::number(row + 1);
    case Path: return report.path;
    // A deleted backup has no count.
    case Replacements: return report.replacements < 0 ? QString() : QString::number(report.replacements);
    case Encoding: return report.encoding;
    case BackUp: return ShownBackUp(report);
    default: return QString();
    }
}

QVariant FileReportModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= mReports.size())
        return {};
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole: return text(index.row(), column);
    case Qt::ToolTipRole:
        if (column == Path)
            return mReports.at(index.row()).path;
        if (column == BackUp)
            return mReports.at(index.row()).backUp;
        return {};
    case Qt::TextAlignmentRole:
        if (column == Number || column == Replacements)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::CheckStateRole:
        if (mCheckable && column == Number)
            return ticked(index.row()) ? Qt::Checked : Qt::Unchecked;
        return {};
    default: return {};
    }
}

QVariant FileReportModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Number: return QStringLiteral("番号");
    case Path: return QStringLiteral("ファイル");
    case Replacements: return QStringLiteral("置換数");
    case Encoding: return QStringLiteral("文字コード");
    case BackUp: return QStringLiteral("バックアップ");
    default: return {};
    }
}

Qt::ItemFlags FileReportModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (mCheckable && index.column() == Number)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

bool FileReportModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!mCheckable || role != Qt::CheckStateRole || index.column() != Number || index.row() >= mReports.size())
        return false;
    const bool tick = value.toInt() == Qt::Checked;
    char& stored = mTicks[std::size_t(index.row())];
    if (bool(stored) == tick)
        return true;
    stored = tick ? 1 : 0;
    mTickedCount += tick ? 1 : -1;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    emit tickedCountChanged(mTickedCount);
    return true;
}

QString ShownBackUp(const FileReport& report)
{
    if (report.backUp.isEmpty())
        return QString();
    const QFileInfo backUp(report.backUp);
    const QFileInfo file(QFile::decodeName(report.absolutePath));
    return backUp.path() == file.path() ? backUp.fileName() : report.backUp;
}

}  // namespace tralex
