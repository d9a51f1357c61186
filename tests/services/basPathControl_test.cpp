#include "services/basPathControl.h"
#include "platform/ProgramError.h"
#include "support/TestFiles.h"

#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace tralex;
using tralex::test::TempFolder;

TEST(basPathControl, SplittersAtTheEdges)
{
    struct Case {
        const char* path;
        const char* folder;
        const char* name;
    } const cases[] = {
        {"", "", ""},
        {"   ", "", ""},
        {"/", "/", ""},
        {"/a.txt", "/", "a.txt"},
        {"/data/a.txt", "/data/", "a.txt"},
        {"/data/", "/data/", ""},          // a folder path is its own folder part
        {"/data/sub", "/data/", "sub"},    // without the final "/" it is taken as a name
        {"/data//a.txt", "/data/", "a.txt"},
        {"rel/a.txt", "rel/", "a.txt"},
        {"/d/ a b .txt", "/d/", " a b .txt"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetFolderPart(QString::fromUtf8(c.path)), QString::fromUtf8(c.folder)) << c.path;
        EXPECT_EQ(GetFileName(QString::fromUtf8(c.path)), QString::fromUtf8(c.name)) << c.path;
    }
}

TEST(basPathControl, APathWithoutAFolderHasNoFolderPart)
{
    EXPECT_EQ(GetFileName(QStringLiteral("a.txt")), QStringLiteral("a.txt"));
    try {
        GetFolderPart(QStringLiteral("a.txt"));
        FAIL() << "no error raised";
    } catch (const ProgramError& e) {
        EXPECT_EQ(e.number(), ProgramError::ObjectError);
        EXPECT_EQ(e.source(), QStringLiteral("GetFolderPart"));
        EXPECT_EQ(e.description(), QStringLiteral("「a.txt」にはフォルダが含まれていません"));
    }
}

TEST(basPathControl, WhatFileExistsAndPathExistsAccept)
{
    TempFolder t;
    t.write(QStringLiteral("a.txt"), "x");
    t.write(QStringLiteral(".hidden"), "x");
    t.write(QStringLiteral(".config/in.txt"), "x");
    t.mkdir(QStringLiteral("dir"));
    ASSERT_TRUE(QFile::link(t.file(QStringLiteral("a.txt")), t.file(QStringLiteral("filelink"))));
    ASSERT_TRUE(QFile::link(t.file(QStringLiteral("dir")), t.file(QStringLiteral("dirlink"))));
    ASSERT_TRUE(QFile::link(t.file(QStringLiteral("gone")), t.file(QStringLiteral("dangling"))));
    ASSERT_EQ(::mkfifo(QFile::encodeName(t.file(QStringLiteral("pipe"))).constData(), 0600), 0);

    struct Case {
        QString path;
        bool fileExists;
        bool pathExists;
    } const cases[] = {
        {t.file("a.txt"), true, true},
        {t.file("A.TXT"), false, false},          // names are case-sensitive here
        {t.file("missing.txt"), false, false},
        {t.file(".hidden"), false, false},        // a hidden file is not an ordinary file
        {t.file(".config/in.txt"), true, true},   // only the file's own name counts
        {t.file("dir"), false, false},            // a folder without its final "/"
        {t.file("dir/"), false, true},
        {t.file("missing/"), false, false},
        {t.file("a.txt/"), false, false},         // a file written as a folder
        {t.file("filelink"), true, true},         // a link to an ordinary file
        {t.file("dirlink"), false, false},
        {t.file("dirlink/"), false, true},        // a folder path through a link still names a folder
        {t.file("dangling"), false, false},
        {t.file("pipe"), false, false},
        {QStringLiteral("/"), false, true},
        {QString(), false, true},                 // blank counts as existing
        {QStringLiteral("   "), false, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileExists(c.path), c.fileExists) << c.path.toStdString();
        EXPECT_EQ(PathExists(c.path), c.pathExists) << c.path.toStdString();
    }
}

TEST(basPathControl, BlanksAreSpacesOnly)
{
    EXPECT_TRUE(IsBlank(QString()));
    EXPECT_TRUE(IsBlank(QStringLiteral("  ")));
    EXPECT_FALSE(IsBlank(QStringLiteral(" \t ")));
    EXPECT_FALSE(IsBlank(QStringLiteral("\u3000")));
    EXPECT_EQ(TrimBlanks(QStringLiteral("  a b \t ")), QStringLiteral("a b \t"));
    EXPECT_EQ(TrimBlanks(QStringLiteral("\u3000x\u3000 ")), QStringLiteral("\u3000x\u3000"));
}
