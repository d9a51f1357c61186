#pragma once
// The folders a run leaves out: names or wildcard patterns ("node_modules", "backup*"), matched
// against a folder's own name without regard to letter case, as file types are. A folder left
// out is not entered, so nothing below it is listed, whatever the engine.
//
// In the settings file the list is one value, the patterns separated by "/", the one character
// a folder name cannot hold.
#include <QString>
#include <QStringList>

namespace tralex {

class ExcludedFolders {
public:
    ExcludedFolders() = default;
    explicit ExcludedFolders(QStringList patterns);

    // The list a new installation starts with: the version control folders.
    static ExcludedFolders Default();
    // The list as stored; blank patterns are dropped.
    static ExcludedFolders FromSetting(const QString& value);
    QString ToSetting() const;

    const QStringList& Patterns() const { return mPatterns; }
    bool Excludes(const QString& folderName) const;

private:
    QStringList mPatterns;
};

}  // namespace tralex
