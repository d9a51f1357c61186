// Tralex: replaces many strings in many files in one run.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>

#include "app/basMain.h"
#include "dialogs/JapaneseFonts.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tralex"));
    QApplication::setApplicationVersion(tralex::AppVersion());
    tralex::InstallJapaneseFonts();

    // Stand-in main window until the real one is built.
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Tralex %1").arg(tralex::AppVersion()));
    auto* label = new QLabel(QStringLiteral("Tralex %1").arg(tralex::AppVersion()));
    label->setAlignment(Qt::AlignCenter);
    window.setCentralWidget(label);
    window.resize(480, 240);
    window.show();
    return app.exec();
}
