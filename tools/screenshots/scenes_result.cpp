// Pictures of the result list after a real run over a few text files: the numbered changed files,
// then the files left unchanged with their reasons.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "ScreenshotScene.h"
#include "app/frmResultList.h"
#include "engines/clsTextTralex.h"
#include "platform/SettingsFolder.h"

namespace {

using tralex::frmResultList;

void showResultOfRun()
{
    static QTemporaryDir settings;
    static QTemporaryDir target;
    tralex::OverrideSettingsFolder(settings.path());
    const QString top = target.path() + QStringLiteral("/見積書/");
    tralex::screenshots::WriteSceneFile(top + QStringLiteral("第一四半期.txt"), "株式会社サンプル 御中\n");
    tralex::screenshots::WriteSceneFile(top + QStringLiteral("第二四半期.txt"), "株式会社サンプル 御中\n");
    tralex::screenshots::WriteSceneFile(top + QStringLiteral("2024年度/案内.txt"), "株式会社サンプル からのお知らせ\n");
    tralex::screenshots::WriteSceneFile(top + QStringLiteral("2024年度/集計.txt"), QByteArray("株式会社サンプル") + QByteArray("\0\x01\x02", 3));
    tralex::screenshots::WriteSceneFile(top + QStringLiteral("2024年度/旧形式.txt"), "\x81\x7f\xff 株式会社サンプル");

    auto engine = std::make_shared<tralex::clsTextTralex>();
    engine->setTargetPath(top);
    engine->setTargetType(QStringLiteral("txt"));
    engine->setSubFolder(true);
    engine->AddTarget(QStringLiteral("株式会社サンプル"), QStringLiteral("サンプル株式会社"));
    engine->TralexGo();

    frmResultList& window = frmResultList::instance();
    window.setResult(engine->Result());
    window.Show();
    window.setResult({});
}

const bool registered = tralex::screenshots::registerScenes({
    {QStringLiteral("frmResultList"), [] { showResultOfRun(); }},
});

}  // namespace
