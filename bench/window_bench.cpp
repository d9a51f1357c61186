// Runs the text engine through the main window on Qt's offscreen platform, as a person starts a run
// from it, to compare with tralex_bench (the engine alone) on the same folder.
//
//   window_bench [--subfolders] TYPE FOLDER FIND REPLACE [FIND REPLACE ...]
//       Types the folder, the type and the pairs into the window, presses "実行", and times the run
//       from the press until the outcome message appears (the progress window, the per-file
//       progress texts and the processing of pending events included). Prints the numbers of
//       changed and skipped files and the time, in the form tralex_bench uses.
//
// The options match tralex_bench's defaults: case-sensitive, retry option off, backups beside the
// files. The settings files of the run go to a temporary folder.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>

#include "BenchSettings.h"
#include "app/frmMain.h"
#include "app/frmResultList.h"
#include "dialogs/Msg_Warning.h"
#include "engines/TralexEngine.h"

using namespace tralex;

namespace {

int usage()
{
    std::fprintf(stderr, "usage: window_bench [--subfolders] TYPE FOLDER FIND REPLACE [FIND REPLACE ...]\n");
    return 2;
}

template <class T>
T* control(QWidget* window, const char* name)
{
    return window->findChild<T*>(QString::fromLatin1(name));
}

// Fills the window's fields as the run needs them.
void fillWindow(frmMain& window, const QString& type, const QString& folder, const QStringList& pairs,
                bool subFolders)
{
    control<QLineEdit>(&window, "txtPath")->setText(folder);
    control<QComboBox>(&window, "cboExtension")->setEditText(type);
    control<QCheckBox>(&window, "chkSubFolder")->setChecked(subFolders);
    control<QCheckBox>(&window, "chkRetryOption")->setChecked(false);
    control<QCheckBox>(&window, "chkUcaseOption")->setChecked(true);
    for (qsizetype i = 0; i + 1 < pairs.size(); i += 2) {
        control<QPlainTextEdit>(&window, "txtFndStr")->setPlainText(pairs[i]);
        control<QPlainTextEdit>(&window, "txtRepStr")->setPlainText(pairs[i + 1]);
        control<QPushButton>(&window, "cmdAction(4)")->click();
    }
}

// Closes a modal window as soon as it shows, after noting the moment.
class Answerer : public QObject {
public:
    Answerer(QDialog* dialog, std::function<void()> shown) : mDialog(dialog), mShown(std::move(shown))
    {
        dialog->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == mDialog && event->type() == QEvent::Show) {
            mShown();
            QTimer::singleShot(0, mDialog, [dialog = mDialog] { dialog->accept(); });
        }
        return false;
    }

private:
    QDialog* mDialog;
    std::function<void()> mShown;
};

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    bool subFolders = false;
    if (args.value(0) == QStringLiteral("--subfolders")) {
        subFolders = true;
        args.removeFirst();
    }
    if (args.size() < 4 || args.size() % 2 != 0)
        return usage();
    const QString type = args.takeFirst();
    const QString folder = args.takeFirst();

    QTemporaryDir settings;
    if (!bench::UseTemporarySettings(settings, type))
        return 1;

    frmMain window;
    window.show();
    fillWindow(window, type, folder, args, subFolders);

    // The outcome message ends the timed part; it and the result list are answered as soon as they
    // show, without a polling timer that would add work to every event the run processes.
    QElapsedTimer clock;
    double seconds = -1;
    Answerer warning(&Msg_Warning::instance(), [&] { seconds = clock.nsecsElapsed() / 1e9; });
    Answerer results(&frmResultList::instance(), [] {});
    clock.start();
    control<QPushButton>(&window, "cmdAction(0)")->click();

    const RunResult& result = frmResultList::instance().Result();
    if (seconds < 0 || result.isEmpty()) {
        std::fprintf(stderr, "the run did not finish with a result\n");
        return 1;
    }
    std::printf("changed %d, skipped %d, %.3f s\n", int(result.changed.size()), int(result.skipped.size()), seconds);
    window.close();
    return 0;
}
