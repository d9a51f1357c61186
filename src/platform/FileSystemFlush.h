#pragma once
#include <QHash>

namespace tralex {

// Puts what a run wrote on stable storage once per file system at the end of the run, instead of
// flushing every file: the run notes each folder it wrote in, and Flush asks each file system
// touched to write out everything it holds.
class FileSystemFlush {
public:
    FileSystemFlush() = default;
    ~FileSystemFlush();
    FileSystemFlush(const FileSystemFlush&) = delete;
    FileSystemFlush& operator=(const FileSystemFlush&) = delete;

    // Notes a folder written in (an open descriptor; a copy of it is kept).
    void Note(int folderFd);
    // Flushes every file system noted and forgets them. False when one of them failed.
    bool Flush();

private:
    void forget();

    QHash<quint64, int> mFolders;  // device -> a folder on it
};

}  // namespace tralex
