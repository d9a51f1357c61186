#include "app/basMain.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLockFile>
#include <QPointer>
#include <QStandardPaths>

#include "TralexVersion.h"
#include "app/frmMain.h"
#include "app/frmSplash.h"
#include "dialogs/JapaneseFonts.h"
#include "dialogs/Msg_Warning.h"
#include "platform/ProgramError.h"

namespace tralex {

namespace {

const QString ProgramName = QStringLiteral("Tralex");

// Set when the main window could not be loaded; the program then ends with exit code 1.
bool gblnStartFailed = false;

// The lock that only one running Tralex of a user can hold. It lives in the user's runtime
// folder, which is private to the user and emptied at log-out.
QString InstanceLockPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/tralex.lock");
}

// Whether another Tralex holds the lock. A lock left by a Tralex that was killed names a process
// that no longer runs and is taken over. When the lock cannot be made at all (no runtime folder,
// say), the program starts without the guard rather than not at all.
bool AnotherInstanceRuns(QLockFile& lock)
{
    lock.setStaleLockTime(0);
    return !lock.tryLock(0) && lock.error() == QLockFile::LockFailedError;
}

void ShowAlreadyRunning()
{
    Msg_Warning& warning = Msg_Warning::instance();
    warning.setMessage1(QStringLiteral("すでに") + ProgramName + QStringLiteral("は起動しています"));
    warning.setMessage2(QStringLiteral("なお、複数起動は出来ません"));
    warning.Show();
}

void ReportStartFailure(const QString& vstrDescription)
{
    gblnStartFailed = true;
    Msg_Warning& warning = Msg_Warning::instance();
    warning.setMessage1(ProgramName + QStringLiteral("を起動出来ませんでした"));
    warning.setMessage2(vstrDescription);
    warning.Show();
}

}  // namespace

int Main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(ProgramName);
    QApplication::setApplicationVersion(AppVersion());
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tralex.png")));
    InstallJapaneseFonts();

    QLockFile lock(InstanceLockPath());
    if (AnotherInstanceRuns(lock)) {
        ShowAlreadyRunning();
        return 1;
    }
    frmSplash::instance().Show();
    const int code = app.exec();
    return gblnStartFailed ? 1 : code;
}

void ShowMainWindow()
{
    static QPointer<QWidget> window;
    if (!window)
        window = OpenStartWindow([]() -> QWidget* { return new frmMain; });
    if (!window)
        return;
    window->show();
    window->raise();
    window->activateWindow();
}

QWidget* OpenStartWindow(const std::function<QWidget*()>& create)
{
    try {
        QWidget* window = create();
        window->show();
        return window;
    } catch (const ProgramError& e) {
        ReportStartFailure(e.description());
    } catch (const std::exception& e) {
        ReportStartFailure(QString::fromLocal8Bit(e.what()));
    }
    return nullptr;
}

}  // namespace tralex
