// Pictures of the preview of a run over a few Japanese text files (the files that would change,
// ticked, one unticked, the changed lines of the first with their marks, a file that would be
// skipped), of the result table after the run, and of a file compared with its backup.
#include <QTemporaryDir>

#include "ScreenshotScene.h"
#include "app/frmCompare.h"
#include "app/frmPreview.h"
#include "app/frmResultList.h"
#include "engines/clsTextTralex.h"
#include "platform/SettingsFolder.h"

#include <QTableView>

namespace {

using tralex::screenshots::WriteSceneFile;

const QByteArray Estimate = "御見積書\n"
                            "株式会社サンプル 御中\n"
                            "\n"
                            "件名：保守契約（株式会社サンプル 本社）\n"
                            "担当：山田\n"
                            "以上、株式会社サンプル 様宛てにご確認をお願いいたします。\n";

// A folder of estimates to preview or replace in; made anew for each scene.
QString sampleFolder()
{
    static QTemporaryDir settings;
    tralex::OverrideSettingsFolder(settings.path());
    static QTemporaryDir* target = nullptr;
    delete target;
    target = new QTemporaryDir;
    const QString top = target->path() + QStringLiteral("/見積書/");
    WriteSceneFile(top + QStringLiteral("第一四半期.txt"), Estimate);
    WriteSceneFile(top + QStringLiteral("第二四半期.txt"), "株式会社サンプル 御中\n");
    WriteSceneFile(top + QStringLiteral("2024年度/案内.txt"), "株式会社サンプル からのお知らせ\n");
    WriteSceneFile(top + QStringLiteral("2024年度/集計.txt"), QByteArray("株式会社サンプル") + QByteArray("\0\x01\x02", 3));
    return top;
}

tralex::RunResult runOver(const QString& top, bool preview)
{
    tralex::clsTextTralex engine;
    engine.setTargetPath(top);
    engine.setTargetType(QStringLiteral("txt"));
    engine.setSubFolder(true);
    engine.AddTarget(QStringLiteral("株式会社サンプル"), QStringLiteral("サンプル株式会社"));
    engine.setPreview(preview);
    engine.TralexGo();
    return engine.Result();
}

void showPreview()
{
    tralex::frmPreview window(runOver(sampleFolder(), true));
    window.setAllLines([](const tralex::FileReport&) { return std::nullopt; });
    window.show();
    // One file unticked, as a person choosing the files would leave it.
    if (auto* table = window.findChild<QTableView*>(QStringLiteral("lstFiles")))
        table->model()->setData(table->model()->index(1, 0), Qt::Unchecked, Qt::CheckStateRole);
    window.exec();
}

void showResultTable()
{
    tralex::frmResultList& window = tralex::frmResultList::instance();
    window.setResult(runOver(sampleFolder(), false));
    window.setUndo([] {});
    window.Show();
    window.setUndo({});
    window.setResult({});
}

void showComparison()
{
    const tralex::RunResult result = runOver(sampleFolder(), false);
    tralex::frmCompare window;
    QString error;
    if (!result.files.isEmpty() && window.load(result.files.first(), &error))
        window.exec();
}

const bool registered = tralex::screenshots::registerScenes({
    {QStringLiteral("frmPreview"), [] { showPreview(); }},
    {QStringLiteral("frmResultList_table"), [] { showResultTable(); }},
    {QStringLiteral("frmCompare"), [] { showComparison(); }},
});

}  // namespace
