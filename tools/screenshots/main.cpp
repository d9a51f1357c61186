// tralex_screenshots: photographs the program's windows.
//   tralex_screenshots --list                 prints the scene names, one a line
//   tralex_screenshots --out DIR [SCENE...]   shows each scene (all without names) and writes
//                                             DIR/<scene>.png
// Run it on a real display or a virtual one (scripts/screenshots.sh starts Xvfb and calls it once
// per scene). Exits non-zero when a scene is unknown or its window never appeared.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <cstdio>

#include "ScreenshotScene.h"
#include "dialogs/JapaneseFonts.h"

using tralex::screenshots::Scene;

namespace {

// How long a window must have been on the screen before it is photographed (painting, the opening
// zoom), and how long a scene may take to show its window at all.
constexpr int SettleMilliseconds = 600;
constexpr int SceneTimeoutMilliseconds = 20000;

bool isOrdinaryWindow(const QWidget* w)
{
    return w->isWindow() && w->isVisible() && w->windowType() != Qt::ToolTip
           && w->windowType() != Qt::Popup;
}

QWidget* defaultWindow()
{
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible())
        return modal;
    if (QWidget* active = QApplication::activeWindow(); active && isOrdinaryWindow(active))
        return active;
    QWidget* last = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (isOrdinaryWindow(w))
            last = w;
    return last;
}

void closeScene(const Scene& scene, QWidget* photographed)
{
    if (scene.close) {
        scene.close();
        return;
    }
    for (int i = 0; i < 20; ++i) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            break;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    }
    if (photographed && photographed->isVisible())
        photographed->close();
}

bool savePicture(QWidget* w, const QString& file)
{
    QGuiApplication::sync();
    QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    const QRect frame = w->frameGeometry();
    const QPoint origin = screen->geometry().topLeft();
    const QPixmap picture = screen->grabWindow(0, frame.x() - origin.x(), frame.y() - origin.y(),
                                               frame.width(), frame.height());
    return !picture.isNull() && picture.save(file, "PNG");
}

bool runScene(const Scene& scene, const QDir& outDir)
{
    bool shot = false;
    bool shown = false;
    bool ok = false;
    qint64 readySince = -1;
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;

    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (shot) {
            if (shown)
                loop.quit();
            return;
        }
        QPointer<QWidget> w = scene.window ? scene.window() : defaultWindow();
        const bool ready = w && w->isVisible() && w->windowHandle() && w->windowHandle()->isExposed();
        if (!ready) {
            readySince = -1;
            if (clock.elapsed() > SceneTimeoutMilliseconds) {
                std::fprintf(stderr, "%s: the window did not appear\n", qPrintable(scene.name));
                shot = true;
                closeScene(scene, w);
            }
            return;
        }
        if (readySince < 0)
            readySince = clock.elapsed();
        if (clock.elapsed() - readySince < SettleMilliseconds)
            return;
        shot = true;
        const QString file = outDir.filePath(scene.name + QStringLiteral(".png"));
        ok = savePicture(w, file);
        if (!ok)
            std::fprintf(stderr, "%s: could not write %s\n", qPrintable(scene.name), qPrintable(file));
        closeScene(scene, w);
    });
    poll.start();
    QTimer::singleShot(0, [&] {
        scene.show();
        shown = true;
    });
    loop.exec();
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<Scene> scenes = tralex::screenshots::allScenes();
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    if (arguments.contains(QStringLiteral("--list"))) {
        for (const Scene& scene : scenes)
            std::printf("%s\n", qPrintable(scene.name));
        return 0;
    }

    QString outPath = QStringLiteral("screenshots");
    QStringList wanted;
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QStringLiteral("--out") && i + 1 < arguments.size())
            outPath = arguments[++i];
        else
            wanted << arguments[i];
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tralex"));
    tralex::InstallJapaneseFonts();

    QDir outDir;
    if (!outDir.mkpath(outPath)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(outPath));
        return 2;
    }
    outDir.setPath(outPath);

    int failures = 0;
    for (const QString& name : wanted) {
        const bool known = std::any_of(scenes.begin(), scenes.end(),
                                       [&](const Scene& s) { return s.name == name; });
        if (!known) {
            std::fprintf(stderr, "no scene named %s\n", qPrintable(name));
            ++failures;
        }
    }
    for (const Scene& scene : scenes) {
        if (!wanted.isEmpty() && !wanted.contains(scene.name))
            continue;
        if (runScene(scene, outDir))
            std::printf("%s\n", qPrintable(outDir.filePath(scene.name + QStringLiteral(".png"))));
        else
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}
