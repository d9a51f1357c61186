#include "platform/SettingsFolder.h"
#include "support/TestFiles.h"

#include <QCoreApplication>
#include <QFile>
#include <gtest/gtest.h>

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
    TempFolder data;
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path().chopped(1)));

    // In none of the places: the path beside the program, so that opening it names the file.
    EXPECT_EQ(ReadMePath(), beside);
    const QString installed = data.write(QStringLiteral("tralex/ReadMe.txt"), "installed");
    EXPECT_EQ(ReadMePath(), installed);
    {
        QFile file(beside);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(ReadMePath(), beside);
    QFile::remove(beside);

    if (oldData.isEmpty())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", oldData);
}
