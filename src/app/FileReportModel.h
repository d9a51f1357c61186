#pragma once
// The files of a run or a preview as a table: number, path, replacements, encoding and, after a
// run, the backup. One row per entry of the run's list of changed files; rows are made only when
// the view paints them, so that a list of 100,000 files loads at once. In a preview each row has a
// tick box in its number column, ticked at first: the files to replace.
#include "engines/RunResult.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

#include <vector>

namespace tralex {

class FileReportModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Number, Path, Replacements, Encoding, BackUp };

    // checkable: rows have tick boxes; withBackUp: the backup column is shown.
    FileReportModel(bool checkable, bool withBackUp, QObject* parent = nullptr);

    // The run's changed files: a row per entry of result.changed, with its report where the run
    // gave one (a list without reports shows the paths alone). Every row is ticked.
    void setResult(const RunResult& result);

    // The report of a row; the path of a row without a report of its own is the list's text.
    const FileReport& report(int row) const { return mReports.at(row); }
    void setReport(int row, FileReport report);

    bool ticked(int row) const { return mTicks.at(std::size_t(row)) != 0; }
    qsizetype tickedCount() const { return mTickedCount; }
    void setAllTicked(bool ticked);
    // The reports of the ticked rows, in the order of the list.
    QList<FileReport> tickedReports() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

signals:
    // The number of ticked rows changed.
    void tickedCountChanged(qsizetype count);

private:
    QString text(int row, int column) const;

    bool mCheckable;
    bool mWithBackUp;
    QList<FileReport> mReports;
    std::vector<char> mTicks;
    qsizetype mTickedCount = 0;
};

// The backup as the result table shows it: its file name when it lies beside the file, else its
// whole path.
QString ShownBackUp(const FileReport& report);

}  // namespace tralex
