#include "services/clsFindFile.h"
#include "support/TestFiles.h"

#include <QDateTime>
#include <QFile>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tralex;
using tralex::test::TempFolder;

namespace {

struct Listed {
    QString name;
    bool isDir;
    bool isSymLink;
};

QList<Listed> listAll(clsFindFile& find)
{
    QList<Listed> all;
    for (QString name = find.NextFile(); !name.isEmpty(); name = find.NextFile())
        all.append({name, find.IsDir(), find.IsSymLink()});
    return all;
}

QStringList namesOf(const QList<Listed>& listed)
{
    QStringList names;
    for (const Listed& l : listed)
        names.append(l.name);
    return names;
}

QStringList listNames(const QString& mask)
{
    clsFindFile find;
    find.setFileMask(mask);
    return namesOf(listAll(find));
}

}  // namespace

TEST(clsFindFile, PatternsMatchWithoutRegardToCaseAndTakeTheExtensionExactly)
{
    struct Case {
        const char* name;
        const char* pattern;
        bool matches;
    } const cases[] = {
        {"a.txt", "*.txt", true},
        {"A.TXT", "*.txt", true},
        {"a.Txt", "*.TXT", true},
        {"a.txtx", "*.txt", false},   // no matching of a longer extension
        {"a.html", "*.htm", false},   // no 8.3 short-name match
        {"a.htm", "*.html", false},
        {"x.tar.txt", "*.txt", true},
        {".txt", "*.txt", true},      // "*" may match nothing
        {"abc", "a?c", true},
        {"ac", "a?c", false},
        {"abcc", "a*c", true},        // back-tracking over a "*"
        {"abcd", "a*c", false},
        {"noext", "*.*", true},       // "*.*" is every name, as on Windows
        {"\uFF41.txt", "\uFF21.TXT", true},  // full-width letters fold as well
        {"readme.txt", "ReadMe.txt", true},   // a name without wildcards
        {"anything", "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(clsFindFile::MatchesPattern(QString::fromUtf8(c.name), QString::fromUtf8(c.pattern)),
                  c.matches)
            << c.name << " ~ " << c.pattern;
    }
}

TEST(clsFindFile, ListsMatchingFilesAndFoldersSortedWithoutRegardToCase)
{
    TempFolder t;
    for (const char* name : {"c.Txt", "B.TXT", "a.txt", "a.txtx", "a.html", "notes", ".hidden.txt",
                             "_under.txt", "Zeta.txt"})
        t.write(QString::fromUtf8(name), "x");
    t.mkdir(QStringLiteral("old.txt"));
    t.mkdir(QStringLiteral("sub"));

    clsFindFile find;
    find.setFileMask(t.path() + QStringLiteral("*.txt"));
    const QList<Listed> listed = listAll(find);

    // Upper-cased comparison puts "_" (0x5F) after the letters, as NTFS does.
    EXPECT_EQ(namesOf(listed), (QStringList{".hidden.txt", "a.txt", "B.TXT", "c.Txt", "old.txt",
                                            "Zeta.txt", "_under.txt"}));
    for (const Listed& l : listed)
        EXPECT_EQ(l.isDir, l.name == QLatin1String("old.txt")) << l.name.toStdString();
}

TEST(clsFindFile, NamesDifferingOnlyInCaseBothComeInAFixedOrder)
{
    TempFolder t;
    t.write(QStringLiteral("readme.txt"), "1");
    t.write(QStringLiteral("README.txt"), "2");
    t.write(QStringLiteral("ReadMe.txt"), "3");
    EXPECT_EQ(listNames(t.path() + QStringLiteral("*")),
              (QStringList{"README.txt", "ReadMe.txt", "readme.txt"}));
}

TEST(clsFindFile, MissingFoldersAndEmptyPatternsListNothing)
{
    TempFolder t;
    const QString file = t.write(QStringLiteral("a.txt"), "x");
    for (const QString& mask : {t.path() + QStringLiteral("missing/*.txt"),
                                file + QStringLiteral("/*.txt"),  // a file used as a folder
                                t.path()}) {                     // no pattern at all
        clsFindFile find;
        find.setFileMask(mask);
        EXPECT_EQ(find.NextFile(), QString()) << mask.toStdString();
        EXPECT_FALSE(find.IsDir());
    }
}

TEST(clsFindFile, SettingTheMaskAgainStartsOver)
{
    TempFolder t;
    t.write(QStringLiteral("a.txt"), "x");
    t.write(QStringLiteral("b.txt"), "x");
    t.write(QStringLiteral("c.log"), "x");

    clsFindFile find;
    find.setFileMask(t.path() + QStringLiteral("*.txt"));
    EXPECT_EQ(find.NextFile(), QStringLiteral("a.txt"));
    find.setFileMask(t.path() + QStringLiteral("*.log"));
    EXPECT_EQ(find.NextFile(), QStringLiteral("c.log"));
    EXPECT_EQ(find.NextFile(), QString());
    find.setFileMask(t.path() + QStringLiteral("*.txt"));
    EXPECT_EQ(namesOf(listAll(find)), (QStringList{"a.txt", "b.txt"}));
}

TEST(clsFindFile, TheListingIsTakenWhenTheMaskIsSet)
{
    TempFolder t;
    t.write(QStringLiteral("a.txt"), "x");
    const QString b = t.write(QStringLiteral("b.txt"), "x");

    clsFindFile find;
    find.setFileMask(t.path() + QStringLiteral("*.txt"));
    EXPECT_EQ(find.NextFile(), QStringLiteral("a.txt"));
    // What a run does meanwhile: a backup appears, a file moves away.
    t.write(QStringLiteral("Bk202401011200_a.txt"), "old");
    ASSERT_TRUE(QFile::rename(b, t.file(QStringLiteral("zz.bak"))));
    EXPECT_EQ(find.NextFile(), QStringLiteral("b.txt"));
    EXPECT_EQ(find.NextFile(), QString());
}

TEST(clsFindFile, LinksAreListedAsLinksAndNeverAsFolders)
{
    TempFolder t;
    t.mkdir(QStringLiteral("real"));
    t.write(QStringLiteral("real/in.txt"), "x");
    ASSERT_TRUE(QFile::link(t.file(QStringLiteral("real")), t.file(QStringLiteral("dirlink.txt"))));
    ASSERT_TRUE(QFile::link(t.file(QStringLiteral("real/in.txt")), t.file(QStringLiteral("filelink.txt"))));
    ASSERT_TRUE(QFile::link(t.file(QStringLiteral("gone")), t.file(QStringLiteral("dangling.txt"))));
    ASSERT_EQ(::mkfifo(QFile::encodeName(t.file(QStringLiteral("pipe.txt"))).constData(), 0600), 0);
    t.write(QStringLiteral("plain.txt"), "x");

    clsFindFile find;
    find.setFileMask(t.path() + QStringLiteral("*.txt"));
    const QList<Listed> listed = listAll(find);
    // The pipe is left out: opening it for reading would block.
    ASSERT_EQ(namesOf(listed), (QStringList{"dangling.txt", "dirlink.txt", "filelink.txt", "plain.txt"}));
    for (const Listed& l : listed) {
        EXPECT_FALSE(l.isDir) << l.name.toStdString();
        EXPECT_EQ(l.isSymLink, l.name != QLatin1String("plain.txt")) << l.name.toStdString();
    }
}

TEST(clsFindFile, HiddenEntriesAreListedAndTold)
{
    TempFolder t;
    t.write(QStringLiteral(".profile"), "x");
    t.write(QStringLiteral("visible"), "x");
    clsFindFile find;
    find.setFileMask(t.path() + QStringLiteral("*"));
    EXPECT_EQ(find.NextFile(), QStringLiteral(".profile"));
    EXPECT_TRUE(find.IsHidden());
    EXPECT_EQ(find.NextFile(), QStringLiteral("visible"));
    EXPECT_FALSE(find.IsHidden());
}

TEST(clsFindFile, NamesThatAreNotValidUtf8AreListedWithoutHarm)
{
    TempFolder t;
    const QByteArray raw = QFile::encodeName(t.path()) + QByteArray("bad\xff\xfe.txt");
    const int fd = ::open(raw.constData(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);
    t.write(QStringLiteral("good.txt"), "x");

    clsFindFile find;
    find.setFileMask(t.path() + QStringLiteral("*.txt"));
    // Listed, so that whoever walks the folder sees it and can report that it cannot be opened.
    EXPECT_EQ(namesOf(listAll(find)), (QStringList{QStringLiteral("bad\uFFFD\uFFFD.txt"), "good.txt"}));
}

TEST(clsFindFile, LastWriteTimeIsTheEntrysTimeInLocalTime)
{
    TempFolder t;
    const QString path = t.write(QStringLiteral("a.txt"), "x");
    const QDateTime stamp(QDate(2021, 3, 4), QTime(5, 6, 7), Qt::UTC);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(stamp, QFileDevice::FileModificationTime));
    file.close();

    clsFindFile find;
    find.setFileMask(t.path() + QStringLiteral("*.txt"));
    ASSERT_EQ(find.NextFile(), QStringLiteral("a.txt"));
    EXPECT_EQ(find.LastWriteTime(),
              stamp.toLocalTime().toString(QStringLiteral("yyyy/MM/dd H:mm:ss")));
}
