#include "services/FolderWalk.h"

#include "platform/FileNameText.h"
#include "platform/FolderPath.h"
#include "services/clsFindFile.h"

#include <algorithm>
#include <new>

namespace tralex {

FolderWalk::FolderWalk(const QStringList& starts, const Options& options) : mOptions(options)
{
    QSet<FileIdentity> seen;
    for (const QString& start : starts) {
        Folder folder;
        mStarts.append(WithFinalSlash(start));
        folder.identity = FolderHandle::Open(mStarts.last()).Identity();
        if (folder.identity)
            seen.insert(*folder.identity);
        mFolders.append(folder);
    }
    if (!mOptions.subfolders)
        return;
    // The list is its own queue: children are appended behind the level being read.
    for (qsizetype i = 0; i < mFolders.size(); ++i)
        listChildren(i, seen);
}

void FolderWalk::listChildren(qsizetype index, QSet<FileIdentity>& seen)
{
    const FolderHandle handle = Open(index);
    if (!handle.valid())
        return;
    try {
        addChildren(index, handle, seen);
    } catch (const std::bad_alloc&) {
        // One folder with more subfolders than the memory holds: the others are still walked.
        mNotListed.append(index);
    }
}

void FolderWalk::addChildren(qsizetype index, const FolderHandle& handle, QSet<FileIdentity>& seen)
{
    // The file system's own listing sees the other entries too, and counts them on the way.
    std::optional<QList<FolderEntry>> children =
        mOptions.listSubfolders ? mOptions.listSubfolders(handle.fd())
                                : ListSubfoldersAt(handle.fd(), [this](const char* name) {
                                      if (mOptions.countsFile && mOptions.countsFile(name))
                                          ++mFilesCounted;
                                  });
    if (!children)
        return;
    children->removeIf([this](const FolderEntry& e) {
        return e.name.startsWith(QLatin1Char('.')) || mOptions.excluded.Excludes(e.name);
    });
    std::sort(children->begin(), children->end(), [](const FolderEntry& a, const FolderEntry& b) {
        return clsFindFile::NameLess(a.name, b.name);
    });
    for (const FolderEntry& child : std::as_const(*children)) {
        if (!child.nameIntact && !(child.nameShiftJis && mOptions.shiftJisNames)) {
            mNotText.append(Folder{index, child.rawName, std::nullopt});
            continue;
        }
        const std::optional<FileIdentity> id = handle.OpenChild(child.rawName).Identity();
        if (id && seen.contains(*id))
            continue;
        if (id)
            seen.insert(*id);
        mFolders.append(Folder{index, child.rawName, id});
    }
}

QList<qsizetype> FolderWalk::chain(qsizetype index) const
{
    QList<qsizetype> indices;
    for (qsizetype i = index; i >= 0; i = mFolders.at(i).parent)
        indices.prepend(i);
    return indices;
}

QString FolderWalk::Path(qsizetype index) const
{
    const QList<qsizetype> indices = chain(index);
    QString path = mStarts.at(indices.first());
    for (qsizetype k = 1; k < indices.size(); ++k) {
        path += ShownFileName(DecodeFileName(mFolders.at(indices.at(k)).name));
        path += QLatin1Char('/');
    }
    return path;
}

QByteArray FolderWalk::RawPathBelowStart(qsizetype index) const
{
    const QList<qsizetype> indices = chain(index);
    QByteArray path;
    for (qsizetype k = 1; k < indices.size(); ++k)
        path += mFolders.at(indices.at(k)).name + '/';
    return path;
}

QStringList FolderWalk::NamesNotText() const
{
    QStringList paths;
    for (const Folder& folder : mNotText)
        paths.append(Path(folder.parent) + DecodeFileName(folder.name).text + QLatin1Char('/'));
    return paths;
}

FolderHandle FolderWalk::Open(qsizetype index) const
{
    const Folder& folder = mFolders.at(index);
    if (folder.parent < 0)
        return verified(FolderHandle::Open(mStarts.at(index)), folder);
    if (mCachedIndex != folder.parent) {
        mCached = openDown(folder.parent);
        mCachedIndex = folder.parent;
    }
    if (!mCached.valid())
        return FolderHandle::Failed(mCached.error());
    return verified(mCached.OpenChild(folder.name), folder);
}

FolderHandle FolderWalk::openDown(qsizetype index) const
{
    // Up to the cached folder when it is an ancestor, else to the starting folder; then down,
    // one step at a time: no recursion, however deep the folder.
    QList<qsizetype> below;
    qsizetype top = index;
    while (top != mCachedIndex && mFolders.at(top).parent >= 0) {
        below.append(top);
        top = mFolders.at(top).parent;
    }
    FolderHandle handle;
    if (top != mCachedIndex)
        handle = Open(top);
    const FolderHandle* from = top == mCachedIndex ? &mCached : &handle;
    for (auto it = below.crbegin(); it != below.crend(); ++it) {
        if (!from->valid())
            return FolderHandle::Failed(from->error());
        FolderHandle next = verified(from->OpenChild(mFolders.at(*it).name), mFolders.at(*it));
        handle = std::move(next);
        from = &handle;
    }
    return handle;
}

FolderHandle FolderWalk::verified(FolderHandle handle, const Folder& folder)
{
    if (handle.valid() && folder.identity && handle.Identity() != folder.identity)
        return FolderHandle::Failed(ESTALE);
    return handle;
}

}  // namespace tralex
