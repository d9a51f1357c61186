#pragma once
// An open folder, and the file operations done relative to it.
//
// A run opens the chosen folder once and reaches everything below it through descriptors of
// folders already opened, never following a symbolic link, so a folder that someone swaps for a
// link while the run goes on is not entered: no part of a path is looked up again after it was
// checked.
#include "platform/FolderListing.h"

#include <QByteArray>
#include <QString>

#include <cerrno>
#include <functional>
#include <optional>

namespace tralex {

// The device and inode of an open file or folder; none for a bad descriptor.
std::optional<FileIdentity> IdentityOf(int fd);

class FolderHandle {
public:
    FolderHandle() = default;
    ~FolderHandle();
    FolderHandle(FolderHandle&& other) noexcept;
    FolderHandle& operator=(FolderHandle&& other) noexcept;
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;

    // Opens a folder by its path (the user's choice: links on the way are followed).
    static FolderHandle Open(const QString& path);
    // Opens a folder inside this one; a symbolic link is refused (ELOOP or ENOTDIR).
    FolderHandle OpenChild(const QByteArray& name) const;
    // Opens the folder that holds an open folder.
    static FolderHandle OpenParent(int folder);
    // No folder, for the reason an errno value gives.
    static FolderHandle Failed(int error) { return FolderHandle(-1, error); }

    bool valid() const { return mFd >= 0; }
    int fd() const { return mFd; }
    // The errno of a failed open, 0 after a successful one.
    int error() const { return mError; }

    std::optional<FileIdentity> Identity() const;

    // Removes a regular file of this folder (never a link or a folder): 0 or an errno value;
    // ENOENT when there is no such file.
    int RemoveFile(const QByteArray& name) const;

private:
    explicit FolderHandle(int fd, int error) : mFd(fd), mError(error) {}
    int mFd = -1;
    int mError = EBADF;
};

// Whether a name read from the file system survives the trip to text and back; one that does not
// cannot be named again from its text and is never touched.
bool NameSurvivesText(const QByteArray& raw);

}  // namespace tralex
