#include "services/ExcludedFolders.h"

#include "services/clsFindFile.h"

namespace tralex {

namespace {

constexpr QChar Separator = QLatin1Char('/');

}  // namespace

ExcludedFolders::ExcludedFolders(QStringList patterns)
{
    for (QString& pattern : patterns) {
        pattern = pattern.trimmed();
        if (!pattern.isEmpty() && !pattern.contains(Separator) && !mPatterns.contains(pattern))
            mPatterns.append(pattern);
    }
}

ExcludedFolders ExcludedFolders::Default()
{
    return ExcludedFolders({QStringLiteral(".git"), QStringLiteral(".svn"), QStringLiteral(".hg")});
}

ExcludedFolders ExcludedFolders::FromSetting(const QString& value)
{
    return ExcludedFolders(value.split(Separator));
}

QString ExcludedFolders::ToSetting() const
{
    return mPatterns.join(Separator);
}

bool ExcludedFolders::Excludes(const QString& folderName) const
{
    for (const QString& pattern : mPatterns)
        if (clsFindFile::MatchesPattern(folderName, pattern))
            return true;
    return false;
}

}  // namespace tralex
