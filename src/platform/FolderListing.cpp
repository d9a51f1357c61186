#include "platform/FolderListing.h"

#include "platform/FileNameText.h"
#include "platform/FolderHandle.h"

#include <QFile>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The kind the folder records for an entry; nothing where the file system keeps none.
std::optional<FolderEntry::Kind> recordedKind(unsigned char type)
{
    switch (type) {
    case DT_REG: return FolderEntry::Kind::File;
    case DT_DIR: return FolderEntry::Kind::Folder;
    case DT_LNK: return FolderEntry::Kind::SymLink;
    case DT_UNKNOWN: return std::nullopt;
    default: return FolderEntry::Kind::Other;
    }
}

bool isDotOrDotDot(const char* raw)
{
    return raw[0] == '.' && (raw[1] == '\0' || (raw[1] == '.' && raw[2] == '\0'));
}

FolderEntry entryNamed(const char* raw)
{
    FolderEntry entry;
    entry.rawName = QByteArray(raw);
    FileNameText text = DecodeFileName(entry.rawName);
    entry.name = std::move(text.text);
    entry.nameIntact = text.form == NameForm::Utf8;
    entry.nameShiftJis = text.form == NameForm::ShiftJis;
    return entry;
}

// Reads every entry of an opened folder through a descriptor of its own, so the caller's stays
// open and unmoved.
template <typename Visit>
bool readEntries(int folderFd, Visit visit)
{
    const int own = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (own < 0)
        return false;
    DIR* dir = ::fdopendir(own);
    if (!dir) {
        ::close(own);
        return false;
    }
    while (const dirent* d = ::readdir(dir)) {
        if (!isDotOrDotDot(d->d_name))
            visit(own, *d);
    }
    ::closedir(dir);
    return true;
}

}  // namespace

std::optional<QList<FolderEntry>> ListFolderAt(int folderFd,
                                               const std::function<bool(const QString&)>& accept,
                                               bool withTimes)
{
    QList<FolderEntry> entries;
    const bool read = readEntries(folderFd, [&](int fd, const dirent& d) {
        FolderEntry entry = entryNamed(d.d_name);
        if (!accept(entry.name))
            return;
        if (const std::optional<FolderEntry::Kind> kind = recordedKind(d.d_type); kind && !withTimes) {
            entry.kind = *kind;
            entries.append(entry);
            return;
        }
        struct stat st{};
        if (::fstatat(fd, d.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return;  // gone since the folder was read
        entry.kind = kindOf(st.st_mode);
        entry.lastWrite = QDateTime::fromMSecsSinceEpoch(
            qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000, Qt::UTC);
        entries.append(entry);
    });
    if (!read)
        return std::nullopt;
    return entries;
}

std::optional<QList<FolderEntry>> ListSubfoldersAt(
    int folderFd, const std::function<void(const char* name)>& otherEntry)
{
    QList<FolderEntry> entries;
    const bool read = readEntries(folderFd, [&](int fd, const dirent& d) {
        bool isFolder = d.d_type == DT_DIR;
        if (d.d_type == DT_UNKNOWN) {
            struct stat st{};
            isFolder = ::fstatat(fd, d.d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
        }
        if (isFolder) {
            FolderEntry entry = entryNamed(d.d_name);
            entry.kind = FolderEntry::Kind::Folder;
            entries.append(entry);
        } else if (otherEntry && (d.d_type == DT_REG || d.d_type == DT_LNK || d.d_type == DT_UNKNOWN)) {
            otherEntry(d.d_name);
        }
    });
    if (!read)
        return std::nullopt;
    return entries;
}

}  // namespace tralex
