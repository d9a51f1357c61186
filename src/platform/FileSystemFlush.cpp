#include "platform/FileSystemFlush.h"

#include <QList>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tralex {

namespace {

// How often the background thread asks for a write-out while a run goes on, and after how many
// bytes written it asks at once: a run that writes fast (files chosen from a preview, whose new
// content is ready) would otherwise leave most of its writes to the flush at its end.
constexpr std::chrono::milliseconds BackgroundInterval{100};
constexpr qint64 WriteOutAfter = qint64(16) << 20;

}  // namespace

FileSystemFlush::~FileSystemFlush()
{
    stopBackground();
    forget();
}

void FileSystemFlush::Note(int folderFd)
{
    struct stat st{};
    if (::fstat(folderFd, &st) == 0)
        Note(folderFd, quint64(st.st_dev));
}

void FileSystemFlush::Note(int folderFd, quint64 device)
{
    std::lock_guard lock(mMutex);
    if (mFolders.contains(device))
        return;
    const int copy = ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0)
        return;
    mFolders.insert(device, copy);
    if (mFlushWhileRunning && !mBackground.joinable()) {
        mStopping = false;
        mBackground = std::thread([this] { flushInBackground(); });
    }
}

void FileSystemFlush::Wrote(qint64 bytes)
{
    bool now = false;
    {
        std::lock_guard lock(mMutex);
        mWaiting += bytes;
        now = mWaiting >= WriteOutAfter;
    }
    if (now)
        mWake.notify_all();
}

bool FileSystemFlush::Flush()
{
    stopBackground();
    bool ok = true;
    for (const int fd : std::as_const(mFolders))
        ok = syncFileSystem(fd) == 0 && ok;
    forget();
    return ok;
}

int FileSystemFlush::syncFileSystem(int fd)
{
    return ::syncfs(fd) == 0 ? 0 : errno;
}

void FileSystemFlush::flushInBackground()
{
    std::unique_lock lock(mMutex);
    const auto due = [this] { return mStopping || mWaiting >= WriteOutAfter; };
    for (;;) {
        mWake.wait_for(lock, BackgroundInterval, due);
        if (mStopping)
            return;
        mWaiting = 0;
        // The descriptors stay open until the thread has ended, so they can be used unlocked.
        const QList<int> folders = mFolders.values();
        lock.unlock();
        for (const int fd : folders)
            (void)::syncfs(fd);
        lock.lock();
    }
}

void FileSystemFlush::stopBackground()
{
    if (!mBackground.joinable())
        return;
    {
        std::lock_guard lock(mMutex);
        mStopping = true;
    }
    mWake.notify_all();
    mBackground.join();
}

void FileSystemFlush::forget()
{
    for (const int fd : std::as_const(mFolders))
        ::close(fd);
    mFolders.clear();
    mWaiting = 0;
}

}  // namespace tralex
