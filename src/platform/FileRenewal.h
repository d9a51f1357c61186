#pragma once
// Reading a target file and putting its new content in place without ever losing the old one.
//
// The file is read through a descriptor that stays open until the renewal is over, so every
// later step can check that it still deals with the very file (inode) that was read. The new
// content is written to a temporary file in the file's own folder, carrying the old file's group,
// owner (where the running user may give it), permission bits, extended attributes and ACLs. The old file then becomes the backup: a second
// name for the inode that was read where the backup lies on the same file system, otherwise a
// complete, flushed copy of that inode that takes the backup name only when it is finished (and
// whose name is flushed too). Finally the temporary file and the file exchange names in one step,
// and the name swapped out must be the inode that was read, unchanged; if it is not, someone else
// renewed or edited the file meanwhile, and the names are exchanged back and the file is reported.
// All names are looked up relative to folders already opened.
//
// What is on disk after a power cut or a kill at each step (file F, temporary T, backup B):
//
//   step                              F holds   T holds   B holds
//   1. T written (not yet complete)   old       part      -
//   2. T complete                     old       new       -
//   3. B made (link, or copy placed)  old       new       old
//   4. T and F exchanged              new       old       old
//   5. T removed                      new       -         old
//
// A copied backup is written under a temporary name of its own in the backup folder before
// step 3; a crash leaves it there, complete or not, never under the backup name. T and the copy's
// temporary name have the renewal form, which no run takes for a target. So F always holds the
// old or the new content, and whenever it holds the new one, B holds the old.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <sys/stat.h>
#include <sys/types.h>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>

namespace tralex {

// Closes a descriptor when it goes out of scope.
class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : mFd(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int get() const { return mFd; }
    bool valid() const { return mFd >= 0; }
    // Closes now and reports a failed close (which can be the first sign of a full disk).
    int close();
    void reset();

private:
    int mFd;
};

// What a file looked like when it was read, and the file itself, still open.
struct FileSnapshot {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec accessed{};
    timespec modified{};
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
    std::shared_ptr<UniqueFd> opened;
};

enum class ReadOutcome {
    Read,
    CannotOpen,   // missing, no access, or reading failed
    SymbolicLink, // never followed
    NotAFile,     // a folder, a device, a pipe ...
};

enum class RenewOutcome {
    Renewed,
    BackUpNameTaken,   // a file of the backup name exists already
    BackUpFailed,      // the backup could not be made
    WriteFailed,       // the temporary file could not be written, or not put in place
    ChangedMeanwhile,  // the file was changed or replaced after it was read
    NotWritable,       // the running user may not write the file, or it has no write bit at all,
                       // or it is another user's in a sticky folder
    AttributesNotKept, // its extended attributes or ACLs cannot be given to the new file
    OwnerNotKept,      // its group (or, for root, its owner) cannot be given to the new file or copy
    NotRecorded,       // beforeTakingName refused: the file was left as it was
    Declined,          // the content source gave up partway: the file was left as it was
};

// Writes one piece of new content; 0 or an errno value.
using PutBytes = std::function<int(QByteArrayView piece)>;
// Writes `size` bytes of the open file `from`, from `offset` on, as a piece of new content,
// copied by the kernel without passing through the process; 0 or an errno value.
using CopyBytes = std::function<int(int from, qint64 offset, qint64 size)>;
// Where the new content goes, piece after piece: bytes held, or a stretch of a file they are in.
struct ContentSink {
    PutBytes put;
    CopyBytes copy;
};
// Makes the new content through `to`, piece after piece, and returns 0, the first error `to`
// returned, or FileRenewal::ContentDeclined when it finds partway that it cannot make it.
using ContentSource = std::function<int(const ContentSink& to)>;

// The names of one renewal, as paths.
struct RenewalPaths {
    QString file;        // the target file
    QString temporary;   // the new content, before it takes the file's name (same folder)
    QString backUp;      // the backup
    QString backUpCopy;  // a copied backup, before it takes the backup name (backup's folder)
};

// The same names in folders already opened.
struct RenewalTarget {
    int folder = -1;        // the file's folder
    QByteArray name;
    QByteArray temporary;   // in the file's folder
    int backUpFolder = -1;  // may be the file's folder
    QByteArray backUp;
    QByteArray backUpCopy;  // in the backup folder; must differ from temporary
    // Called when the new content is complete and the backup made, just before the new content
    // takes the file's name, with the new content's modification time (ns since the epoch). When
    // it returns false, the backup and the new content are removed and the file stays as it was.
    std::function<bool(qint64 modifiedNs)> beforeTakingName;
    // Whether the caller has just found CheckBeforeWriting passing for this file, which the
    // renewal then does not ask again.
    bool checkedBeforeWriting = false;
    // Whether the renewal looks for a taken backup name and a file changed since it was read
    // before it writes anything: worth it before a large content. Either way the same checks
    // come again before the backup or the new content takes a name.
    bool lookBeforeWriting = true;
};

class FileRenewal {
public:
    virtual ~FileRenewal();

    // Reads a whole regular file; a symbolic link is not followed. The snapshot keeps it open.
    static ReadOutcome ReadFile(const QString& path, QByteArray& bytes, FileSnapshot& snapshot);
    static ReadOutcome ReadFileAt(int folder, const QByteArray& name, QByteArray& bytes,
                                  FileSnapshot& snapshot);
    // Opens a regular file and takes its snapshot without reading it.
    static ReadOutcome OpenFileAt(int folder, const QByteArray& name, FileSnapshot& snapshot);
    // Reads the whole file a snapshot holds open, from its start, taking `head` (what ReadHead
    // gave) as its first bytes, up to the size it had when it was opened: a file that grew or
    // shrank since then is found changed by every later check. The snapshot then describes what
    // was read. CannotOpen when reading fails.
    static ReadOutcome ReadOpened(FileSnapshot& snapshot, QByteArray& bytes,
                                  QByteArray head = QByteArray());
    // Reads up to `size` bytes from the start of the file a snapshot holds open (no more than
    // its size when it was opened).
    static QByteArray ReadHead(const FileSnapshot& snapshot, qsizetype size);

    // Opens a file for a run (OpenFileAt). A test double overrides it to change or swap the
    // file right after it was opened.
    virtual ReadOutcome OpenForRun(int folder, const QByteArray& name, FileSnapshot& snapshot);

    // What refuses a renewal before anything is written, as far as the file and its folder
    // tell: a file the running user may not replace (no write bit, no write permission, another
    // user's file in a sticky folder) or whose group he cannot give the new file. Renewed when
    // nothing does.
    static RenewOutcome CheckBeforeWriting(int folder, const QByteArray& name, const FileSnapshot& snapshot);

    // Puts newContent in place of the file read into snapshot, as described above.
    RenewOutcome Renew(const RenewalPaths& paths, const QByteArray& newContent,
                       const FileSnapshot& snapshot);
    RenewOutcome RenewAt(const RenewalTarget& target, const QByteArray& newContent,
                         const FileSnapshot& snapshot);
    // The same with content made as it is written, so that it is never held whole: the same
    // steps, the temporary file filled piece by piece. A source that declines partway leaves
    // no temporary file and no backup (Declined).
    RenewOutcome RenewAt(const RenewalTarget& target, const ContentSource& newContent,
                         const FileSnapshot& snapshot);
    static constexpr int ContentDeclined = -3;

    // Whether the new content is flushed to the disk before it takes the file's name. Off by
    // default: the old content is never written to (the backup is the old file itself, and a
    // copied backup is always flushed), so a power failure cannot lose it, and a run flushes each
    // file system it wrote to once at its end. Flushing every file doubles the time of a run on
    // this kind of disk; turn it on for file systems that give no ordering of writes and renames.
    void setSyncData(bool value) { mSyncData = value; }

protected:
    // The steps that touch the disk. Each returns 0 or an errno value; a test double overrides
    // them to make a step fail as a full disk, a vanished folder or a network file system would.
    virtual int writeAll(int fd, const char* data, size_t size);
    // Writes `size` bytes of the file `from`, from `offset` on (CopyBytes).
    virtual int copyAll(int fd, int from, qint64 offset, qint64 size);
    // Gives the open file (the inode that was read) a further name.
    virtual int linkOpened(int fd, int toFolder, const char* to);
    // Exchanges two names of one folder in one step.
    virtual int exchange(int folder, const char* a, const char* b);
    // The three ways to give a file a name that is not taken yet, tried in this order.
    virtual int renameNoReplace(int fromFolder, const char* from, int toFolder, const char* to);
    virtual int linkName(int fromFolder, const char* from, int toFolder, const char* to);
    virtual int renameFile(int fromFolder, const char* from, int toFolder, const char* to);
    // Puts a file's content, or a folder's names, on stable storage.
    virtual int flush(int fd);
    // Gives an open file an owner and a group (-1 keeps the owner).
    virtual int setOwner(int fd, uid_t owner, gid_t group);
    // Gives an open file one extended attribute (an ACL is one too).
    virtual int setAttribute(int fd, const char* name, const QByteArray& value);

private:
    // Copies the file `from`, from `at` on, to fd through a buffer of the process: up to `end`
    // (EIO when the file ends before it), or without one to the file's end. Writes by writeAll.
    int copyByReading(int fd, int from, off_t at, std::optional<off_t> end);
    int copyExtendedAttributes(int from, int to);
    // Gives the new file at fd the old one's owner, group, permissions and attributes; `now` is
    // then what fstat says of the new file.
    int carryOverAttributes(int fd, const FileSnapshot& snapshot, struct stat& now);
    int writeTemporary(const RenewalTarget& target, QByteArray& temporary,
                       const ContentSource& content, const FileSnapshot& snapshot, ino_t& written,
                       qint64& modifiedNs);
    int makeBackUp(const RenewalTarget& target, const FileSnapshot& snapshot, bool& copied);
    int copyBackUp(int copyFolder, const QByteArray& copy, const FileSnapshot& snapshot);
    int placeWithoutOverwrite(int folder, const QByteArray& from, const QByteArray& to);
    RenewOutcome takeName(const RenewalTarget& target, const QByteArray& temporary,
                          ino_t written, const FileSnapshot& snapshot, bool copied);
    void undo(const RenewalTarget& target, const QByteArray& temporary,
              const FileSnapshot& snapshot, bool copied);

    bool mSyncData = false;
};

}  // namespace tralex
