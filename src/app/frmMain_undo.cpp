// The main window's commands for taking runs back (元に戻す, 履歴) and for the folders every run
// leaves out: the runs' journals are read from the settings folder, an undo asks once with the
// number of files and then runs like any run, with the progress window and STOP.
#include "app/frmExcludedFolders.h"
#include "app/frmHistory.h"
#include "app/frmMain.h"

#include <QAction>

#include "dialogs/Msg_Warning.h"
#include "dialogs/Msg_YesNo.h"
#include "dialogs/basFormLayout.h"
#include "engines/RunUndo.h"
#include "platform/ProgramError.h"
#include "run/RunRequest.h"
#include "services/RunJournal.h"

namespace tralex {

namespace {

void warn(const QString& line)
{
    Msg_Warning& warning = Msg_Warning::instance();
    warning.setMessage2(line);
    warning.Show();
}

}  // namespace

// The newest run that changed files and was not taken back (an undo itself is not offered here:
// the history takes one back on purpose).
void frmMain::mnuUndo_Click()
{
    runGuarded([this] {
        for (const JournalRun& run : RunJournal::History(RunJournal::DefaultFolder())) {
            if (run.undoes.isEmpty() && !run.undone) {
                UndoRun(run.id);
                return;
            }
        }
        warn(QStringLiteral("元に戻せる実行はありません"));
    });
}

void frmMain::mnuHistory_Click()
{
    frmHistory history(RunJournal::DefaultFolder(), [this](const QString& id) {
        runGuarded([this, id] { UndoRun(id); });
    }, this);
    history.exec();
}

void frmMain::mnuExcluded_Click()
{
    frmExcludedFolders editor(RunRequest::StoredExclusions(IniFilePath()), this);
    if (editor.exec() == QDialog::Accepted)
        RunRequest::StoreExclusions(IniFilePath(), editor.Folders());
}

void frmMain::UndoRun(const QString& journal)
{
    auto undo = std::make_unique<RunUndo>(RunJournal::DefaultFolder(), journal);
    const std::optional<JournalRun>& run = undo->Run();
    if (!run)
        throw ProgramError(QStringLiteral("frmMain"), QStringLiteral("元に戻す実行の記録が見つかりません"));
    if (run->undone) {
        warn(QStringLiteral("この実行はすでに元に戻しています"));
        return;
    }
    Msg_YesNo& question = Msg_YesNo::instance();
    question.setMessage1(QStringLiteral("%1 の %2件のファイルを実行前の内容に戻します")
                             .arg(run->folder).arg(run->files.size()));
    question.setMessage2(QStringLiteral("よろしいですか？"));
    question.Show();
    if (!question.YesNo())
        return;
    if (mEngineSetUp)
        mEngineSetUp(*undo);
    ReportRun(runShown(*undo, QStringLiteral("ただいま、元に戻しています"), false));
}

}  // namespace tralex
