// Pictures of the about box and of the staff roll while its credits pass.
#include <QIcon>
#include <QLabel>
#include <QPointer>
#include <QTimer>

#include "ScreenshotScene.h"
#include "about/frmAbout.h"
#include "about/frmRoll.h"

namespace {

using tralex::frmAbout;
using tralex::frmRoll;

const bool registered = tralex::screenshots::registerScenes({
    {QStringLiteral("frmAbout"),
     [] {
         // The about box shows the icon of the window that opened it.
         static QPointer<QWidget> opener = new QWidget;
         opener->setWindowIcon(QIcon(QStringLiteral(":/tralex.png")));
         frmAbout& about = frmAbout::instance();
         about.setPreForm(opener);
         about.Show();
     }},
    {QStringLiteral("frmRoll"),
     [] {
         frmRoll& roll = frmRoll::instance();
         roll.setTanto(2, QStringLiteral("山田 太郎"));
         // Start the picture with its first credits already in view.
         QTimer::singleShot(0, &roll, [&roll] {
             if (auto* picture = roll.findChild<QLabel*>(QStringLiteral("picStaffRoll")))
                 picture->move(picture->x(), roll.height() / 3 - 360);
         });
         roll.Show();
     }},
});

}  // namespace
