#include "services/clsFindFile.h"

#include "platform/FolderHandle.h"

#include <algorithm>

namespace tralex {

namespace {

QChar upper(QChar c) { return c.toUpper(); }

// One character of a pattern against one of a name, without regard to letter case. Each UTF-16
// unit is upper-cased on its own, one to one, as the NTFS upcase table does.
bool sameLetter(QChar a, QChar b) { return a == b || upper(a) == upper(b); }

}  // namespace

// Orders names as NTFS lists them: by their upper-cased UTF-16 units; names that differ only in
// letter case (possible here, not on Windows) keep a fixed order by their exact units.
bool clsFindFile::NameLess(const QString& a, const QString& b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const QChar ua = upper(a.at(i));
        const QChar ub = upper(b.at(i));
        if (ua != ub)
            return ua.unicode() < ub.unicode();
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

bool clsFindFile::MatchesPattern(const QString& name, const QString& pattern)
{
    if (pattern == QLatin1String("*") || pattern == QLatin1String("*.*"))
        return true;
    // Greedy matching with one back-track point: the last "*" seen.
    qsizetype n = 0, p = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern.at(p) == QLatin1Char('*')) {
            starP = p++;
            starN = n;
        } else if (p < pattern.size()
                   && (pattern.at(p) == QLatin1Char('?') || sameLetter(pattern.at(p), name.at(n)))) {
            ++p;
            ++n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern.at(p) == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

void clsFindFile::SortNames(QStringList& names)
{
    std::sort(names.begin(), names.end(), NameLess);
}

void clsFindFile::setFileMask(const QString& vstrMask)
{
    mEntries.clear();
    mNext = 0;
    mCurrent = -1;

    const qsizetype slash = vstrMask.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? QStringLiteral(".") : vstrMask.left(slash + 1);
    const QString pattern = vstrMask.mid(slash + 1);
    if (pattern.isEmpty())
        return;
    const FolderHandle handle = FolderHandle::Open(folder);
    if (handle.valid())
        setFileMaskAt(handle.fd(), pattern);
}

bool clsFindFile::setFileMaskAt(int folderFd, const QString& pattern, bool withTimes)
{
    mEntries.clear();
    mNext = 0;
    mCurrent = -1;
    const auto listed = ListFolderAt(
        folderFd, [&](const QString& name) { return MatchesPattern(name, pattern); }, withTimes);
    if (!listed)
        return false;
    takeEntries(*listed);
    return true;
}

void clsFindFile::takeEntries(const QList<FolderEntry>& listed)
{
    // Pipes, sockets and devices are left out: they are not files a caller could read or
    // rewrite (opening a pipe for reading blocks).
    for (const FolderEntry& found : listed) {
        if (found.kind != FolderEntry::Kind::Other)
            mEntries.append(found);
    }
    std::sort(mEntries.begin(), mEntries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return NameLess(a.name, b.name); });
}

QString clsFindFile::NextFile()
{
    if (mNext >= mEntries.size())
        return QString();
    mCurrent = mNext++;
    return mEntries.at(mCurrent).name;
}

bool clsFindFile::IsDir() const
{
    return mCurrent >= 0 && mEntries.at(mCurrent).kind == FolderEntry::Kind::Folder;
}

bool clsFindFile::IsSymLink() const
{
    return mCurrent >= 0 && mEntries.at(mCurrent).kind == FolderEntry::Kind::SymLink;
}

bool clsFindFile::IsHidden() const
{
    return mCurrent >= 0 && mEntries.at(mCurrent).name.startsWith(QLatin1Char('.'));
}

QByteArray clsFindFile::RawName() const
{
    return mCurrent >= 0 ? mEntries.at(mCurrent).rawName : QByteArray();
}

bool clsFindFile::NameIsText() const
{
    return mCurrent < 0 || mEntries.at(mCurrent).nameIntact;
}

QString clsFindFile::LastWriteTime() const
{
    QDateTime time = mCurrent >= 0 ? mEntries.at(mCurrent).lastWrite : QDateTime();
    if (!time.isValid())
        time = QDateTime::currentDateTime();
    return time.toLocalTime().toString(QStringLiteral("yyyy/MM/dd H:mm:ss"));
}

}  // namespace tralex
