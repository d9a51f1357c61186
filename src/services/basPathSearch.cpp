#include "services/basPathSearch.h"

#include "services/FolderWalk.h"
#include "services/basPathControl.h"

namespace tralex {

namespace {

const QChar Slash = QLatin1Char('/');

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
    const FolderWalk walk(list.items());
    for (qsizetype i = list.items().size(); i < walk.Folders().size(); ++i) {
        const QString child = walk.Path(i);
        if (!list.Add(child, child))
            list.Add(child);
    }
}

}  // namespace tralex
