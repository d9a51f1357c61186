#pragma once
// A changed text file beside its backup: the backup (before the run) on the left, the file as it
// is now on the right, both decoded in the file's encoding, the lines that differ shaded and the
// characters that differ marked. The panes scroll together.
#include "engines/RunResult.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;

namespace tralex {

class frmCompare : public QDialog {
    Q_OBJECT
public:
    explicit frmCompare(QWidget* parent = nullptr);

    // Reads the file and its backup of a run's report. False, with the reason in `error`, when
    // either cannot be read or decoded; the window then shows nothing.
    bool load(const FileReport& report, QString* error);

    // How many lines differ, as the window counts them.
    qint64 changedLines() const { return mChangedLines; }

private:
    void showTexts(const QString& before, const QString& after);

    QLabel* mlblBackUp;
    QLabel* mlblFile;
    QLabel* mlblSummary;
    QPlainTextEdit* mtxtBackUp;
    QPlainTextEdit* mtxtFile;
    qint64 mChangedLines = 0;
};

}  // namespace tralex
