// Saving the replacement list to a list file (".slt") and loading it back, through the picker.
#include "app/frmMain.h"
#include "dialogs/Msg_Warning.h"
#include "dialogs/basFormLayout.h"
#include "dialogs/frmDialogBox.h"
#include "services/basListFile.h"
#include "services/basPathControl.h"

namespace tralex {

namespace {

// The picker for list files in one of its file modes; the chosen path, or the empty text when the
// user cancelled.
QString pickListFile(int vintMode, const QString& vstrCaption)
{
    frmDialogBox& picker = frmDialogBox::instance();
    picker.setMode(vintMode);
    picker.setUser(QStringLiteral("List_ReadSave"));
    picker.setMask(QStringLiteral("*.slt"));
    picker.setCaption(vstrCaption);
    picker.exec();
    const QString path = picker.FullPathName();
    return IsBlank(path) ? QString() : path;
}

}  // namespace

void frmMain::SaveList()
{
    const QString path = pickListFile(4, QStringLiteral("置換ﾘｽﾄ保存"));
    if (path.isEmpty())
        return;
    WriteListFile(path, mPairList->items());
    Msg_Warning& warning = Msg_Warning::instance();
    warning.setColor(RGB(0, 0, 128));
    warning.setMessage2(QStringLiteral("保存しました"));
    warning.Show();
}

// The file is read whole before the list changes, so a file that cannot be opened or decoded
// leaves the list as it was.
void frmMain::LoadList()
{
    const QString path = pickListFile(2, QStringLiteral("置換ﾘｽﾄ読込"));
    if (path.isEmpty())
        return;
    const QList<ListPair> pairs = ReadListFile(path);
    ClearPairs();
    for (const ListPair& pair : pairs)
        AddPair(pair.find, pair.replace);
    RefreshList();
}

}  // namespace tralex
