#pragma once
// Our stand-in for the office application's file search: the files of a folder (and, on request,
// of all its subfolders) whose names match a mask such as "*.xls", found in full when Execute is
// called, so that files written during the run never show up in the list being worked through.
// Names are matched and ordered as the folder listing does it (without regard to letter case);
// links are never followed into folders, and links to files are listed as links.
#include <QList>
#include <QString>

namespace tralex {

class OfficeFileSearch {
public:
    void setLookIn(const QString& folder) { mLookIn = folder; }
    void setFileName(const QString& mask) { mFileName = mask; }
    void setSearchSubFolders(bool value) { mSearchSubFolders = value; }

    // Searches and returns the number of files found.
    int Execute();
    int Count() const { return int(mFound.size()); }
    // The full path of the found file at a position from 1.
    QString FoundFile(int position) const;
    // Whether that entry is a symbolic link (never opened).
    bool IsSymLink(int position) const;

private:
    struct Found {
        QString path;
        bool isSymLink = false;
    };

    QString mLookIn;
    QString mFileName;
    bool mSearchSubFolders = false;
    QList<Found> mFound;
};

}  // namespace tralex
