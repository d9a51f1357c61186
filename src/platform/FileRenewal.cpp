#include "platform/FileRenewal.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tralex {

namespace {

// Closes a descriptor when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1) : mFd(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return mFd; }
    bool valid() const { return mFd >= 0; }
    // Closes now and reports a failed close (which can be the first sign of a full disk).
    int close()
    {
        const int fd = mFd;
        mFd = -1;
        return (fd >= 0 && ::close(fd) != 0) ? errno : 0;
    }
    void reset() { if (mFd >= 0) ::close(mFd); mFd = -1; }

private:
    int mFd;
};

bool sameTime(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Copies the owner and the permission bits; the owner first, since a change of owner clears the
// set-user-ID bit. A change of owner that is not allowed is passed over: the file then belongs to
// whoever runs the program, as any new file would.
int carryOverAttributes(int fd, const FileSnapshot& snapshot)
{
    struct stat now {};
    if (::fstat(fd, &now) == 0 && (now.st_uid != snapshot.owner || now.st_gid != snapshot.group))
        (void)::fchown(fd, snapshot.owner, snapshot.group);
    return ::fchmod(fd, snapshot.mode & 07777) == 0 ? 0 : errno;
}

}  // namespace

FileRenewal::~FileRenewal() = default;

ReadOutcome FileRenewal::ReadFile(const QString& path, QByteArray& bytes, FileSnapshot& snapshot)
{
    bytes.clear();
    const QByteArray name = QFile::encodeName(path);
    // O_NONBLOCK: opening a pipe that carries the type's extension must not wait for a writer.
    Fd fd(::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid())
        return errno == ELOOP ? ReadOutcome::SymbolicLink : ReadOutcome::CannotOpen;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return ReadOutcome::CannotOpen;
    if (!S_ISREG(st.st_mode))
        return ReadOutcome::NotAFile;
    snapshot.device = st.st_dev;
    snapshot.inode = st.st_ino;
    snapshot.size = st.st_size;
    snapshot.accessed = st.st_atim;
    snapshot.modified = st.st_mtim;
    snapshot.mode = st.st_mode;
    snapshot.owner = st.st_uid;
    snapshot.group = st.st_gid;

    bytes.resize(qsizetype(st.st_size));
    qsizetype done = 0;
    for (;;) {
        if (done == bytes.size())
            bytes.resize(done + 65536);  // the file grew since fstat; read to its end
        const ssize_t n = ::read(fd.get(), bytes.data() + done, size_t(bytes.size() - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            bytes.clear();
            return ReadOutcome::CannotOpen;
        }
        if (n == 0)
            break;
        done += n;
    }
    bytes.resize(done);
    return ReadOutcome::Read;
}

int FileRenewal::writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += n;
        size -= size_t(n);
    }
    return 0;
}

int FileRenewal::linkFile(const QByteArray& from, const QByteArray& to)
{
    return ::link(from.constData(), to.constData()) == 0 ? 0 : errno;
}

int FileRenewal::renameFile(const QByteArray& from, const QByteArray& to)
{
    return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

int FileRenewal::writeTemporary(const QByteArray& path, const QByteArray& content,
                                const FileSnapshot& snapshot)
{
    Fd fd(::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd.valid())
        return errno;
    int error = writeAll(fd.get(), content.constData(), size_t(content.size()));
    if (error == 0)
        error = carryOverAttributes(fd.get(), snapshot);
    if (error == 0 && mSyncData && ::fdatasync(fd.get()) != 0)
        error = errno;
    const int closeError = fd.close();
    if (error == 0)
        error = closeError;
    if (error != 0)
        ::unlink(path.constData());
    return error;
}

int FileRenewal::copyBackUp(const QByteArray& from, const QByteArray& copy,
                            const FileSnapshot& snapshot)
{
    Fd in(::open(from.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!in.valid())
        return errno;
    Fd out(::open(copy.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!out.valid())
        return errno;
    int error = 0;
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::read(in.get(), buffer.data(), size_t(buffer.size()));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            break;
        }
        if (n == 0)
            break;
        error = writeAll(out.get(), buffer.constData(), size_t(n));
        if (error != 0)
            break;
    }
    // The copy stands for the old file: same permissions and times. It is always flushed, since
    // after the rename it is the only place the old content is kept.
    if (error == 0)
        error = carryOverAttributes(out.get(), snapshot);
    if (error == 0) {
        const timespec times[2] = {snapshot.accessed, snapshot.modified};
        (void)::futimens(out.get(), times);
        if (::fsync(out.get()) != 0)
            error = errno;
    }
    const int closeError = out.close();
    if (error == 0)
        error = closeError;
    if (error != 0)
        ::unlink(copy.constData());
    return error;
}

int FileRenewal::placeWithoutOverwrite(const QByteArray& from, const QByteArray& to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return errno;
    // File systems without that kind of rename: a hard link refuses an existing name as well.
    int error = linkFile(from, to);
    if (error == 0) {
        ::unlink(from.constData());
        return 0;
    }
    if (error == EEXIST)
        return error;
    // Neither: test the name, then rename.
    struct stat st {};
    if (::lstat(to.constData(), &st) == 0)
        return EEXIST;
    return renameFile(from, to);
}

RenewOutcome FileRenewal::Renew(const RenewalPaths& paths, const QByteArray& newContent,
                                const FileSnapshot& snapshot)
{
    const QByteArray file = QFile::encodeName(paths.file);
    const QByteArray backUp = QFile::encodeName(paths.backUp);

    struct stat st {};
    if (::lstat(backUp.constData(), &st) == 0)
        return RenewOutcome::BackUpNameTaken;

    // 1. The new content, complete, under the temporary name. A crash here leaves the old file
    //    alone and at most a temporary file, which no run takes for a target. A name taken by
    //    such a leftover is never reused: a number is added instead.
    QByteArray temporary = QFile::encodeName(paths.temporary);
    int written = writeTemporary(temporary, newContent, snapshot);
    for (int k = 1; written == EEXIST && k < 100; ++k) {
        temporary = QFile::encodeName(paths.temporary + QLatin1Char('.') + QString::number(k));
        written = writeTemporary(temporary, newContent, snapshot);
    }
    if (written != 0)
        return RenewOutcome::WriteFailed;

    // The file must still be the one that was read.
    if (::lstat(file.constData(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_dev != snapshot.device || st.st_ino != snapshot.inode ||
        st.st_size != snapshot.size || !sameTime(st.st_mtim, snapshot.modified)) {
        ::unlink(temporary.constData());
        return RenewOutcome::ChangedMeanwhile;
    }

    // 2. The old file becomes the backup: a second name for the same file where possible, else a
    //    finished copy that takes the backup name in one step. A crash after this leaves the old
    //    content under both names.
    int error = linkFile(file, backUp);
    if (error == EXDEV || error == EPERM || error == ENOTSUP || error == EMLINK) {
        QByteArray copy = QFile::encodeName(paths.backUpCopy);
        error = copyBackUp(file, copy, snapshot);
        for (int k = 1; error == EEXIST && k < 100; ++k) {
            copy = QFile::encodeName(paths.backUpCopy + QLatin1Char('.') + QString::number(k));
            error = copyBackUp(file, copy, snapshot);
        }
        if (error == 0) {
            error = placeWithoutOverwrite(copy, backUp);
            if (error != 0)
                ::unlink(copy.constData());
        }
    }
    if (error != 0) {
        ::unlink(temporary.constData());
        return error == EEXIST ? RenewOutcome::BackUpNameTaken : RenewOutcome::BackUpFailed;
    }

    // 3. The new content takes the file's name in one step.
    if (renameFile(temporary, file) != 0) {
        ::unlink(backUp.constData());
        ::unlink(temporary.constData());
        return RenewOutcome::WriteFailed;
    }
    return RenewOutcome::Renewed;
}

}  // namespace tralex
