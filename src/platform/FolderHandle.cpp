#include "platform/FolderHandle.h"

#include <QFile>
#include <QStringList>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tralex {

namespace {

constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Flushes a folder's own entries (the names made in it) to the disk.
void flushFolder(const QByteArray& path)
{
    const int fd = ::open(path.constData(), FolderFlags);
    if (fd >= 0) {
        (void)::fsync(fd);
        ::close(fd);
    }
}

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

std::optional<FileIdentity> FolderHandle::Identity() const
{
    struct stat st{};
    if (mFd < 0 || ::fstat(mFd, &st) != 0)
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

bool MakeFolderChain(const QString& path)
{
    QByteArray native = QFile::encodeName(path);
    while (native.size() > 1 && native.endsWith('/'))
        native.chop(1);
    struct stat st{};
    if (::stat(native.constData(), &st) == 0)
        return S_ISDIR(st.st_mode);
    // Each missing folder from the top down; the parent of each one made is flushed.
    const QList<QByteArray> parts = native.split('/');
    QByteArray sofar = native.startsWith('/') ? QByteArray("/") : QByteArray();
    for (const QByteArray& part : parts) {
        if (part.isEmpty())
            continue;
        const QByteArray parent = sofar.isEmpty() ? QByteArray(".") : sofar;
        if (!sofar.isEmpty() && !sofar.endsWith('/'))
            sofar += '/';
        sofar += part;
        if (::mkdir(sofar.constData(), 0777) == 0)
            flushFolder(parent);
        else if (errno != EEXIST)
            return false;
    }
    return ::stat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool NameSurvivesText(const QByteArray& raw)
{
    return QFile::encodeName(QFile::decodeName(raw)) == raw;
}

}  // namespace tralex
