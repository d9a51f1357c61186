#include "platform/SettingsFolder.h"
#include "support/TestFiles.h"

#include <QCoreApplication>
#include <QFile>
#include <gtest/gtest.h>
#include <utility>

using namespace tralex;
using tralex::test::TempFolder;

namespace {
QString besideExecutable(const QString& name)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
}
}  // namespace

// The test program lives in the build folder, which is writable and not a system folder: that is
// the situation of a copy of the program unpacked into a folder of its own.
TEST(SettingsFolder, AWritableProgramFolderHoldsTheSettings)
{
    EXPECT_EQ(SettingsFolder(), besideExecutable(QString()));
}

TEST(SettingsFolder, TestsCanPointItElsewhereAndBack)
{
    TempFolder t;
    OverrideSettingsFolder(t.path().chopped(1));
    EXPECT_EQ(SettingsFolder(), t.path());
    OverrideSettingsFolder(t.path());
    EXPECT_EQ(SettingsFolder(), t.path());
    OverrideSettingsFolder(QString());
    EXPECT_EQ(SettingsFolder(), besideExecutable(QString()));
}

TEST(SettingsFolder, ReadMeIsBesideTheProgramElseInTheDataFolders)
{
    const QString beside = besideExecutable(QStringLiteral("ReadMe.txt"));
    ASSERT_FALSE(QFile::exists(beside)) << "left over from an earlier run";
    // The user's and the system's data folders, both empty to begin with.
    TempFolder data;
    TempFolder system;
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    const QByteArray oldDirs = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path().chopped(1)));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(system.path().chopped(1)));

    // In none of the places: the path beside the program, so that opening it names the file.
    EXPECT_EQ(ReadMePath(), beside);
    const QString installed = system.write(QStringLiteral("tralex/ReadMe.txt"), "installed");
    EXPECT_EQ(ReadMePath(), installed);
    const QString own = data.write(QStringLiteral("tralex/ReadMe.txt"), "the user's own");
    EXPECT_EQ(ReadMePath(), own);
    {
        QFile file(beside);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(ReadMePath(), beside);
    QFile::remove(beside);

    for (const auto& [name, value] : {std::pair{"XDG_DATA_HOME", oldData}, std::pair{"XDG_DATA_DIRS", oldDirs}}) {
        if (value.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
}
