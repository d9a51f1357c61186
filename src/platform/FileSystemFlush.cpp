#include "platform/FileSystemFlush.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tralex {

FileSystemFlush::~FileSystemFlush()
{
    forget();
}

void FileSystemFlush::Note(int folderFd)
{
    struct stat st{};
    if (::fstat(folderFd, &st) != 0 || mFolders.contains(quint64(st.st_dev)))
        return;
    const int copy = ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
    if (copy >= 0)
        mFolders.insert(quint64(st.st_dev), copy);
}

bool FileSystemFlush::Flush()
{
    bool ok = true;
    for (const int fd : std::as_const(mFolders))
        ok = ::syncfs(fd) == 0 && ok;
    forget();
    return ok;
}

void FileSystemFlush::forget()
{
    for (const int fd : std::as_const(mFolders))
        ::close(fd);
    mFolders.clear();
}

}  // namespace tralex
