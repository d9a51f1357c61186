#include "platform/office/OfficeFileSearch.h"

#include "engines/BackUpFile.h"
#include "services/OrderedList.h"
#include "services/basPathSearch.h"
#include "services/clsFindFile.h"

namespace tralex {

int OfficeFileSearch::Execute()
{
    mFound.clear();
    OrderedList folders;
    folders.Add(mLookIn.endsWith(QLatin1Char('/')) ? mLookIn : mLookIn + QLatin1Char('/'));
    if (mSearchSubFolders)
        AddSubFolders(folders);
    for (const QString& folder : folders.items()) {
        clsFindFile search;
        search.setFileMask(JoinPath(folder, mFileName));
        for (QString name = search.NextFile(); !name.isEmpty(); name = search.NextFile()) {
            if (!search.IsDir())
                mFound.append({JoinPath(folder, name), search.IsSymLink()});
        }
    }
    return Count();
}

QString OfficeFileSearch::FoundFile(int position) const
{
    return mFound.at(position - 1).path;
}

bool OfficeFileSearch::IsSymLink(int position) const
{
    return mFound.at(position - 1).isSymLink;
}

}  // namespace tralex
