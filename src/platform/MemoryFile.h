#pragma once
// An anonymous file in memory that keeps byte strings for later. Writing to it puts the bytes in
// pages the kernel takes for itself, without the page fault per 4 KiB a growing heap costs the
// process; each piece is copied out whole by the kernel, into the file it is for, without
// passing through the process again. Nothing of it is ever on disk under a name, and it is gone
// with its last holder.
#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <memory>
#include <optional>

namespace tralex {

class MemoryFile {
public:
    // A new, empty file; nullptr when the system cannot make one.
    static std::shared_ptr<MemoryFile> Create();
    ~MemoryFile();
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    // Where a piece was put.
    struct Piece {
        qint64 offset = 0;
        qint64 size = 0;
    };
    // Appends the bytes; nothing when they could not all be written (memory short, say).
    std::optional<Piece> Put(QByteArrayView bytes);
    // Gives a piece to `copy` (a CopyBytes): from this file, at the piece's place. Returns what
    // copy returns.
    int Copy(const Piece& piece, const std::function<int(int from, qint64 offset, qint64 size)>& copy) const
    {
        return copy(mFd, piece.offset, piece.size);
    }

private:
    explicit MemoryFile(int fd) : mFd(fd) {}
    int mFd;
    qint64 mEnd = 0;
};

// A piece of a memory file with the file it is in, and the hash of its bytes (as a run's
// journal takes it) for whoever writes it out without reading it.
struct KeptPiece {
    std::shared_ptr<MemoryFile> file;
    MemoryFile::Piece piece;
    QByteArray hash;
};

}  // namespace tralex
