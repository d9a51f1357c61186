// The picker's drive, folder and file lists.
//
// Drive1 lists the mounted volumes, "/" first. Dir1 shows the chain of open folders from "/" down
// to the open folder, then the open folder's subfolders; a double-click opens an entry, a single
// click only highlights it. File1 lists the open folder's files that match the mask. Entries whose
// names start with "." are hidden, as a file manager hides them.
#include "dialogs/frmDialogBox.h"

#include "platform/FolderPath.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStorageInfo>
#include <QStyle>


namespace tralex {

namespace {

constexpr int PathRole = Qt::UserRole;
constexpr int LevelRole = Qt::UserRole + 1;
constexpr int OpenRole = Qt::UserRole + 2;   // true for the chain of open folders

// Volumes a user can browse: pseudo and runtime file systems are left out.
bool isBrowsableVolume(const QStorageInfo& volume)
{
    if (!volume.isValid())
        return false;
    const QString root = volume.rootPath();
    for (const char* hidden : {"/run/", "/snap/", "/proc/", "/sys/", "/dev/", "/boot/efi/"}) {
        const QString prefix = QString::fromLatin1(hidden);
        if (WithFinalSlash(root).startsWith(prefix))
            return false;
    }
    return true;
}

}  // namespace

void frmDialogBox::fillDriveList()
{
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (isBrowsableVolume(volume) && volume.rootPath() != QLatin1String("/") &&
            !roots.contains(volume.rootPath()))
            roots.append(volume.rootPath());
    }
    roots.sort(Qt::CaseInsensitive);
    roots.prepend(QStringLiteral("/"));

    const QSignalBlocker blocker(Drive1);
    Drive1->clear();
    const QIcon icon = style()->standardIcon(QStyle::SP_DriveHDIcon);
    for (const QString& root : roots) {
        const QString name = QStorageInfo(root).displayName();
        const QString text = (name.isEmpty() || name == root)
                                 ? root
                                 : QStringLiteral("%1  [%2]").arg(root, name);
        Drive1->addItem(icon, text, root);
    }
}

// The entry of Drive1 whose volume holds the folder: the longest root the folder lies in.
int frmDialogBox::driveIndexOf(const QString& vstrFolder) const
{
    int best = -1;
    qsizetype bestLength = -1;
    const QString folder = WithFinalSlash(vstrFolder);
    for (int i = 0; i < Drive1->count(); ++i) {
        const QString root = WithFinalSlash(Drive1->itemData(i, PathRole).toString());
        if (folder.startsWith(root) && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    return best;
}

void frmDialogBox::selectDriveOf(const QString& vstrFolder)
{
    const int index = driveIndexOf(vstrFolder);
    if (index < 0)
        return;
    const QSignalBlocker blocker(Drive1);
    Drive1->setCurrentIndex(index);
    mcolFolderOfDrive.insert(Drive1->itemData(index, PathRole).toString(), mstrFolder);
}

// Opens a folder in Dir1 and shows its files in File1. A folder that does not exist or cannot be
// listed is refused and nothing changes.
bool frmDialogBox::openFolder(const QString& vstrFolder)
{
    if (vstrFolder.trimmed().isEmpty())
        return false;
    const QFileInfo info(vstrFolder);
    if (!info.isDir() || !info.isReadable() || !info.isExecutable())
        return false;
    mstrFolder = QDir::cleanPath(info.absoluteFilePath());
    selectDriveOf(mstrFolder);
    fillFolderList();
    fillFileList();
    setFullPathLabel(WithFinalSlash(mstrFolder));
    return true;
}

void frmDialogBox::fillFolderList()
{
    Dir1->clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);

    // The chain from "/" down to the open folder.
    QStringList chain;
    for (QString folder = mstrFolder;; folder = QFileInfo(folder).path()) {
        chain.prepend(folder);
        if (folder == QLatin1String("/") || QFileInfo(folder).path() == folder)
            break;
    }
    int level = 0;
    for (const QString& folder : chain) {
        const QString name = folder == QLatin1String("/") ? folder : QFileInfo(folder).fileName();
        auto* item = new QListWidgetItem(openIcon, name, Dir1);
        item->setData(PathRole, folder);
        item->setData(LevelRole, level++);
        item->setData(OpenRole, true);
    }
    const int openRow = Dir1->count() - 1;

    const QDir dir(mstrFolder);
    const QFileInfoList children =
        dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& child : children) {
        auto* item = new QListWidgetItem(closedIcon, child.fileName(), Dir1);
        item->setData(PathRole, QDir::cleanPath(child.absoluteFilePath()));
        item->setData(LevelRole, level);
    }
    Dir1->setCurrentRow(openRow);
}

void frmDialogBox::fillFileList()
{
    File1->clear();
    QStringList patterns;
    for (const QString& pattern : mstrMask.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (!pattern.trimmed().isEmpty())
            patterns.append(pattern.trimmed());
    }
    if (patterns.isEmpty())
        patterns.append(QStringLiteral("*"));
    // "*.*" means every file, also one without an extension.
    for (QString& pattern : patterns) {
        if (pattern == QLatin1String("*.*"))
            pattern = QStringLiteral("*");
    }
    QDir dir(mstrFolder);
    dir.setNameFilters(patterns);
    dir.setFilter(QDir::Files);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    const QSignalBlocker blocker(File1);
    File1->addItems(dir.entryList());
    File1->setCurrentRow(-1);
}

// A drive is chosen: Dir1 opens the folder last opened on that drive, or its root. A drive that
// is gone is reported and the lists return to the drive of the program's own folder.
void frmDialogBox::onDriveChanged(int vintIndex)
{
    if (vintIndex < 0)
        return;
    const QString root = Drive1->itemData(vintIndex, PathRole).toString();
    const QStorageInfo volume(root);
    const bool ready = QFileInfo(root).isDir() && volume.isValid() && volume.isReady() &&
                       WithFinalSlash(volume.rootPath()) == WithFinalSlash(root);
    if (!ready) {
        showWarning(QStringLiteral("ドライブの準備が出来ていません"));
        const QString programFolder = QCoreApplication::applicationDirPath();
        const int programDrive = driveIndexOf(programFolder);
        const QString programRoot =
            programDrive < 0 ? QStringLiteral("/") : Drive1->itemData(programDrive, PathRole).toString();
        if (!openFolder(mcolFolderOfDrive.value(programRoot, programRoot)))
            openFolder(programRoot);
        selectDriveOf(mstrFolder);
        arrangeControls();
        return;
    }
    if (!openFolder(mcolFolderOfDrive.value(root, root)))
        openFolder(root);
    arrangeControls();
}

void frmDialogBox::onFolderActivated(QListWidgetItem* item)
{
    if (item == nullptr)
        return;
    if (!openFolder(item->data(PathRole).toString()))
        fillFolderList();   // the entry went away behind our back: show what is there now
    arrangeControls();
}

void frmDialogBox::onFileSelected()
{
    const QListWidgetItem* item = File1->currentItem();
    if (item == nullptr)
        return;
    setFullPathLabel(WithFinalSlash(mstrFolder) + item->text());
    txtFileName->setText(item->text());
}

QString frmDialogBox::fileFolder() const { return WithFinalSlash(mstrFolder); }

}  // namespace tralex
