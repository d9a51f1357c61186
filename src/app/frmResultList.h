#pragma once
// The window that lists what the last run did: the numbered files it changed (or, after deleting
// backups, the backups it deleted), then, in a block of their own, the files it left unchanged
// with the reason for each. The run command hands it the lists of the run that has just finished
// and shows it modal; the user reads the list and closes the window.
#include "engines/RunResult.h"

#include <QDialog>

#include <functional>

class QListWidget;
class QPushButton;

namespace tralex {

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

    // Fills the list from Result, shows the window modal and returns when the user closed it.
    void Show();

    // The line that leads the block of files left unchanged, for `count` such files.
    static QString SkippedHeading(int count);

protected:
    void setVisible(bool visible) override;
    void done(int result) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    frmResultList();
    void load();
    void fillList();

    void layOut();

    RunResult mResult;
    std::function<void()> mUndo;
    QListWidget* mlstTarget;
    QPushButton* mcmdUndo;
    bool mblnLoaded = false;
};

}  // namespace tralex
