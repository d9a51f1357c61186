#include "platform/SettingsFolder.h"

#include "platform/FolderPath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace tralex {

namespace {

QString& overridden()
{
    static QString folder;
    return folder;
}

QString executableFolder()
{
    // Qt knows the folder once the application object exists; before that, the kernel does.
    const QString folder = QCoreApplication::instance()
                               ? QCoreApplication::applicationDirPath()
                               : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    return WithFinalSlash(folder);
}

// Program folders that belong to the system's packages, and the root: settings never go there,
// not even when the program runs as root and could write them.
bool isSystemFolder(const QString& folder)
{
    static const char* const roots[] = {"/usr/", "/bin/", "/sbin/", "/lib/", "/lib64/", "/opt/"};
    const QString canonical = WithFinalSlash(QFileInfo(folder).canonicalFilePath());
    if (canonical == QLatin1String("/"))
        return true;
    for (const char* root : roots) {
        if (canonical.startsWith(QLatin1String(root)))
            return true;
    }
    return false;
}

QString chooseFolder()
{
    const QString beside = executableFolder();
    const QFileInfo info(beside);
    if (info.isDir() && info.isWritable() && !isSystemFolder(beside))
        return beside;
    const QString config = WithFinalSlash(
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)) + QStringLiteral("Tralex/");
    QDir().mkpath(config);
    return config;
}

}  // namespace

QString SettingsFolder()
{
    QString& folder = overridden();
    if (folder.isEmpty())
        folder = chooseFolder();
    return folder;
}

void OverrideSettingsFolder(const QString& folder)
{
    overridden() = folder.isEmpty() ? QString() : WithFinalSlash(folder);
}

QString ReadMePath()
{
    const QString name = QStringLiteral("ReadMe.txt");
    const QString beside = executableFolder() + name;
    if (QFileInfo(beside).isFile())
        return beside;
    const QString installed =
        QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("tralex/") + name);
    if (!installed.isEmpty())
        return installed;
    // Installed under a prefix the XDG folders do not name (/opt/tralex, a home folder): the data
    // folder beside the program's bin folder.
    const QString underPrefix =
        QDir::cleanPath(executableFolder() + QStringLiteral("../share/tralex/") + name);
    return QFileInfo(underPrefix).isFile() ? underPrefix : beside;
}

}  // namespace tralex
