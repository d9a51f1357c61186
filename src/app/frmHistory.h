#pragma once
// The window of the last runs that changed files, newest first: when, the folder, the type, the
// pairs, how many files, and whether the run was taken back. "元に戻す" takes back the run
// chosen, through the caller's undo (which asks first and shows its outcome); the list then shows
// the journals as they are afterwards.
#include "services/RunJournal.h"

#include <QDialog>

#include <functional>

class QPushButton;
class QTreeWidget;

namespace tralex {

class frmHistory : public QDialog {
    Q_OBJECT
public:
    // undo: takes back the run of a journal id.
    frmHistory(QString journals, std::function<void(const QString& id)> undo, QWidget* parent = nullptr);

    // The text of a run's pairs as one line: "find → replace" joined by "、".
    static QString PairsText(const JournalRun& run);

private:
    void fill();
    void undoChosen();
    void chooseRow();

    QString mJournals;
    std::function<void(const QString&)> mUndo;
    QTreeWidget* mRuns;
    QPushButton* mcmdUndo;
};

}  // namespace tralex
