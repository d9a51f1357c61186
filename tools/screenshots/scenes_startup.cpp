// Picture of the splash window as the program shows it at start.
#include <QApplication>
#include <QIcon>

#include "ScreenshotScene.h"
#include "app/frmSplash.h"

namespace {

using tralex::frmSplash;

const bool registered = tralex::screenshots::registerScenes({
    {QStringLiteral("frmSplash"),
     [] {
         QApplication::setWindowIcon(QIcon(QStringLiteral(":/tralex.png")));
         frmSplash::instance().Show();
     },
     [] { return static_cast<QWidget*>(&frmSplash::instance()); },
     // Closed before its timer opens the main window.
     [] { frmSplash::instance().close(); }},
});

}  // namespace
