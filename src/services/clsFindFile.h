#pragma once
#include "platform/FolderListing.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace tralex {

// Lists the entries of one folder that match a wildcard pattern, one name at a time.
//
// The mask is a folder path followed by a pattern as its last piece ("/data/sub/*.txt"). The
// folder is listed in full when the mask is set, so files renamed or written afterwards (backups,
// rewritten targets) never show up in, or drop out of, the listing being walked.
//
// Names come sorted without regard to letter case (the order NTFS shows), hidden entries
// included, "." and ".." left out. The pattern is matched without regard to letter case: "*" is
// any run of characters, "?" any one character, everything else stands for itself ("*.htm"
// matches a.HTM but not a.html; "*.*" matches every name, as it does on Windows).
//
// Symbolic links are listed as what they are and never followed: after a link, IsSymLink() is
// true and IsDir() false, even when the link points to a folder.
// Pipes, sockets and devices are left out. A name that is not valid UTF-8 is listed as its
// Windows-31J text where it is that, else with U+FFFD for each bad byte; either text may stand
// for another entry, so NameIsText() is false for it and a caller reaches it only through
// RawName(), or reports it instead of touching it.
class clsFindFile {
public:
    // Starts a new listing with this mask; a missing or unreadable folder lists nothing.
    void setFileMask(const QString& vstrMask);
    // The same for a folder already opened and a pattern alone; false when it cannot be read.
    // Without times the entries are not looked at one by one (where the file system records
    // their kinds), and LastWriteTime is not known.
    bool setFileMaskAt(int folderFd, const QString& pattern, bool withTimes = true);
    // The name (not the path) of the next matching entry; the empty text when there are no more.
    QString NextFile();

    // What NextFile returned last: a folder (not a link to one)?
    bool IsDir() const;
    // The last-write time of the entry NextFile returned last, in local time as
    // "yyyy/MM/dd H:mm:ss"; the current time when there is no such entry.
    QString LastWriteTime() const;
    // Whether the entry NextFile returned last is a symbolic link.
    bool IsSymLink() const;
    // Whether its name starts with "." (what counts as hidden here).
    bool IsHidden() const;
    // Its name as the file system has it, and whether the text name gives those bytes back.
    QByteArray RawName() const;
    bool NameIsText() const;

    // Every entry of the listing, the ones returned already included.
    const QList<FolderEntry>& Entries() const { return mEntries; }

    // Whether a name matches a wildcard pattern as described above.
    static bool MatchesPattern(const QString& name, const QString& pattern);
    // Sorts names the way the listing returns them.
    static void SortNames(QStringList& names);
    // Whether a name comes before another in that order.
    static bool NameLess(const QString& a, const QString& b);

private:
    void takeEntries(const QList<FolderEntry>& listed);

    QList<FolderEntry> mEntries;
    qsizetype mNext = 0;      // index of the entry NextFile returns next
    qsizetype mCurrent = -1;  // index of the entry NextFile returned last, -1 for none
};

}  // namespace tralex
