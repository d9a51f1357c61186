#include "services/FolderWalk.h"

#include "platform/FolderPath.h"
#include "services/clsFindFile.h"

#include <algorithm>

namespace tralex {

FolderWalk::FolderWalk(const QStringList& starts, bool subfolders)
{
    QSet<FileIdentity> seen;
    for (const QString& start : starts) {
        Folder folder;
        folder.path = WithFinalSlash(start);
        folder.identity = FolderHandle::Open(folder.path).Identity();
        if (folder.identity)
            seen.insert(*folder.identity);
        mFolders.append(folder);
    }
    if (!subfolders)
        return;
    // The list is its own queue: children are appended behind the level being read.
    for (qsizetype i = 0; i < mFolders.size(); ++i)
        listChildren(i, seen);
}

void FolderWalk::listChildren(qsizetype index, QSet<FileIdentity>& seen)
{
    const FolderHandle handle = Open(index);
    std::optional<QList<FolderEntry>> children;
    if (handle.valid())
        children = ListSubfoldersAt(handle.fd());
    if (!children)
        return;
    const QString parentPath = mFolders.at(index).path;
    children->removeIf([](const FolderEntry& e) { return e.name.startsWith(QLatin1Char('.')); });
    std::sort(children->begin(), children->end(), [](const FolderEntry& a, const FolderEntry& b) {
        return clsFindFile::NameLess(a.name, b.name);
    });
    for (const FolderEntry& child : std::as_const(*children)) {
        const QString path = parentPath + child.name + QLatin1Char('/');
        if (!child.nameIntact) {
            mNamesNotText.append(path);
            continue;
        }
        const std::optional<FileIdentity> id = handle.OpenChild(child.rawName).Identity();
        if (id && seen.contains(*id))
            continue;
        if (id)
            seen.insert(*id);
        mFolders.append(Folder{path, index, child.rawName, id});
    }
}

FolderHandle FolderWalk::Open(qsizetype index) const
{
    const Folder& folder = mFolders.at(index);
    FolderHandle handle;
    if (folder.parent < 0) {
        handle = FolderHandle::Open(folder.path);
    } else {
        if (mCachedIndex != folder.parent) {
            mCached = Open(folder.parent);
            mCachedIndex = folder.parent;
        }
        if (!mCached.valid())
            return FolderHandle::Failed(mCached.error());
        handle = mCached.OpenChild(folder.name);
    }
    if (handle.valid() && folder.identity && handle.Identity() != folder.identity)
        return FolderHandle::Failed(ESTALE);
    return handle;
}

}  // namespace tralex
