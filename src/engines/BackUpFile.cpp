#include "engines/BackUpFile.h"

#include "platform/MirrorFolder.h"
#include "platform/FolderPath.h"
#include "platform/ProgramError.h"

#include <QDir>
#include <QFileInfo>

namespace tralex {

namespace {

bool hasStampedForm(const QString& name, QLatin1StringView prefix)
{
    const qsizetype p = prefix.size();
    if (name.size() < p + 13 || !name.startsWith(prefix, Qt::CaseSensitive))
        return false;
    for (qsizetype i = p; i < p + 12; ++i) {
        const char16_t c = name[i].unicode();
        if (c < u'0' || c > u'9')
            return false;
    }
    return name[p + 12] == QLatin1Char('_');
}

}  // namespace

QString BackUpStamp(const QDateTime& moment)
{
    return moment.toString(QStringLiteral("yyyyMMddHHss"));
}

QString BackUpName(const QString& name, const QString& stamp)
{
    return QStringLiteral("Bk") + stamp + QLatin1Char('_') + name;
}

QString RenewalName(const QString& name, const QString& stamp)
{
    return QStringLiteral("Renewal") + stamp + QLatin1Char('_') + name;
}

QByteArray BackUpFileName(const QByteArray& rawName, const QString& stamp)
{
    return "Bk" + stamp.toLatin1() + '_' + rawName;
}

QByteArray RenewalFileName(const QByteArray& rawName, const QString& stamp)
{
    return "Renewal" + stamp.toLatin1() + '_' + rawName;
}

bool HasBackUpForm(const QString& name)
{
    return hasStampedForm(name, QLatin1StringView("Bk"));
}

bool HasRenewalForm(const QString& name)
{
    return hasStampedForm(name, QLatin1StringView("Renewal"));
}

QString BackUpFolder(const QString& backUpPath, const QString& folder)
{
    if (backUpPath.isEmpty())
        return WithFinalSlash(folder);
    // The folder below "/", as an absolute path without "." or ".." parts.
    QString below = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    while (below.startsWith(QLatin1Char('/')))
        below.remove(0, 1);
    QString result = WithFinalSlash(backUpPath) + below;
    return WithFinalSlash(result);
}

QString BackUpFilePath(const QString& backUpPath, const QString& folder, const QString& name,
                       const QString& stamp, bool createFolders, const QString& source)
{
    const QString target = BackUpFolder(backUpPath, folder);
    if (createFolders && !backUpPath.isEmpty() && !OpenMirrorFolder(backUpPath, folder).valid())
        throw ProgramError(source, QStringLiteral("バックアップフォルダを作成できません"));
    return target + BackUpName(name, stamp);
}

QString JoinPath(const QString& folder, const QString& name)
{
    return WithFinalSlash(folder) + name;
}

}  // namespace tralex
