#pragma once
// Reading a target file and putting its new content in place without ever losing the old one.
//
// The new content is written to a temporary file in the file's own folder; the old file then
// becomes the backup (a hard link to the very same file when the backup lies on the same file
// system, otherwise a complete copy that is given the backup name only when it is finished), and
// finally the temporary file is renamed over the old name. At every moment the file's own name
// holds either the old or the new content, and when it holds the new content the backup holds the
// old. A failure at any step removes what the step before created and leaves the old file as it
// was. An existing backup name is never overwritten.
#include <QByteArray>
#include <QString>

#include <sys/types.h>
#include <ctime>

namespace tralex {

// What a file looked like when it was read; used to keep its permissions and to notice a change
// made behind the engine's back.
struct FileSnapshot {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec accessed{};
    timespec modified{};
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
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
    WriteFailed,       // the temporary file could not be written, or not renamed into place
    ChangedMeanwhile,  // the file was changed or replaced after it was read
};

// The four names of one renewal.
struct RenewalPaths {
    QString file;        // the target file
    QString temporary;   // the new content, before it takes the file's name (same folder)
    QString backUp;      // the backup
    QString backUpCopy;  // a copied backup, before it takes the backup name (backup's folder)
};

class FileRenewal {
public:
    virtual ~FileRenewal();

    // Reads a whole regular file; a symbolic link is not followed.
    static ReadOutcome ReadFile(const QString& path, QByteArray& bytes, FileSnapshot& snapshot);

    // Puts newContent in place of the file as described above.
    RenewOutcome Renew(const RenewalPaths& paths, const QByteArray& newContent,
                       const FileSnapshot& snapshot);

    // Whether the new content is flushed to the disk before it takes the file's name. Off by
    // default: the old content is never written to (the backup is the old file itself, and a
    // copied backup is always flushed), so a power failure cannot lose it; ext4 flushes a file
    // that replaces another by a rename before the rename itself. Flushing every file doubles
    // the time of a run on this kind of disk; turn it on for file systems that give no such
    // ordering.
    void setSyncData(bool value) { mSyncData = value; }

protected:
    // The steps that touch the disk. Each returns 0 or an errno value; a test double overrides
    // them to make a step fail as a full disk or a vanished folder would.
    virtual int writeAll(int fd, const char* data, size_t size);
    virtual int linkFile(const QByteArray& from, const QByteArray& to);
    virtual int renameFile(const QByteArray& from, const QByteArray& to);

private:
    int writeTemporary(const QByteArray& path, const QByteArray& content,
                       const FileSnapshot& snapshot);
    int copyBackUp(const QByteArray& from, const QByteArray& copy, const FileSnapshot& snapshot);
    int placeWithoutOverwrite(const QByteArray& from, const QByteArray& to);

    bool mSyncData = false;
};

}  // namespace tralex
