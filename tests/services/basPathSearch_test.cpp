#include "services/basPathSearch.h"
#include "support/TestFiles.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace tralex;
using tralex::test::TempFolder;

TEST(basPathSearch, DriveAndBelowDrive)
{
    struct Case {
        const char* path;
        const char* drive;
        const char* below;
    } const cases[] = {
        {"/data/sub/", "/", "data/sub/"},
        {"/data/a.txt", "/", "data/a.txt"},
        {"/", "/", ""},
        {"", "", ""},
        {"  ", "", ""},
        {"rel/sub/", "", "rel/sub/"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetDrivePart(QString::fromUtf8(c.path)), QString::fromUtf8(c.drive)) << c.path;
        EXPECT_EQ(GetPathBelowDrive(QString::fromUtf8(c.path)), QString::fromUtf8(c.below)) << c.path;
    }
}

namespace {

// T/ with a/ (c/, B/), b/ (d/ (e/)), hidden .h/ (x/), a link to a/, and a link loop back to T/.
QString makeTree(const TempFolder& t)
{
    for (const char* folder : {"T/b/d/e", "T/a/c", "T/a/B", "T/.h/x"})
        t.mkdir(QString::fromUtf8(folder));
    t.write(QStringLiteral("T/a/file.txt"), "x");
    EXPECT_TRUE(QFile::link(t.file(QStringLiteral("T/a")), t.file(QStringLiteral("T/alink"))));
    EXPECT_TRUE(QFile::link(t.file(QStringLiteral("T")), t.file(QStringLiteral("T/b/loop"))));
    return t.file(QStringLiteral("T/"));
}

QStringList relative(const OrderedList& list, const QString& base)
{
    QStringList out;
    for (QString item : list.items())
        out.append(item.startsWith(base) ? item.mid(base.size()) : item);
    return out;
}

}  // namespace

TEST(basPathSearch, SubfoldersComeLevelByLevelWithoutHiddenFoldersAndLinks)
{
    TempFolder t;
    const QString root = makeTree(t);
    OrderedList list;
    list.Add(root);
    AddSubFolders(list);
    EXPECT_EQ(relative(list, root), (QStringList{"", "a/", "b/", "a/B/", "a/c/", "b/d/", "b/d/e/"}));
    // Appended entries carry their own path as key.
    EXPECT_TRUE(list.ContainsKey(root + QStringLiteral("A/C/")));
}

TEST(basPathSearch, AFolderReachedTwiceIsListedOnce)
{
    TempFolder t;
    const QString root = makeTree(t);
    // b/ is already in the list under another spelling of its path, a/ under its own.
    OrderedList list;
    list.Add(root);
    list.Add(root + QStringLiteral("./b/"));
    list.Add(root + QStringLiteral("a/"), root + QStringLiteral("a/"));
    AddSubFolders(list);
    EXPECT_EQ(relative(list, root), (QStringList{"", "./b/", "a/", "./b/d/", "a/B/", "a/c/", "./b/d/e/"}));
}

TEST(basPathSearch, FoldersWhoseNamesDifferOnlyInCaseAreBothSearched)
{
    TempFolder t;
    t.mkdir(QStringLiteral("T/Sub/x"));
    t.mkdir(QStringLiteral("T/sub/y"));
    const QString root = t.file(QStringLiteral("T/"));
    OrderedList list;
    list.Add(root);
    AddSubFolders(list);
    EXPECT_EQ(relative(list, root), (QStringList{"", "Sub/", "sub/", "Sub/x/", "sub/y/"}));
}

TEST(basPathSearch, AFolderWithoutSubfoldersOrAMissingOneAddsNothing)
{
    TempFolder t;
    t.write(QStringLiteral("only/a.txt"), "x");
    OrderedList list;
    list.Add(t.file(QStringLiteral("only/")));
    list.Add(t.file(QStringLiteral("missing/")));
    AddSubFolders(list);
    EXPECT_EQ(list.Count(), 2);
}
