#pragma once
// The block of files a run or a preview leaves unchanged: a heading with their number, then a
// table of each file with its reason. Hidden when there are none.
#include <QStringList>
#include <QWidget>

class QLabel;
class QTableView;

namespace tralex {

class SkippedFilesModel;

class SkippedFilesView : public QWidget {
    Q_OBJECT
public:
    explicit SkippedFilesView(QWidget* parent = nullptr);

    // The run's lines of "path, tab, reason".
    void setLines(const QStringList& lines);
    const QStringList& lines() const;
    QTableView* table() const { return mTable; }

    // The line that leads the block, for `count` files.
    static QString Heading(qsizetype count);

    // Fits the columns to the window as it is now shown.
    void fitColumns();

private:
    SkippedFilesModel* mModel;
    QLabel* mHeading;
    QTableView* mTable;
};

}  // namespace tralex
