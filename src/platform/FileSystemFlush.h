#pragma once
#include <QHash>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace tralex {

// Puts what a run wrote on stable storage once per file system at the end of the run, instead of
// flushing every file: the run notes each folder it wrote in, and Flush asks each file system
// touched to write out everything it holds.
//
// While the run goes on, a background thread asks the noted file systems to write out now and
// then, and as soon as enough has been written since the last time, so that the inodes and folders
// already changed go to the disk in parallel with the run and the flush at the end has little left
// to wait for. Only the flush at the end is relied upon.
class FileSystemFlush {
public:
    FileSystemFlush() = default;
    virtual ~FileSystemFlush();
    FileSystemFlush(const FileSystemFlush&) = delete;
    FileSystemFlush& operator=(const FileSystemFlush&) = delete;

    // Whether the background thread runs (on by default). A run whose files another program
    // writes on the same disk at the same time (the office application) is faster with one flush
    // at its end only.
    void setFlushWhileRunning(bool value) { mFlushWhileRunning = value; }

    // Notes a folder written in (an open descriptor; a copy of it is kept).
    void Note(int folderFd);
    // The same for a folder whose file system (st_dev) the caller knows.
    void Note(int folderFd, quint64 device);
    // Counts bytes written to the noted file systems: once enough are waiting, the background
    // thread writes them out at once rather than at its next turn.
    void Wrote(qint64 bytes);
    // Flushes every file system noted and forgets them. False when one of them failed.
    bool Flush();

protected:
    // Asks the file system of an open folder to write out everything it holds; 0 or an errno
    // value. A test double makes it fail as a failing disk would.
    virtual int syncFileSystem(int fd);

private:
    void flushInBackground();
    void stopBackground();
    void forget();

    std::mutex mMutex;
    std::condition_variable mWake;
    std::thread mBackground;
    bool mStopping = false;
    qint64 mWaiting = 0;          // bytes written since the last write-out began
    bool mFlushWhileRunning = true;
    QHash<quint64, int> mFolders;  // device -> a folder on it
};

}  // namespace tralex
