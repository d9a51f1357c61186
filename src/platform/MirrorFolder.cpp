#include "platform/MirrorFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace tralex {

namespace {

// The permission bits a mirror of the folder at `path` may have: the folder's own, and always
// the owner's, who writes the backups; a folder that cannot be looked at gets the owner's only.
mode_t mirrorMode(const QByteArray& path)
{
    struct stat st {};
    if (::stat(path.constData(), &st) != 0)
        return 0700;
    return (st.st_mode & 0777) | 0700;
}

// Whether a folder of the chain may hold backups: not someone else's folder that others can
// write in, where its owner or anyone could plant a link or swap a folder.
bool trustworthy(const struct stat& st)
{
    const bool ours = st.st_uid == 0 || st.st_uid == ::geteuid();
    return ours || (st.st_mode & 0022) == 0;
}

}  // namespace

FolderHandle OpenMirrorFolder(const QString& backUpRoot, const QString& folder)
{
    return OpenMirrorFolder(backUpRoot, QFile::encodeName(QDir::cleanPath(QFileInfo(folder).absoluteFilePath())));
}

QByteArray MirrorFolderPath(const QString& backUpRoot, const QByteArray& folder)
{
    QByteArray root = QFile::encodeName(QDir::cleanPath(QFileInfo(backUpRoot).absoluteFilePath()));
    if (root.endsWith('/'))
        root.chop(1);  // the root folder itself
    return root + (folder.startsWith('/') ? folder : '/' + folder);
}

FolderHandle OpenMirrorFolder(const QString& backUpRoot, const QByteArray& folder)
{
    // The backup folder itself is the user's choice, found as he named it.
    FolderHandle current = FolderHandle::Open(backUpRoot);
    if (!current.valid())
        return current;
    QByteArray sofar;
    for (const QByteArray& piece : folder.split('/')) {
        if (piece.isEmpty())
            continue;
        sofar += '/' + piece;
        const mode_t mode = mirrorMode(sofar);
        FolderHandle next = current.OpenChild(piece);
        if (!next.valid() && next.error() == ENOENT) {
            if (::mkdirat(current.fd(), piece.constData(), mode) == 0)
                (void)::fsync(current.fd());  // the new folder survives a power cut with its backups
            else if (errno != EEXIST)
                return FolderHandle::Failed(errno);
            next = current.OpenChild(piece);
        }
        if (!next.valid())
            return next;
        struct stat st {};
        if (::fstat(next.fd(), &st) != 0)
            return FolderHandle::Failed(errno);
        if (!trustworthy(st))
            return FolderHandle::Failed(EPERM);
        // An older mirror of ours more open than what it mirrors is narrowed.
        if (st.st_uid == ::geteuid() && (st.st_mode & 0777 & ~mode) != 0)
            (void)::fchmod(next.fd(), (st.st_mode & 07000) | (st.st_mode & mode & 0777));
        current = std::move(next);
    }
    return current;
}

}  // namespace tralex
