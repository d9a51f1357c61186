#include "platform/FolderHandle.h"

#include <QFile>
#include <QStringList>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tralex {

namespace {

constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

}  // namespace

FolderHandle::~FolderHandle()
{
    if (mFd >= 0)
        ::close(mFd);
}

FolderHandle::FolderHandle(FolderHandle&& other) noexcept : mFd(other.mFd), mError(other.mError)
{
    other.mFd = -1;
    other.mError = EBADF;
}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept
{
    if (this != &other) {
        if (mFd >= 0)
            ::close(mFd);
        mFd = other.mFd;
        mError = other.mError;
        other.mFd = -1;
        other.mError = EBADF;
    }
    return *this;
}

FolderHandle FolderHandle::Open(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), FolderFlags);
    return FolderHandle(fd, fd >= 0 ? 0 : errno);
}

FolderHandle FolderHandle::OpenChild(const QByteArray& name) const
{
    const int fd = ::openat(mFd, name.constData(), FolderFlags | O_NOFOLLOW);
    return FolderHandle(fd, fd >= 0 ? 0 : errno);
}

FolderHandle FolderHandle::OpenParent(int folder)
{
    const int fd = ::openat(folder, "..", FolderFlags | O_NOFOLLOW);
    return FolderHandle(fd, fd >= 0 ? 0 : errno);
}

std::optional<FileIdentity> FolderHandle::Identity() const
{
    return IdentityOf(mFd);
}

std::optional<FileIdentity> IdentityOf(int fd)
{
    struct stat st{};
    if (fd < 0 || ::fstat(fd, &st) != 0)
        return std::nullopt;
    return FileIdentity{quint64(st.st_dev), quint64(st.st_ino)};
}

int FolderHandle::RemoveFile(const QByteArray& name) const
{
    struct stat st{};
    if (::fstatat(mFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (!S_ISREG(st.st_mode))
        return ENOENT;
    return ::unlinkat(mFd, name.constData(), 0) == 0 ? 0 : errno;
}

bool NameSurvivesText(const QByteArray& raw)
{
    return QFile::encodeName(QFile::decodeName(raw)) == raw;
}

}  // namespace tralex
