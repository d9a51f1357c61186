#pragma once
// What a run would change, before anything changes: a table of the files that would change, each
// with a tick box (ticked at first), its number, path, replacements and encoding; below it the
// changed lines of the chosen file, before and after, with the matched and the replaced text
// marked (the first few, all of them on request); then the files the run would leave unchanged,
// with their reasons. "選択したファイルを置換" closes the window with the ticked files chosen.
#include "engines/RunResult.h"

#include <QDialog>

#include <functional>
#include <optional>

class QLabel;
class QPushButton;
class QTableView;

namespace tralex {

class ChangedLinesView;
class FileReportModel;
class SkippedFilesView;

class frmPreview : public QDialog {
    Q_OBJECT
public:
    // result: a preview's result. stopped: the preview was stopped before its end.
    explicit frmPreview(const RunResult& result, bool stopped = false, QWidget* parent = nullptr);

    // What "すべての行を表示" does with the chosen file: a preview of that file alone with all
    // its changed lines, or nothing when there is none (the caller has told the user why).
    void setAllLines(std::function<std::optional<FileReport>(const FileReport&)> allLines)
    {
        mAllLines = std::move(allLines);
    }

    // After the window was closed by "選択したファイルを置換": the ticked files, in the order
    // of the list. Empty when it was closed otherwise.
    const QList<FileReport>& Chosen() const { return mChosen; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void chooseRow();
    void showLines(const FileReport& report);
    void showAllLines();
    void tickedChanged(qsizetype count);
    void replaceTicked();

    FileReportModel* mModel;
    QTableView* mlstFiles;
    QLabel* mlblTicked;
    QLabel* mlblLines;
    ChangedLinesView* mtxtLines;
    QPushButton* mcmdAllLines;
    SkippedFilesView* mSkipped;
    QPushButton* mcmdReplace;
    std::function<std::optional<FileReport>(const FileReport&)> mAllLines;
    QList<FileReport> mChosen;
};

}  // namespace tralex
