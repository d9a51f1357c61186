#include "services/basMake.h"

#include "platform/CodePage.h"
#include "platform/ProgramError.h"
#include "services/basPathControl.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace tralex {

namespace {

const QChar Slash = QLatin1Char('/');

[[noreturn]] void failWrite(const QString& path)
{
    throw ProgramError(QStringLiteral("WriteTextFile"),
                       QStringLiteral("ファイル「%1」に書き込めませんでした").arg(path));
}

}  // namespace

void MakeFolders(const QString& folderPath)
{
    if (IsBlank(folderPath))
        return;
    QString current = folderPath.startsWith(Slash) ? QString(Slash) : QString();
    const QStringList pieces = folderPath.split(Slash, Qt::SkipEmptyParts);
    for (const QString& piece : pieces) {
        current += piece;
        const QFileInfo info(current);
        if (!info.isDir()) {
            // A second chance after a failed mkdir: someone else may have made it meanwhile.
            if (info.exists() || (!QDir().mkdir(current) && !QFileInfo(current).isDir()))
                throw ProgramError(QStringLiteral("MakeFolders"),
                                   QStringLiteral("フォルダ「%1」を作成できませんでした").arg(current));
        }
        current += Slash;
    }
}

void WriteTextFile(const QString& path, const QString& text)
{
    MakeFolders(GetFolderPart(path));

    // Write through a link to the file it leads to, so that the link itself stays.
    QString target = path;
    const QFileInfo linkInfo(path);
    if (linkInfo.isSymLink() && linkInfo.exists())
        target = linkInfo.canonicalFilePath();

    const QFileInfo old(target);
    if (old.isDir())
        failWrite(path);

    const QByteArray bytes = EncodeOwnFile(QString(text + QStringLiteral("\r\n")));

    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        failWrite(path);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        failWrite(path);
    }
    // The temporary file takes the old file's permission bits, read-only cleared, before it
    // takes the old file's name.
    if (old.exists()
        && !file.setPermissions(old.permissions() | QFileDevice::WriteOwner | QFileDevice::WriteUser)) {
        file.cancelWriting();
        failWrite(path);
    }
    if (!file.commit())
        failWrite(path);
}

}  // namespace tralex
