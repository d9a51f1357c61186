#include "platform/FolderListing.h"

#include <QFile>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace tralex {

namespace {

FolderEntry::Kind kindOf(mode_t mode)
{
    if (S_ISLNK(mode))
        return FolderEntry::Kind::SymLink;
    if (S_ISDIR(mode))
        return FolderEntry::Kind::Folder;
    if (S_ISREG(mode))
        return FolderEntry::Kind::File;
    return FolderEntry::Kind::Other;
}

}  // namespace

std::optional<QList<FolderEntry>> ListFolder(const QString& folder,
                                             const std::function<bool(const QString&)>& accept)
{
    const QByteArray native = QFile::encodeName(folder.isEmpty() ? QStringLiteral(".") : folder);
    DIR* dir = ::opendir(native.constData());
    if (!dir)
        return std::nullopt;
    const int dirFd = ::dirfd(dir);

    QList<FolderEntry> entries;
    while (const dirent* d = ::readdir(dir)) {
        const char* raw = d->d_name;
        if (raw[0] == '.' && (raw[1] == '\0' || (raw[1] == '.' && raw[2] == '\0')))
            continue;
        FolderEntry entry;
        entry.name = QFile::decodeName(raw);
        if (!accept(entry.name))
            continue;
        struct stat st{};
        if (::fstatat(dirFd, raw, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;  // gone since the folder was read
        entry.kind = kindOf(st.st_mode);
        entry.lastWrite = QDateTime::fromMSecsSinceEpoch(
            qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000, Qt::UTC);
        entries.append(entry);
    }
    ::closedir(dir);
    return entries;
}

std::optional<QStringList> ListSubfolders(const QString& folder)
{
    const QByteArray native = QFile::encodeName(folder.isEmpty() ? QStringLiteral(".") : folder);
    DIR* dir = ::opendir(native.constData());
    if (!dir)
        return std::nullopt;
    const int dirFd = ::dirfd(dir);

    QStringList names;
    while (const dirent* d = ::readdir(dir)) {
        const char* raw = d->d_name;
        if (raw[0] == '.' && (raw[1] == '\0' || (raw[1] == '.' && raw[2] == '\0')))
            continue;
        bool isFolder = d->d_type == DT_DIR;
        if (d->d_type == DT_UNKNOWN) {
            struct stat st{};
            isFolder = ::fstatat(dirFd, raw, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
        }
        if (isFolder)
            names.append(QFile::decodeName(raw));
    }
    ::closedir(dir);
    return names;
}

std::optional<FileIdentity> IdentityOf(const QString& path)
{
    struct stat st{};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return FileIdentity{quint64(st.st_dev), quint64(st.st_ino)};
}

}  // namespace tralex
