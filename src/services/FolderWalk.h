#pragma once
#include "platform/FolderHandle.h"

#include <QList>
#include <QString>
#include <QSet>
#include <QStringList>

namespace tralex {

// Every folder below some starting folders, found level by level through folder descriptors:
// the children of one level in the order of their parents, each parent's children in the order
// clsFindFile lists them. Hidden folders (names starting with ".") and everything inside them are
// left out, symbolic links are never followed, and a folder reached a second time (through a bind
// mount, or one of the starting folders again) is listed once.
//
// A folder whose name is not text (not valid UTF-8) is not walked into, since its text name may
// stand for another folder; it is kept in NamesNotText so that a run can say so instead of
// leaving it out silently. A folder that cannot be opened is listed all the same: opening it
// again (Open) gives the reason.
class FolderWalk {
public:
    struct Folder {
        QString path;          // ending with "/"
        qsizetype parent = -1; // index of the folder it was found in; -1 for a starting folder
        QByteArray name;       // its name in the parent, as the file system has it
        std::optional<FileIdentity> identity;
    };

    // Walks below the starting folders (paths ending with "/"), which come first in Folders().
    // Without subfolders, Folders() holds the starting folders alone.
    explicit FolderWalk(const QStringList& starts, bool subfolders = true);

    const QList<Folder>& Folders() const { return mFolders; }
    // The paths (ending with "/") of the folders left out for their names.
    const QStringList& NamesNotText() const { return mNamesNotText; }

    // Opens a listed folder again, each step relative to its parent without following links.
    // Fails (ESTALE, ELOOP, ENOTDIR, ENOENT ...) when the name no longer leads to the very folder
    // that was listed, such as one swapped for a link meanwhile.
    FolderHandle Open(qsizetype index) const;

private:
    void listChildren(qsizetype index, QSet<FileIdentity>& seen);

    QList<Folder> mFolders;
    QStringList mNamesNotText;
    // The folder opened last as a parent: siblings follow one another, so most opens are one step.
    mutable qsizetype mCachedIndex = -1;
    mutable FolderHandle mCached;
};

}  // namespace tralex
