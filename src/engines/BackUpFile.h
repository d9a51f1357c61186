#pragma once
// Names and places of backup files and of the temporary files that new contents are written to.
//
// A backup is named "Bk", a 12-digit time stamp, "_" and the file's own name; a temporary file
// "Renewal", a time stamp, "_" and the name, always in the file's own folder. The stamp has the
// pattern YYYYMMDDHHSS: year, month, day, hour and second, without the minutes. Backups go beside
// their file, or, with a backup folder, into a chain of folders under it that mirrors the file's
// folder below "/" (backup folder /bk, file /data/sub/a.txt: /bk/data/sub/).
#include <QDateTime>
#include <QString>

namespace tralex {

// The 12-digit stamp of a moment (local time).
QString BackUpStamp(const QDateTime& moment = QDateTime::currentDateTime());

QString BackUpName(const QString& name, const QString& stamp);
QString RenewalName(const QString& name, const QString& stamp);
// The same names made of a name's own bytes, as a run gives them to the file system, so that a
// name that is not UTF-8 (a Windows-31J name) keeps its bytes in its backup's name.
QByteArray BackUpFileName(const QByteArray& rawName, const QString& stamp);
QByteArray RenewalFileName(const QByteArray& rawName, const QString& stamp);

// Whether a name has the backup form: "Bk" (exact case), 12 decimal digits, "_".
bool HasBackUpForm(const QString& name);
// Whether a name has the temporary form: "Renewal" (exact case), 12 decimal digits, "_".
bool HasRenewalForm(const QString& name);

// The folder that receives the backup of a file in `folder` (a path ending with "/"): the folder
// itself when backUpPath is empty, else the mirrored chain under backUpPath, ending with "/".
QString BackUpFolder(const QString& backUpPath, const QString& folder);

// The full path of the backup of folder + name. With a backup folder the mirrored chain is
// created first when createFolders is true, each folder made flushed into its parent; a folder that cannot be created raises a
// ProgramError with `source` and "バックアップフォルダを作成できません".
QString BackUpFilePath(const QString& backUpPath, const QString& folder, const QString& name,
                       const QString& stamp, bool createFolders, const QString& source);

// folder + "/" (unless it ends with one) + name.
QString JoinPath(const QString& folder, const QString& name);

}  // namespace tralex
