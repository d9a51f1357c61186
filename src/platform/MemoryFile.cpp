#include "platform/MemoryFile.h"

#include <cerrno>
#include <sys/mman.h>
#include <unistd.h>

namespace tralex {

std::shared_ptr<MemoryFile> MemoryFile::Create()
{
    const int fd = ::memfd_create("tralex-kept", MFD_CLOEXEC);
    if (fd < 0)
        return nullptr;
    return std::shared_ptr<MemoryFile>(new MemoryFile(fd));
}

MemoryFile::~MemoryFile()
{
    ::close(mFd);
}

std::optional<MemoryFile::Piece> MemoryFile::Put(QByteArrayView bytes)
{
    const Piece piece{mEnd, bytes.size()};
    for (qint64 done = 0; done < bytes.size();) {
        const ssize_t n = ::pwrite(mFd, bytes.data() + done, size_t(bytes.size() - done), off_t(mEnd + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // What was written of it is given back; the file ends where it did.
            while (::ftruncate(mFd, off_t(mEnd)) != 0 && errno == EINTR) {
            }
            return std::nullopt;
        }
        done += n;
    }
    mEnd += bytes.size();
    return piece;
}

}  // namespace tralex
