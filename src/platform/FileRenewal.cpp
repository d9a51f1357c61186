#include "platform/FileRenewal.h"

#include "platform/FolderHandle.h"
#include "platform/SpareBuffers.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <stdio.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace tralex {

namespace {

bool sameTime(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Whether a name of a folder holds the given inode.
bool nameHolds(int folder, const QByteArray& name, dev_t device, ino_t inode)
{
    struct stat st {};
    return ::fstatat(folder, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
           st.st_dev == device && st.st_ino == inode;
}

// Whether the open file still has the size and time it had when it was read.
// Reads the file a snapshot holds open into bytes from offset `from` to the end of bytes, and
// gives how far it got; nothing when reading fails. The file is read up to the size it had when
// it was opened, and no further: one that grew since then, or was cut short (a read that gives
// less than asked), no longer has the size and modification time of its snapshot, which every
// step that writes checks. So the end is never looked for with a read of its own.
std::optional<qsizetype> readFrom(const FileSnapshot& snapshot, QByteArray& bytes, qsizetype from)
{
    const int fd = snapshot.opened->get();
    qsizetype done = from;
    while (done < bytes.size()) {
        const size_t asked = size_t(bytes.size() - done);
        const ssize_t n = ::pread(fd, bytes.data() + done, asked, off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        done += n;
        if (size_t(n) < asked)
            break;
    }
    return done;
}

bool unchangedSinceRead(const FileSnapshot& snapshot)
{
    struct stat st {};
    return ::fstat(snapshot.opened->get(), &st) == 0 && st.st_size == snapshot.size &&
           sameTime(st.st_mtim, snapshot.modified);
}

// The number of names the open file has left.
nlink_t namesOf(const FileSnapshot& snapshot)
{
    struct stat st {};
    return ::fstat(snapshot.opened->get(), &st) == 0 ? st.st_nlink : 0;
}

// An error of carryOverAttributes after the bytes were written is an attribute that did not
// carry over, reported as such; an owner or group that did not take is reported apart.
constexpr int AttributesLost = -1;
constexpr int OwnerLost = -2;

// Whether the running user may give a file this owner: root any, everyone else only himself.
bool mayKeepOwner(uid_t owner)
{
    const uid_t me = ::geteuid();
    return me == 0 || me == owner;
}

// Whether the running user may give a file of his own this group: root any, everyone else the
// groups he belongs to.
bool mayKeepGroup(gid_t group, uid_t me)
{
    if (me == 0 || ::getegid() == group)
        return true;
    const int count = ::getgroups(0, nullptr);
    if (count <= 0)
        return false;
    std::vector<gid_t> groups(static_cast<size_t>(count));
    const int got = ::getgroups(count, groups.data());
    return got > 0 && std::find(groups.begin(), groups.begin() + got, group) != groups.begin() + got;
}

// Whether the running user may take away or replace the name of a file of this owner in the
// folder. In a folder with the sticky bit (as /tmp) only the file's owner, the folder's owner
// and root may; elsewhere the folder's write permission decides, which creating names there
// needs anyway.
bool mayReplaceIn(int folder, uid_t fileOwner, uid_t me = ::geteuid())
{
    struct stat st {};
    if (::fstat(folder, &st) != 0)
        return false;
    return (st.st_mode & S_ISVTX) == 0 || me == 0 || me == fileOwner || me == st.st_uid;
}

// The folder and the last piece of a path, for the path-based calls.
QByteArray lastPiece(const QString& path)
{
    return QFile::encodeName(QFileInfo(path).fileName());
}

FolderHandle folderOf(const QString& path)
{
    return FolderHandle::Open(QFileInfo(path).absolutePath());
}

QByteArray numbered(const QByteArray& name, int k)
{
    return k == 0 ? name : name + '.' + QByteArray::number(k);
}

}  // namespace

int UniqueFd::close()
{
    const int fd = mFd;
    mFd = -1;
    return (fd >= 0 && ::close(fd) != 0) ? errno : 0;
}

void UniqueFd::reset()
{
    if (mFd >= 0)
        ::close(mFd);
    mFd = -1;
}

FileRenewal::~FileRenewal() = default;

ReadOutcome FileRenewal::ReadFile(const QString& path, QByteArray& bytes, FileSnapshot& snapshot)
{
    bytes.clear();
    const FolderHandle folder = folderOf(path);
    if (!folder.valid())
        return ReadOutcome::CannotOpen;
    return ReadFileAt(folder.fd(), lastPiece(path), bytes, snapshot);
}

ReadOutcome FileRenewal::OpenFileAt(int folder, const QByteArray& name, FileSnapshot& snapshot)
{
    // O_NONBLOCK: opening a pipe that carries the type's extension must not wait for a writer.
    auto fd = std::make_shared<UniqueFd>(
        ::openat(folder, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd->valid())
        return errno == ELOOP ? ReadOutcome::SymbolicLink : ReadOutcome::CannotOpen;
    struct stat st {};
    if (::fstat(fd->get(), &st) != 0)
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
    snapshot.opened = fd;
    return ReadOutcome::Read;
}

ReadOutcome FileRenewal::ReadFileAt(int folder, const QByteArray& name, QByteArray& bytes,
                                    FileSnapshot& snapshot)
{
    bytes.clear();
    const ReadOutcome opened = OpenFileAt(folder, name, snapshot);
    return opened == ReadOutcome::Read ? ReadOpened(snapshot, bytes) : opened;
}

ReadOutcome FileRenewal::ReadOpened(FileSnapshot& snapshot, QByteArray& bytes, QByteArray head)
{
    // The head read before is not read again, nor copied: the rest is read behind it, up to the
    // size the file had when it was opened.
    const qsizetype headSize = head.size();
    bytes = std::move(head);
    bytes.resize(std::max(qsizetype(snapshot.size), headSize));
    const std::optional<qsizetype> done = readFrom(snapshot, bytes, headSize);
    if (!done) {
        bytes.clear();
        return ReadOutcome::CannotOpen;
    }
    bytes.resize(*done);
    snapshot.size = off_t(*done);
    return ReadOutcome::Read;
}

QByteArray FileRenewal::ReadHead(const FileSnapshot& snapshot, qsizetype size)
{
    const qsizetype wanted = std::min(size, qsizetype(snapshot.size));
    QByteArray head = SpareBuffers::Take(wanted);
    head.resize(wanted);
    head.resize(readFrom(snapshot, head, 0).value_or(0));
    return head;
}

ReadOutcome FileRenewal::OpenForRun(int folder, const QByteArray& name, FileSnapshot& snapshot)
{
    return OpenFileAt(folder, name, snapshot);
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

int FileRenewal::copyAll(int fd, int from, qint64 offset, qint64 size)
{
    off_t at = off_t(offset);
    const off_t end = at + off_t(size);
    while (at < end) {
        const ssize_t n = ::sendfile(fd, from, &at, size_t(std::min<off_t>(end - at, off_t(1) << 30)));
        if (n > 0 || (n < 0 && errno == EINTR))
            continue;
        if (n == 0)
            return EIO;  // the file ends before the stretch does
        if (errno != EINVAL && errno != ENOSYS)
            return errno;
        // A file system that takes no copy from the kernel: the rest goes through the process.
        return copyByReading(fd, from, at, end);
    }
    return 0;
}

int FileRenewal::copyByReading(int fd, int from, off_t at, std::optional<off_t> end)
{
    constexpr off_t BufferSize = off_t(1) << 20;
    QByteArray buffer(qsizetype(end ? std::clamp<off_t>(*end - at, 1, BufferSize) : BufferSize), Qt::Uninitialized);
    while (!end || at < *end) {
        const off_t wanted = end ? std::min<off_t>(*end - at, buffer.size()) : buffer.size();
        const ssize_t got = ::pread(from, buffer.data(), size_t(wanted), at);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            return end ? EIO : 0;  // a stretch must be there whole; a whole file ends here
        if (const int error = writeAll(fd, buffer.constData(), size_t(got)); error != 0)
            return error;
        at += got;
    }
    return 0;
}

int FileRenewal::linkOpened(int fd, int toFolder, const char* to)
{
    // The open file's entry in /proc names the inode itself, not whatever its name holds now.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    return ::linkat(AT_FDCWD, self.constData(), toFolder, to, AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

int FileRenewal::exchange(int folder, const char* a, const char* b)
{
    return ::renameat2(folder, a, folder, b, RENAME_EXCHANGE) == 0 ? 0 : errno;
}

int FileRenewal::renameNoReplace(int fromFolder, const char* from, int toFolder, const char* to)
{
    return ::renameat2(fromFolder, from, toFolder, to, RENAME_NOREPLACE) == 0 ? 0 : errno;
}

int FileRenewal::linkName(int fromFolder, const char* from, int toFolder, const char* to)
{
    return ::linkat(fromFolder, from, toFolder, to, 0) == 0 ? 0 : errno;
}

int FileRenewal::renameFile(int fromFolder, const char* from, int toFolder, const char* to)
{
    return ::renameat(fromFolder, from, toFolder, to) == 0 ? 0 : errno;
}

int FileRenewal::flush(int fd)
{
    return ::fsync(fd) == 0 ? 0 : errno;
}

int FileRenewal::setOwner(int fd, uid_t owner, gid_t group)
{
    return ::fchown(fd, owner, group) == 0 ? 0 : errno;
}

int FileRenewal::setAttribute(int fd, const char* name, const QByteArray& value)
{
    return ::fsetxattr(fd, name, value.constData(), size_t(value.size()), 0) == 0 ? 0 : errno;
}

// Copies every extended attribute, POSIX ACLs included. A source without any, or on a file
// system that keeps none, has nothing to copy.
int FileRenewal::copyExtendedAttributes(int from, int to)
{
    const ssize_t listSize = ::flistxattr(from, nullptr, 0);
    if (listSize < 0)
        return (errno == ENOTSUP) ? 0 : errno;
    if (listSize == 0)
        return 0;  // no attribute to carry over
    QByteArray names(listSize, '\0');
    const ssize_t got = ::flistxattr(from, names.data(), size_t(names.size()));
    if (got < 0)
        return errno;
    for (const QByteArray& name : names.left(got).split('\0')) {
        if (name.isEmpty())
            continue;
        const ssize_t size = ::fgetxattr(from, name.constData(), nullptr, 0);
        if (size < 0)
            return errno;
        QByteArray value(size, '\0');
        const ssize_t read = ::fgetxattr(from, name.constData(), value.data(), size_t(size));
        if (read < 0)
            return errno;
        if (const int error = setAttribute(to, name.constData(), value.left(read)); error != 0)
            return error;
    }
    return 0;
}

// Copies the owner and group, the permission bits and the extended attributes; the owner first,
// since a change of owner clears the set-user-ID bit, and the ACL last, since it sets the group
// bits. A user other than root cannot give a file to someone else: another user's file becomes
// his (as any file he writes would) and keeps its group, which he may set since he belongs to it
// (RenewAt checks that first). An owner or group that should take and does not (a network file
// system that maps root to nobody, say) is OwnerLost: the file's group members could lose their
// access, or others gain it.
int FileRenewal::carryOverAttributes(int fd, const FileSnapshot& snapshot, struct stat& now)
{
    if (::fstat(fd, &now) != 0)
        return errno;
    const uid_t owner = now.st_uid == snapshot.owner || mayKeepOwner(snapshot.owner) ? snapshot.owner : now.st_uid;
    if (now.st_uid != owner || now.st_gid != snapshot.group) {
        (void)setOwner(fd, owner == now.st_uid ? uid_t(-1) : owner, snapshot.group);
        if (::fstat(fd, &now) != 0)
            return errno;
        if (now.st_uid != owner || now.st_gid != snapshot.group)
            return OwnerLost;
    }
    if (::fchmod(fd, snapshot.mode & 07777) != 0)
        return errno;
    return copyExtendedAttributes(snapshot.opened->get(), fd);
}

int FileRenewal::writeTemporary(const RenewalTarget& target, QByteArray& temporary,
                                const ContentSource& content, const FileSnapshot& snapshot,
                                ino_t& written, qint64& modifiedNs)
{
    // A name taken by a leftover of an interrupted run is never reused: a number is added.
    int error = EEXIST;
    for (int k = 0; error == EEXIST && k < 100; ++k) {
        temporary = numbered(target.temporary, k);
        UniqueFd fd(::openat(target.folder, temporary.constData(),
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!fd.valid()) {
            error = errno;
            continue;
        }
        error = content(ContentSink{
            [this, &fd](QByteArrayView piece) { return writeAll(fd.get(), piece.data(), size_t(piece.size())); },
            [this, &fd](int from, qint64 offset, qint64 size) { return copyAll(fd.get(), from, offset, size); }});
        // Its inode, and its time: nothing that follows writes to it.
        struct stat st {};
        if (error == 0) {
            if (const int carried = carryOverAttributes(fd.get(), snapshot, st); carried != 0)
                error = carried == OwnerLost ? OwnerLost : AttributesLost;
        }
        // Without mSyncData the file system writes it out when it will: asking for each file
        // (sync_file_range) sends a small write per file to the disk, which cost a fifth of a
        // run over many small files; the flush at the end of the run writes them together.
        if (error == 0 && mSyncData && ::fdatasync(fd.get()) != 0)
            error = errno;
        written = st.st_ino;
        modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        const int closeError = fd.close();
        if (error == 0)
            error = closeError;
        if (error != 0) {
            ::unlinkat(target.folder, temporary.constData(), 0);
            return error;
        }
    }
    return error;
}

int FileRenewal::copyBackUp(int copyFolder, const QByteArray& copy, const FileSnapshot& snapshot)
{
    UniqueFd out(::openat(copyFolder, copy.constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!out.valid())
        return errno;
    // The copy is made from the inode that was read, from its start, and counts only when that
    // inode is still as it was read afterwards: then it holds exactly the content read.
    int error = copyByReading(out.get(), snapshot.opened->get(), 0, std::nullopt);
    if (error == 0 && !unchangedSinceRead(snapshot))
        error = ESTALE;
    // The copy stands for the old file: same permissions, attributes (where the backup's file
    // system keeps them) and times. It is always flushed, since after the renewal it is the only
    // place the old content is kept. An owner or group it cannot have refuses the file: the copy
    // would be readable by others than the old file was.
    struct stat copied {};
    if (error == 0 && carryOverAttributes(out.get(), snapshot, copied) == OwnerLost)
        error = OwnerLost;
    if (error == 0) {
        const timespec times[2] = {snapshot.accessed, snapshot.modified};
        (void)::futimens(out.get(), times);
        error = flush(out.get());
    }
    const int closeError = out.close();
    if (error == 0)
        error = closeError;
    if (error != 0)
        ::unlinkat(copyFolder, copy.constData(), 0);
    return error;
}

int FileRenewal::placeWithoutOverwrite(int folder, const QByteArray& from, const QByteArray& to)
{
    struct stat placed {};
    if (::fstatat(folder, from.constData(), &placed, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    int error = renameNoReplace(folder, from.constData(), folder, to.constData());
    if (error == EINVAL || error == ENOSYS || error == ENOTSUP) {
        // File systems without that kind of rename: a hard link refuses an existing name as well.
        error = linkName(folder, from.constData(), folder, to.constData());
        if (error == 0) {
            ::unlinkat(folder, from.constData(), 0);
        } else if (error != EEXIST) {
            // Neither: test the name, then rename.
            struct stat st {};
            if (::fstatat(folder, to.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0)
                return EEXIST;
            error = renameFile(folder, from.constData(), folder, to.constData());
        }
    }
    // A rename reported as failed may have happened all the same (network file systems answer a
    // repeated request with an error): what the name holds decides.
    if (error != 0 && error != EEXIST && nameHolds(folder, to, placed.st_dev, placed.st_ino))
        error = 0;
    return error;
}

int FileRenewal::makeBackUp(const RenewalTarget& target, const FileSnapshot& snapshot, bool& copied)
{
    copied = false;
    // A second name for another user's file in a sticky folder could not be taken away again if
    // the renewal fails: there the backup is a copy, which is the running user's own. (Beside
    // the file, CheckBeforeWriting has asked that already.)
    const bool mayLink = (target.checkedBeforeWriting && target.backUpFolder == target.folder)
                         || mayReplaceIn(target.backUpFolder, snapshot.owner);
    int error = mayLink
                    ? linkOpened(snapshot.opened->get(), target.backUpFolder, target.backUp.constData())
                    : EPERM;
    if (error == 0) {
        if (unchangedSinceRead(snapshot))
            return 0;
        // Written to in place since it was read: the backup would not be the content read.
        if (namesOf(snapshot) > 1)
            ::unlinkat(target.backUpFolder, target.backUp.constData(), 0);
        return ESTALE;
    }
    if (error != EXDEV && error != EPERM && error != ENOTSUP && error != EMLINK &&
        error != ENOENT)
        return error;
    // No second name for the same file here: a finished copy takes the backup name.
    copied = true;
    QByteArray copy;
    error = EEXIST;
    for (int k = 0; error == EEXIST && k < 100; ++k) {
        copy = numbered(target.backUpCopy, k);
        error = copyBackUp(target.backUpFolder, copy, snapshot);
    }
    if (error != 0)
        return error;
    error = placeWithoutOverwrite(target.backUpFolder, copy, target.backUp);
    if (error != 0) {
        ::unlinkat(target.backUpFolder, copy.constData(), 0);
        return error;
    }
    // The backup's name must be on the disk before the new content takes the file's name.
    return flush(target.backUpFolder);
}

void FileRenewal::undo(const RenewalTarget& target, const QByteArray& temporary,
                       const FileSnapshot& snapshot, bool copied)
{
    ::unlinkat(target.folder, temporary.constData(), 0);
    // The backup goes unless it is the only copy of the old content left.
    struct stat st {};
    if (::fstatat(target.backUpFolder, target.backUp.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return;
    const bool isTheOldFile = st.st_dev == snapshot.device && st.st_ino == snapshot.inode;
    const bool oldFileElsewhere = isTheOldFile ? namesOf(snapshot) > 1 : namesOf(snapshot) > 0;
    if ((isTheOldFile || copied) && oldFileElsewhere)
        ::unlinkat(target.backUpFolder, target.backUp.constData(), 0);
}

RenewOutcome FileRenewal::takeName(const RenewalTarget& target, const QByteArray& temporary,
                                   ino_t written, const FileSnapshot& snapshot, bool copied)
{
    const dev_t device = snapshot.device;
    int error = exchange(target.folder, temporary.constData(), target.name.constData());
    if (error == EINVAL || error == ENOSYS || error == ENOTSUP) {
        // No exchange on this file system: a last look, then a plain rename over the name.
        if (!nameHolds(target.folder, target.name, device, snapshot.inode) ||
            !unchangedSinceRead(snapshot)) {
            undo(target, temporary, snapshot, copied);
            return RenewOutcome::ChangedMeanwhile;
        }
        error = renameFile(target.folder, temporary.constData(), target.folder,
                           target.name.constData());
        if (error != 0 && !nameHolds(target.folder, target.name, device, written)) {
            undo(target, temporary, snapshot, copied);
            return RenewOutcome::WriteFailed;
        }
        return RenewOutcome::Renewed;
    }
    // An exchange reported as failed may have happened: what the name holds decides.
    if (error != 0 && !nameHolds(target.folder, target.name, device, written)) {
        if (nameHolds(target.folder, temporary, device, written))
            undo(target, temporary, snapshot, copied);
        return RenewOutcome::WriteFailed;
    }
    // The name holds the new content; the temporary name must hold the file that was read.
    if (!nameHolds(target.folder, temporary, device, snapshot.inode) ||
        !unchangedSinceRead(snapshot)) {
        // Someone else's content: it gets its name back, and ours goes.
        if (exchange(target.folder, temporary.constData(), target.name.constData()) == 0 ||
            nameHolds(target.folder, temporary, device, written))
            undo(target, temporary, snapshot, copied);
        return RenewOutcome::ChangedMeanwhile;
    }
    ::unlinkat(target.folder, temporary.constData(), 0);
    return RenewOutcome::Renewed;
}

RenewOutcome FileRenewal::CheckBeforeWriting(int folder, const QByteArray& name, const FileSnapshot& snapshot)
{
    // A file the user marked read-only, or may not write, is not the run's to replace; root
    // would be allowed by access(), so a file without any write bit is refused explicitly.
    // In a sticky folder the final exchange of names would be refused for another user's file
    // (after the backup was made): such a file is not writable for this run either.
    const uid_t me = ::geteuid();
    if ((snapshot.mode & 0222) == 0 || ::faccessat(folder, name.constData(), W_OK, AT_EACCESS) != 0
        || !mayReplaceIn(folder, snapshot.owner, me))
        return RenewOutcome::NotWritable;
    // The new file and a copied backup get the file's group, and its owner where the running
    // user may give it: a group he does not belong to refuses the file before anything changes.
    if (!mayKeepGroup(snapshot.group, me))
        return RenewOutcome::OwnerNotKept;
    return RenewOutcome::Renewed;
}

RenewOutcome FileRenewal::RenewAt(const RenewalTarget& target, const QByteArray& newContent,
                                  const FileSnapshot& snapshot)
{
    return RenewAt(target, [&newContent](const ContentSink& to) { return to.put(newContent); }, snapshot);
}

RenewOutcome FileRenewal::RenewAt(const RenewalTarget& target, const ContentSource& newContent,
                                  const FileSnapshot& snapshot)
{
    if (!snapshot.opened || !snapshot.opened->valid())
        return RenewOutcome::WriteFailed;
    struct stat st {};
    if (target.lookBeforeWriting
        && ::fstatat(target.backUpFolder, target.backUp.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        return RenewOutcome::BackUpNameTaken;
    if (const RenewOutcome refused = target.checkedBeforeWriting
                                         ? RenewOutcome::Renewed
                                         : CheckBeforeWriting(target.folder, target.name, snapshot);
        refused != RenewOutcome::Renewed)
        return refused;
    if (target.lookBeforeWriting
        && (!nameHolds(target.folder, target.name, snapshot.device, snapshot.inode)
            || !unchangedSinceRead(snapshot)))
        return RenewOutcome::ChangedMeanwhile;

    // 1-2. The new content, complete, under the temporary name.
    QByteArray temporary;
    ino_t written = 0;
    qint64 modifiedNs = 0;
    const int writeError = writeTemporary(target, temporary, newContent, snapshot, written, modifiedNs);
    if (writeError == AttributesLost)
        return RenewOutcome::AttributesNotKept;
    if (writeError == OwnerLost)
        return RenewOutcome::OwnerNotKept;
    if (writeError == ContentDeclined)
        return RenewOutcome::Declined;
    if (writeError != 0)
        return RenewOutcome::WriteFailed;

    // 3. The old content as the backup.
    bool copied = false;
    const int backUpError = makeBackUp(target, snapshot, copied);
    if (backUpError != 0) {
        ::unlinkat(target.folder, temporary.constData(), 0);
        if (backUpError == ESTALE)
            return RenewOutcome::ChangedMeanwhile;
        if (backUpError == OwnerLost)
            return RenewOutcome::OwnerNotKept;
        return backUpError == EEXIST ? RenewOutcome::BackUpNameTaken : RenewOutcome::BackUpFailed;
    }

    // Nothing writes the new content after it was written: its time is the one read then.
    if (target.beforeTakingName && !target.beforeTakingName(modifiedNs)) {
        // The file still holds its old content: the backup of it is not needed.
        ::unlinkat(target.backUpFolder, target.backUp.constData(), 0);
        ::unlinkat(target.folder, temporary.constData(), 0);
        return RenewOutcome::NotRecorded;
    }

    // 4-5. The new content takes the file's name.
    return takeName(target, temporary, written, snapshot, copied);
}

RenewOutcome FileRenewal::Renew(const RenewalPaths& paths, const QByteArray& newContent,
                                const FileSnapshot& snapshot)
{
    const FolderHandle folder = folderOf(paths.file);
    const FolderHandle backUpFolder = folderOf(paths.backUp);
    if (!folder.valid() || !backUpFolder.valid())
        return RenewOutcome::WriteFailed;
    RenewalTarget target;
    target.folder = folder.fd();
    target.name = lastPiece(paths.file);
    target.temporary = lastPiece(paths.temporary);
    target.backUpFolder = backUpFolder.fd();
    target.backUp = lastPiece(paths.backUp);
    target.backUpCopy = lastPiece(paths.backUpCopy);
    return RenewAt(target, newContent, snapshot);
}

}  // namespace tralex
