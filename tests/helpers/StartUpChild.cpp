// Runs the program's real start-up (tralex::Main) for the single-instance tests and reports on
// standard output, one line each, the windows that appear:
//   "Msg_Warning<TAB>upper line<TAB>lower line"   (the warning is then answered with OK)
//   "frmSplash", "frmMain"                         (the first time each is seen)
// Usage: StartUpChild SETTINGS_FOLDER
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTimer>
#include <cstdio>

#include "app/basMain.h"
#include "platform/SettingsFolder.h"

namespace {

void report(const QString& line)
{
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

QString lineOf(QWidget* window, int index)
{
    auto* label = window->findChild<QLabel*>(QStringLiteral("lblMessage(%1)").arg(index));
    return label ? label->text() : QString();
}

void look()
{
    static QSet<QString> seen;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible())
            continue;
        const QString name = w->objectName();
        if (name == QStringLiteral("Msg_Warning")) {
            auto* ok = w->findChild<QPushButton*>(QStringLiteral("cmdOK"));
            if (!ok || !ok->isVisible())
                continue;
            report(name + QLatin1Char('\t') + lineOf(w, 0) + QLatin1Char('\t') + lineOf(w, 1));
            ok->click();
        } else if ((name == QStringLiteral("frmSplash") || name == QStringLiteral("frmMain"))
                   && !seen.contains(name)) {
            seen.insert(name);
            report(name);
        }
    }
}

// Runs as soon as Main has made its application object.
void watchWindows()
{
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, &look);
    timer->start(20);
}
Q_COREAPP_STARTUP_FUNCTION(watchWindows)

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1)
        tralex::OverrideSettingsFolder(QString::fromLocal8Bit(argv[1]));
    return tralex::Main(1, argv);
}
