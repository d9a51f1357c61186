#pragma once
// The files a run left unchanged as a table of two columns, the path and the reason, from the
// run's lines of "path, tab, reason". Rows are made when painted, as for the changed files.
#include <QAbstractTableModel>
#include <QStringList>

namespace tralex {

class SkippedFilesModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Path, Reason };

    explicit SkippedFilesModel(QObject* parent = nullptr);

    void setLines(QStringList lines);
    const QStringList& lines() const { return mLines; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QStringList mLines;
};

}  // namespace tralex
