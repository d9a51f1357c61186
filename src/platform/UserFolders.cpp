#include "platform/UserFolders.h"

#include <QDir>
#include <QStandardPaths>

namespace tralex {

namespace {

QString writable(QStandardPaths::StandardLocation location)
{
    return QStandardPaths::writableLocation(location);
}

QString below(QStandardPaths::StandardLocation location, const char* relative)
{
    const QString base = writable(location);
    return base.isEmpty() ? QString() : base + QLatin1Char('/') + QLatin1String(relative);
}

// The first of the system data folders (XDG_DATA_DIRS, /usr/share by default) with relative in it.
QString systemData(const char* relative)
{
    const QStringList all = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    for (qsizetype i = 1; i < all.size(); ++i) {  // [0] is the user's own folder
        const QString path = all.at(i) + QLatin1Char('/') + QLatin1String(relative);
        if (QDir(path).exists())
            return path;
    }
    return QStringLiteral("/usr/share/") + QLatin1String(relative);
}

}  // namespace

QString SpecialFolderPath(int index)
{
    switch (index) {
    case 0: return writable(QStandardPaths::DesktopLocation);
    case 1:
    case 6: return writable(QStandardPaths::ApplicationsLocation);
    case 2: return writable(QStandardPaths::DocumentsLocation);
    case 4: return below(QStandardPaths::GenericConfigLocation, "autostart");
    case 8: return writable(QStandardPaths::FontsLocation);
    case 9: return below(QStandardPaths::HomeLocation, "Templates");
    case 10:
    case 11: return systemData("applications");
    case 12: return QStringLiteral("/etc/xdg/autostart");
    case 14: return writable(QStandardPaths::GenericDataLocation);
    case 17: return writable(QStandardPaths::GenericCacheLocation);
    default: return QString();
    }
}

}  // namespace tralex
