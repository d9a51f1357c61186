#pragma once
#include <QDateTime>
#include <QHashFunctions>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace tralex {

// One entry of a folder as the file system has it. A link is reported as a link, never as what
// it leads to.
struct FolderEntry {
    enum class Kind { File, Folder, SymLink, Other };  // Other: pipes, sockets, devices

    QString name;   // decoded from the file system's bytes; names that are not valid UTF-8 get
                    // U+FFFD for each bad byte and then no longer name the entry
    Kind kind = Kind::File;
    QDateTime lastWrite;
};

// The entries of a folder ("." and ".." left out, hidden ones included) in the order the file
// system gives them, only those whose name passes accept (nothing else is looked at). Nothing
// when the folder cannot be opened.
std::optional<QList<FolderEntry>> ListFolder(const QString& folder,
                                             const std::function<bool(const QString&)>& accept);

// The names of the folders directly inside a folder (not links to folders), in the order the
// file system gives them; hidden ones included. Entries of other kinds are told apart by the
// type the folder itself records where the file system keeps one, without looking at each.
// Nothing when the folder cannot be opened.
std::optional<QStringList> ListSubfolders(const QString& folder);

// Device and inode of what a path names (links followed): equal for two paths to one folder.
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};
inline size_t qHash(const FileIdentity& id, size_t seed = 0)
{
    return ::qHash(id.device, seed) ^ ::qHash(id.inode, seed * 31 + 1);
}
std::optional<FileIdentity> IdentityOf(const QString& path);

}  // namespace tralex
