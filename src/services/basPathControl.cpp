#include "services/basPathControl.h"

#include "platform/ProgramError.h"

#include <QFileInfo>

namespace tralex {

namespace {
const QChar Slash = QLatin1Char('/');
const QChar Space = QLatin1Char(' ');
}  // namespace

bool IsBlank(const QString& text)
{
    for (QChar c : text) {
        if (c != Space)
            return false;
    }
    return true;
}

QString TrimBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == Space)
        ++begin;
    while (end > begin && text.at(end - 1) == Space)
        --end;
    return text.mid(begin, end - begin);
}

QString GetFolderPart(const QString& vstrPath)
{
    if (IsBlank(vstrPath))
        return QString();
    const qsizetype last = vstrPath.lastIndexOf(Slash);
    if (last < 0)
        throw ProgramError(QStringLiteral("GetFolderPart"),
                           QStringLiteral("「%1」にはフォルダが含まれていません").arg(vstrPath));
    QString folder = vstrPath.left(last);
    if (!folder.endsWith(Slash))
        folder += Slash;
    return folder;
}

QString GetFileName(const QString& vstrPath)
{
    if (IsBlank(vstrPath))
        return QString();
    return vstrPath.mid(vstrPath.lastIndexOf(Slash) + 1);
}

bool FileExists(const QString& vstrPath)
{
    if (IsBlank(vstrPath))
        return false;
    const QString name = GetFileName(vstrPath);
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        return false;
    // QFileInfo follows a link to what it leads to: isFile() is true for ordinary files only.
    return QFileInfo(vstrPath).isFile();
}

bool PathExists(const QString& vstrPath)
{
    if (IsBlank(vstrPath))
        return true;
    if (vstrPath.endsWith(Slash))
        return QFileInfo(vstrPath).isDir();
    return FileExists(vstrPath);
}

}  // namespace tralex
