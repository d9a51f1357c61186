#pragma once
#include "platform/FolderHandle.h"
#include "services/ExcludedFolders.h"

#include <QList>
#include <QString>
#include <QSet>
#include <QStringList>

#include <functional>

namespace tralex {

// Every folder below some starting folders, found level by level through folder descriptors:
// the children of one level in the order of their parents, each parent's children in the order
// clsFindFile lists them. Hidden folders (names starting with ".") and everything inside them are
// left out, symbolic links are never followed, and a folder reached a second time (through a bind
// mount, or one of the starting folders again) is listed once.
//
// Each folder is kept as its name and the index of its parent, and its path is made when asked
// for: the memory grows with the number of folders, not with the length of their paths, so that
// a chain of folders thousands deep costs no more than as many folders side by side.
//
// A folder whose name is not text (not valid UTF-8, nor Windows-31J where the walk takes such
// names) is not walked into, since its text name may stand for another folder; it is kept in
// NamesNotText so that a run can say so instead of leaving it out silently. A folder that cannot
// be opened is listed all the same: opening it again (Open) gives the reason. A folder whose
// subfolders could not be listed for want of memory is kept in NotListed; the walk goes on.
class FolderWalk {
public:
    // Lists the subfolders of an opened folder (ListSubfoldersAt); replaceable to inject faults.
    using SubfolderLister = std::function<std::optional<QList<FolderEntry>>(int folderFd)>;

    struct Options {
        bool subfolders = true;
        // Whether Windows-31J names are walked into (by their bytes); otherwise they are not
        // text, for callers that name folders by their paths.
        bool shiftJisNames = false;
        SubfolderLister listSubfolders;  // empty: ListSubfoldersAt
        ExcludedFolders excluded;        // folders left out, with everything below them
        // Whether an entry of a folder that is not a folder counts in FilesCounted (a name as
        // the file system has it); empty: none is counted. Only the file system's own listing
        // counts.
        std::function<bool(const char* name)> countsFile;
    };

    struct Folder {
        qsizetype parent = -1;  // index of the folder it was found in; -1 for a starting folder
        QByteArray name;        // its name in the parent, as the file system has it
        std::optional<FileIdentity> identity;
    };

    // Walks below the starting folders (paths ending with "/"), which come first in Folders().
    // Without subfolders, Folders() holds the starting folders alone.
    explicit FolderWalk(const QStringList& starts, const Options& options);
    explicit FolderWalk(const QStringList& starts) : FolderWalk(starts, Options()) {}

    const QList<Folder>& Folders() const { return mFolders; }
    // The path of a listed folder as the user reads it, ending with "/": the starting folder
    // as given, then each name as text, a Windows-31J name followed by its mark.
    QString Path(qsizetype index) const;
    // The names below its starting folder as the file system has them, each followed by "/";
    // empty for a starting folder.
    QByteArray RawPathBelowStart(qsizetype index) const;
    // The paths (ending with "/") of the folders left out for their names.
    QStringList NamesNotText() const;
    // The folders whose subfolders could not be listed for want of memory.
    const QList<qsizetype>& NotListed() const { return mNotListed; }
    // How many entries of the listed folders Options::countsFile counted.
    qint64 FilesCounted() const { return mFilesCounted; }

    // Opens a listed folder again, each step relative to its parent without following links.
    // Fails (ESTALE, ELOOP, ENOTDIR, ENOENT ...) when the name no longer leads to the very folder
    // that was listed, such as one swapped for a link meanwhile.
    FolderHandle Open(qsizetype index) const;

private:
    void listChildren(qsizetype index, QSet<FileIdentity>& seen);
    void addChildren(qsizetype index, const FolderHandle& handle, QSet<FileIdentity>& seen);
    // The index of its starting folder, and the names from there down (each folder's index).
    QList<qsizetype> chain(qsizetype index) const;
    FolderHandle openDown(qsizetype index) const;
    // The handle, or ESTALE when it is not the folder that was listed.
    static FolderHandle verified(FolderHandle handle, const Folder& folder);

    Options mOptions;
    QStringList mStarts;
    QList<Folder> mFolders;
    QList<Folder> mNotText;  // parent and name of each folder left out for its name
    QList<qsizetype> mNotListed;
    qint64 mFilesCounted = 0;
    // The folder opened last as a parent: siblings follow one another, so most opens are one step.
    mutable qsizetype mCachedIndex = -1;
    mutable FolderHandle mCached;
};

}  // namespace tralex
