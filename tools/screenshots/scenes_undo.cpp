// Pictures of taking runs back: the result list of a run with its 元に戻す button, the question
// asked before an undo, the history of runs (after two real runs, one of them taken back) and
// the editor of the folders every run leaves out.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "ScreenshotScene.h"
#include "app/frmExcludedFolders.h"
#include "app/frmHistory.h"
#include "app/frmResultList.h"
#include "dialogs/Msg_YesNo.h"
#include "engines/RunUndo.h"
#include "engines/clsTextTralex.h"
#include "platform/SettingsFolder.h"

namespace {

// Two runs over a folder of estimates, the first taken back; returns the journal folder.
QString journalsOfTwoRuns()
{
    static QTemporaryDir settings;
    static QTemporaryDir target;
    static bool made = false;
    tralex::OverrideSettingsFolder(settings.path());
    const QString journals = settings.path() + QStringLiteral("/Journal/");
    if (made)
        return journals;
    made = true;
    const QString top = target.path() + QStringLiteral("/見積書/");
    for (const char* name : {"第一四半期.txt", "第二四半期.txt", "2024年度/案内.txt"})
        tralex::screenshots::WriteSceneFile(top + QString::fromUtf8(name), "株式会社サンプル 御中 担当：山田\n");
    const auto run = [&](const QString& find, const QString& replace) {
        tralex::clsTextTralex engine;
        engine.setJournalFolder(journals);
        engine.setTargetPath(top);
        engine.setTargetType(QStringLiteral("txt"));
        engine.setSubFolder(true);
        engine.AddTarget(find, replace);
        engine.TralexGo();
        return engine.JournalId();
    };
    const QString first = run(QStringLiteral("株式会社サンプル"), QStringLiteral("サンプル株式会社"));
    tralex::RunUndo(journals, first).TralexGo();
    run(QStringLiteral("担当：山田"), QStringLiteral("担当：佐藤"));
    return journals;
}

const bool registered = tralex::screenshots::registerScenes({
    {QStringLiteral("frmResultList_with_undo"),
     [] {
         tralex::frmResultList& window = tralex::frmResultList::instance();
         tralex::RunResult result;
         result.changed = {QStringLiteral("/home/user/見積書/第一四半期.txt"), QStringLiteral("/home/user/見積書/第二四半期.txt")};
         window.setResult(result);
         window.setUndo([] {});
         window.Show();
         window.setUndo({});
         window.setResult({});
     }},
    {QStringLiteral("Msg_YesNo_undo"),
     [] {
         tralex::Msg_YesNo& question = tralex::Msg_YesNo::instance();
         question.setMessage1(QStringLiteral("/home/user/見積書/ の 12件のファイルを実行前の内容に戻します"));
         question.setMessage2(QStringLiteral("よろしいですか？"));
         question.Show();
     }},
    {QStringLiteral("frmHistory"),
     [] {
         tralex::frmHistory history(journalsOfTwoRuns(), [](const QString&) {});
         history.exec();
     }},
    {QStringLiteral("frmExcludedFolders"),
     [] {
         tralex::frmExcludedFolders editor(tralex::ExcludedFolders(
             {QStringLiteral(".git"), QStringLiteral(".svn"), QStringLiteral(".hg"), QStringLiteral("node_modules"),
              QStringLiteral("backup*")}));
         editor.exec();
     }},
});

}  // namespace
