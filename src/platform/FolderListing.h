#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QHashFunctions>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace tralex {

// One entry of a folder as the file system has it. A link is reported as a link, never as what
// it leads to.
struct FolderEntry {
    enum class Kind { File, Folder, SymLink, Other };  // Other: pipes, sockets, devices

    QString name;        // decoded from the file system's bytes; see nameIntact
    QByteArray rawName;  // the file system's own bytes
    // Whether name gives rawName back as UTF-8. A name that is not valid UTF-8 is read as
    // Windows-31J where it is that (nameShiftJis), else with U+FFFD for each bad byte; either way
    // its text may stand for another entry (a real "\xEF\xBF\xBD" or UTF-8 name), so such an
    // entry is reached only through rawName, or not at all (FileNameText.h).
    bool nameIntact = true;
    bool nameShiftJis = false;
    Kind kind = Kind::File;
    QDateTime lastWrite;
};

// The entries of an opened folder ("." and ".." left out, hidden ones included) in the order the
// file system gives them, only those whose name passes accept (nothing else is looked at).
// Nothing when the folder cannot be read. The descriptor is left open. With withTimes false,
// each entry's kind comes from the type the folder records where the file system keeps one,
// and its lastWrite is left invalid: no entry is looked at one by one.
std::optional<QList<FolderEntry>> ListFolderAt(int folderFd,
                                               const std::function<bool(const QString&)>& accept,
                                               bool withTimes = true);

// The folders directly inside an opened folder (not links to folders), in the order the file
// system gives them; hidden ones included. Entries of other kinds are told apart by the type the
// folder itself records where the file system keeps one, without looking at each. Nothing when
// the folder cannot be read. `otherEntry`, when given, sees the name of every file and link.
std::optional<QList<FolderEntry>> ListSubfoldersAt(
    int folderFd, const std::function<void(const char* name)>& otherEntry = {});

// Device and inode of a file or folder: equal for two paths to one folder.
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};
inline size_t qHash(const FileIdentity& id, size_t seed = 0)
{
    return ::qHash(id.device, seed) ^ ::qHash(id.inode, seed * 31 + 1);
}

}  // namespace tralex
