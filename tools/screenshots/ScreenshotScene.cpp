#include "ScreenshotScene.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace tralex::screenshots {

namespace {

std::vector<Scene>& registry()
{
    static std::vector<Scene> scenes;
    return scenes;
}

}  // namespace

bool registerScenes(std::vector<Scene> scenes)
{
    for (Scene& scene : scenes)
        registry().push_back(std::move(scene));
    return true;
}

std::vector<Scene> allScenes()
{
    std::vector<Scene> scenes = registry();
    std::sort(scenes.begin(), scenes.end(),
              [](const Scene& a, const Scene& b) { return a.name < b.name; });
    return scenes;
}

void WriteSceneFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

}  // namespace tralex::screenshots
