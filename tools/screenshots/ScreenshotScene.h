#pragma once
// Scenes for tralex_screenshots. A scene shows one window in one state; the tool waits until the
// window is on the screen and painted, saves the screen region of the window as <name>.png and
// closes it. A file of scenes registers them at start-up:
//
//   static const bool registered = tralex::screenshots::registerScenes({
//       {"Msg_Warning", [] { auto& w = tralex::Msg_Warning::instance(); ...; w.Show(); }},
//   });
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

namespace tralex::screenshots {

struct Scene {
    // File name of the picture, without ".png"; also the name to pick the scene on the command line.
    QString name;
    // Shows the window. It may block in a modal window's own event loop: the tool photographs and
    // closes the window from a timer meanwhile.
    std::function<void()> show;
    // The window to photograph. Without it: the modal window on top, else the active window, else
    // the top-level window shown last.
    std::function<QWidget*()> window = {};
    // Takes the scene down after the picture. Without it: every modal window is rejected, then the
    // photographed window is closed.
    std::function<void()> close = {};
};

// Adds scenes to the tool; returns true so that it can initialise a static in a scene file.
bool registerScenes(std::vector<Scene> scenes);

// Every registered scene, in the order of their names.
std::vector<Scene> allScenes();

// Writes a file of a scene's sample folder, making the folders on the way.
void WriteSceneFile(const QString& path, const QByteArray& bytes);

}  // namespace tralex::screenshots
