#pragma once
// The window that lists what the last run did: a table of the files it changed (or, after
// deleting backups, the backups it deleted) with their number, path, replacements, encoding and
// backup, then, in a block of their own, the files it left unchanged with the reason for each.
// The run command hands it the lists of the run that has just finished and shows it modal.
//
// A double-click opens a file with the desktop's program for it; the context menu also opens its
// folder; "バックアップと比較" shows a text file beside its backup. The list as numbered text
// lines ("1:", a tab, the path) can be copied or saved as a text file.
#include "engines/RunResult.h"

#include <QDialog>
#include <QUrl>

#include <functional>

class QAction;
class QMenu;
class QPushButton;
class QSplitter;
class QTableView;

namespace tralex {

class FileReportModel;
class SkippedFilesView;

class frmResultList : public QDialog {
    Q_OBJECT
public:
    // The one instance of the process, made on first use.
    static frmResultList& instance();

    // The lists shown, kept until the next set.
    void setResult(RunResult result) { mResult = std::move(result); }
    const RunResult& Result() const { return mResult; }

    // What "元に戻す" does: the window closes, then this runs. Without it (empty) the button is
    // not shown.
    void setUndo(std::function<void()> undo) { mUndo = std::move(undo); }

    // How files and folders are handed to the desktop (ShellOpen unless set; tests, which have no
    // desktop, set their own). Empty: back to ShellOpen.
    void setOpener(std::function<bool(const QUrl&)> opener);

    // Fills the table from Result, shows the window modal and returns when the user closed it.
    void Show();

    // The list as text: line i of the changed files is i, ":", a tab and the path; the files
    // left unchanged follow after an empty line and a heading, each as its path, a tab and the
    // reason.
    static QStringList ListLines(const RunResult& result);

protected:
    void setVisible(bool visible) override;
    void done(int result) override;

private:
    frmResultList();
    void load();
    void fillLists();
    void chooseRow();
    int currentRow() const;
    void openFile(int row);
    void openFolder(int row);
    void compare(int row);
    void copyList();
    void saveList();
    void makeMenu();
    void showMenu(const QPoint& at);
    bool open(const QString& path);

    RunResult mResult;
    std::function<void()> mUndo;
    std::function<bool(const QUrl&)> mOpener;
    FileReportModel* mModel;
    QTableView* mlstTarget;
    SkippedFilesView* mSkipped;
    QSplitter* mSplitter;
    QPushButton* mcmdCompare;
    QPushButton* mcmdUndo;
    QMenu* mnuRow;
    QAction* mnuOpen = nullptr;
    QAction* mnuOpenFolder = nullptr;
    QAction* mnuCompare = nullptr;
    bool mblnLoaded = false;
};

}  // namespace tralex
