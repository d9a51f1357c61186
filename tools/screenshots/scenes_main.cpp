// Pictures of the main window: its three modes filled in as a user would have them, and a run in
// progress with the progress window in front and the current file in the progress label.
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

#include "ScreenshotScene.h"
#include "app/frmMain.h"
#include "dialogs/Msg_Waiting.h"
#include "platform/SettingsFolder.h"

namespace {

using tralex::frmMain;

QPointer<frmMain> mainWindow;

template <class T>
T* control(const char* name)
{
    return mainWindow->findChild<T*>(QString::fromLatin1(name));
}

// The main window in one mode, with a folder, a type and a few pairs filled in.
void showMain(int mode)
{
    const QString root = QDir::tempPath() + QStringLiteral("/tralex-main-scenes/");
    QDir().mkpath(root + QStringLiteral("settings"));
    QDir().mkpath(root + QStringLiteral("見積書/2024年度"));
    QDir().mkpath(root + QStringLiteral("backup"));
    tralex::OverrideSettingsFolder(root + QStringLiteral("settings"));

    mainWindow = new frmMain;
    control<QLineEdit>("txtPath")->setText(root + QStringLiteral("見積書/"));
    control<QComboBox>("cboExtension")->setEditText(QStringLiteral("txt"));
    control<QCheckBox>("chkSubFolder")->setChecked(true);
    control<QLineEdit>("txtBackUpPath")->setText(root + QStringLiteral("backup/"));
    const char* pairs[][2] = {{"株式会社サンプル", "株式会社見本"}, {"2023年度", "2024年度"},
                              {"担当：山田", "担当：佐藤"}};
    for (const auto& pair : pairs) {
        control<QPlainTextEdit>("txtFndStr")->setPlainText(QString::fromUtf8(pair[0]));
        control<QPlainTextEdit>("txtRepStr")->setPlainText(QString::fromUtf8(pair[1]));
        control<QPushButton>("cmdAction(4)")->click();
    }
    control<QPlainTextEdit>("txtFndStr")->setPlainText(QStringLiteral("旧住所"));
    control<QPlainTextEdit>("txtRepStr")->setPlainText(QStringLiteral("新住所"));
    control<QRadioButton>(QStringLiteral("optAction(%1)").arg(mode).toLatin1().constData())->click();
    mainWindow->show();
}

tralex::screenshots::Scene mainScene(const QString& name, std::function<void()> show)
{
    return {name, std::move(show), [] { return static_cast<QWidget*>(mainWindow.data()); },
            [] {
                tralex::Msg_Waiting& waiting = tralex::Msg_Waiting::instance();
                if (waiting.isLoaded())
                    waiting.Unload();
                // Deleted rather than closed: closing the main window ends the program.
                delete mainWindow;
            }};
}

const bool registered = tralex::screenshots::registerScenes({
    mainScene(QStringLiteral("frmMain_mode0_replace"), [] { showMain(0); }),
    mainScene(QStringLiteral("frmMain_mode1_delete"), [] { showMain(1); }),
    mainScene(QStringLiteral("frmMain_mode2_backupfolder"), [] { showMain(2); }),
    // An office type: the retry option does not apply and its caption greys with its box.
    mainScene(QStringLiteral("frmMain_mode0_office_type"),
              [] {
                  showMain(0);
                  auto* types = control<QComboBox>("cboExtension");
                  types->setEditText(QStringLiteral("xls"));
                  // The option follows the type when the type box loses the focus (sent here,
                  // since the window may not be active yet when the scene is set).
                  QFocusEvent leaving(QEvent::FocusOut, Qt::TabFocusReason);
                  QCoreApplication::sendEvent(types, &leaving);
              }),
    mainScene(QStringLiteral("frmMain_running"),
              [] {
                  showMain(0);
                  control<QLabel>("lblTarget")->setText(QStringLiteral("見積書_株式会社サンプル様.txt を置換中..."));
                  tralex::Msg_Waiting& waiting = tralex::Msg_Waiting::instance();
                  waiting.setPreForm(mainWindow);
                  waiting.setMessage1(QStringLiteral("ただいま、検索置換中です"));
                  waiting.setMessage2(QStringLiteral("しばらくお待ちください..."));
                  waiting.Show();
                  // A run shows its files counted and the file in hand, as the engine reports them.
                  waiting.ShowCount(412, 1980);
                  waiting.ShowItem(QStringLiteral("見積書_株式会社サンプル様.txt を置換中..."));
              }),
});

}  // namespace
