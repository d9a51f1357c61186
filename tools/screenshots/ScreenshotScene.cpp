#include "ScreenshotScene.h"

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

}  // namespace tralex::screenshots
