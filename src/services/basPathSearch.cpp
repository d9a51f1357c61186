#include "services/basPathSearch.h"

#include "platform/FolderListing.h"
#include "services/basPathControl.h"
#include "services/clsFindFile.h"

#include <QSet>
#include <QStringList>

namespace tralex {

namespace {

const QChar Slash = QLatin1Char('/');

// The names of the folders directly inside a folder that are neither hidden nor links, in the
// order clsFindFile lists them.
QStringList childFolders(const QString& folder)
{
    QStringList names = ListSubfolders(folder).value_or(QStringList());
    names.removeIf([](const QString& name) { return name.startsWith(QLatin1Char('.')); });
    clsFindFile::SortNames(names);
    return names;
}

}  // namespace

QString GetDrivePart(const QString& vstrPath)
{
    if (IsBlank(vstrPath) || !vstrPath.startsWith(Slash))
        return QString();
    return QString(Slash);
}

QString GetPathBelowDrive(const QString& vstrPath)
{
    if (IsBlank(vstrPath))
        return QString();
    return vstrPath.startsWith(Slash) ? vstrPath.mid(1) : vstrPath;
}

void AddSubFolders(OrderedList& list)
{
    // The list itself is the queue: each entry is listed once, in list order, and its children
    // are appended at the end, which gives the level-by-level order.
    QSet<FileIdentity> seen;
    for (const QString& entry : list.items()) {
        if (const auto id = IdentityOf(entry))
            seen.insert(*id);
    }

    for (int position = 1; position <= list.Count(); ++position) {
        QString parent = list.Item(position);
        if (!parent.endsWith(Slash))
            parent += Slash;
        for (const QString& name : childFolders(parent)) {
            const QString child = parent + name + Slash;
            const auto id = IdentityOf(child);
            if (!id || seen.contains(*id))
                continue;
            seen.insert(*id);
            if (!list.Add(child, child))
                list.Add(child);
        }
    }
}

}  // namespace tralex
