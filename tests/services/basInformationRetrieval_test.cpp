#include "services/basInformationRetrieval.h"
#include "support/TestFiles.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace tralex;
using tralex::test::TempFolder;

// The desktop and documents folders are the user's XDG folders, as named in user-dirs.dirs.
TEST(basInformationRetrieval, DesktopAndDocumentsFollowTheUsersFolderSettings)
{
    TempFolder home;
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(home.path().chopped(1)));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.file(QStringLiteral(".config"))));
    home.write(QStringLiteral(".config/user-dirs.dirs"),
               "XDG_DESKTOP_DIR=\"$HOME/\xE3\x83\x87\xE3\x82\xB9\xE3\x82\xAF\xE3\x83\x88\xE3\x83\x83\xE3\x83\x97\"\n"
               "XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n");
    home.mkdir(QStringLiteral("デスクトップ"));
    home.mkdir(QStringLiteral("Docs"));

    EXPECT_EQ(GetSpecialFolder(0), home.file(QStringLiteral("デスクトップ")));
    EXPECT_EQ(GetSpecialFolder(2), home.file(QStringLiteral("Docs")));
    EXPECT_EQ(GetSpecialFolder(4), home.file(QStringLiteral(".config/autostart")));
    EXPECT_EQ(GetSpecialFolder(9), home.file(QStringLiteral("Templates")));

    qputenv("HOME", oldHome);
    qputenv("XDG_CONFIG_HOME", oldConfig);
    if (oldConfig.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
}

TEST(basInformationRetrieval, UnknownIndexesGiveTheEmptyText)
{
    for (int index : {-1, 19, 1000})
        EXPECT_EQ(GetSpecialFolder(index), QString()) << index;
}
