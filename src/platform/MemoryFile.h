#pragma once
// An anonymous file in memory that keeps byte strings for later. Writing to it puts the bytes in
// pages the kernel takes for itself, without the page fault per 4 KiB a growing heap costs the
// process; each piece is read back whole. Nothing of it is ever on disk under a name, and it is
// gone with its last holder.
#include <QByteArray>
#include <QByteArrayView>

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
    // The bytes of a piece, or nothing when they cannot be read back whole.
    std::optional<QByteArray> Get(const Piece& piece) const;

private:
    explicit MemoryFile(int fd) : mFd(fd) {}
    int mFd;
    qint64 mEnd = 0;
};

// A piece of a memory file with the file it is in.
struct KeptPiece {
    std::shared_ptr<MemoryFile> file;
    MemoryFile::Piece piece;
    std::optional<QByteArray> Get() const { return file->Get(piece); }
};

}  // namespace tralex
