#include "platform/office/OfficeLocks.h"

#include <QFileInfo>
#include <QUrl>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace tralex {

namespace {

// The profile a lock names: its fields are user, system user, host, date and the profile's URL.
QString lockProfile(const QByteArray& content)
{
    const QList<QByteArray> fields = content.trimmed().split(',');
    for (const QByteArray& field : fields) {
        QByteArray url = field;
        while (url.endsWith(';'))
            url.chop(1);
        if (url.startsWith("file://"))
            return QUrl::fromEncoded(url).toLocalFile();
    }
    return QString();
}

bool isDeadOwnProfile(const QString& profile)
{
    if (profile.isEmpty())
        return false;
    // The profile folder is "<our folder>/profile" or the folder itself.
    const QString folder = QFileInfo(profile).fileName() == QLatin1String("profile")
        ? QFileInfo(profile).path() : profile;
    // Older runs made their profiles under the program's name.
    const QString name = QFileInfo(folder).fileName();
    const bool own = name.startsWith(OwnProfilePrefix) || name.startsWith(QLatin1String("Tralex-"));
    return own && !QFileInfo::exists(folder);
}

}  // namespace

bool IsLockedByOthers(int folder, const QByteArray& name)
{
    const QByteArray lock = ".~lock." + name + '#';
    const int fd = ::openat(folder, lock.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno != ENOENT;  // there but unreadable (or a link): someone's lock all the same
    QByteArray content(4096, '\0');
    const ssize_t n = ::read(fd, content.data(), size_t(content.size()));
    ::close(fd);
    content.resize(n > 0 ? n : 0);
    if (!isDeadOwnProfile(lockProfile(content)))
        return true;
    ::unlinkat(folder, lock.constData(), 0);
    return false;
}

}  // namespace tralex
