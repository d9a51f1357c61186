// Pictures of the file and folder picker: one per mode as the program's callers open it, and the
// new-folder panel. Each opens on a sample folder with Japanese names made under the temporary
// folder, remembered for the use in a DialogBox.ini of its own.
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

#include "ScreenshotScene.h"
#include "dialogs/frmDialogBox.h"
#include "platform/SettingsFolder.h"
#include "services/basIniControl.h"

namespace {

using tralex::frmDialogBox;

// The sample folder, made once: subfolders and list files a user of the program would have.
QString sampleFolder()
{
    const QString root = QDir::tempPath() + QStringLiteral("/tralex-picker-scenes/");
    const QString folder = root + QStringLiteral("置換作業/");
    QDir().mkpath(root + QStringLiteral("settings"));
    for (const char* sub : {"2023年度", "2024年度", "テンプレート", "backup", "顧客別リスト"})
        QDir().mkpath(folder + QString::fromUtf8(sub));
    for (const char* file : {"置換リスト.slt", "社名変更.slt", "顧客名変更_2024年度版.slt",
                             "old_list.SLT", "メモ.txt"}) {
        QFile f(folder + QString::fromUtf8(file));
        if (!f.exists() && f.open(QIODevice::WriteOnly))
            f.write("x");
    }
    tralex::OverrideSettingsFolder(root + QStringLiteral("settings"));
    return folder;
}

void openPicker(int mode, const QString& user, const QString& caption, const QString& mask,
                const QString& fileName = QString(), bool newFolderPanel = false)
{
    const QString folder = sampleFolder();
    tralex::WriteIniValue(frmDialogBox::IniFilePath(), QStringLiteral("COMMON"),
                          QStringLiteral("PREV_") + user, folder);
    frmDialogBox& picker = frmDialogBox::instance();
    picker.setMode(mode);
    picker.setUser(user);
    picker.setMask(mask);
    picker.setIniFileName(fileName);
    picker.setCaption(caption);
    if (newFolderPanel) {
        QTimer::singleShot(0, &picker, [&picker] {
            if (auto* button = picker.findChild<QToolButton*>(QStringLiteral("cmdShortCut(4)")))
                button->click();
        });
    }
    picker.exec();
}

const bool registered = tralex::screenshots::registerScenes({
    {QStringLiteral("frmDialogBox_mode1_folder"),
     [] { openPicker(1, QStringLiteral("Folder"), QStringLiteral("対象フォルダ選択"), QStringLiteral("*.*")); }},
    {QStringLiteral("frmDialogBox_mode2_open"),
     [] { openPicker(2, QStringLiteral("List_ReadSave"), QStringLiteral("置換ﾘｽﾄ読込"), QStringLiteral("*.slt")); }},
    {QStringLiteral("frmDialogBox_mode3_save"),
     [] {
         openPicker(3, QStringLiteral("Save"), QStringLiteral("ファイル保存"), QStringLiteral("*.*"),
                    QStringLiteral("結果一覧.txt"));
     }},
    {QStringLiteral("frmDialogBox_mode4_save_overwrite"),
     [] {
         openPicker(4, QStringLiteral("List_ReadSave"), QStringLiteral("置換ﾘｽﾄ保存"), QStringLiteral("*.slt"),
                    QStringLiteral("置換リスト.slt"));
     }},
    {QStringLiteral("frmDialogBox_new_folder_panel"),
     [] {
         openPicker(2, QStringLiteral("List_ReadSave"), QStringLiteral("置換ﾘｽﾄ読込"), QStringLiteral("*.slt"),
                    QString(), true);
     }},
});

}  // namespace
