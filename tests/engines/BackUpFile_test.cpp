// Backup and temporary names, the recognised backup form and the mirrored backup folder.
#include "engines/BackUpFile.h"
#include "platform/ProgramError.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QTime>

using namespace tralex;

TEST(BackUpFile, StampLeavesOutTheMinutes)
{
    const QDateTime moment(QDate(2027, 2, 1), QTime(9, 5, 7));
    EXPECT_EQ(BackUpStamp(moment), QStringLiteral("202702010907"));
    EXPECT_EQ(BackUpStamp(QDateTime(QDate(2026, 12, 6), QTime(18, 7, 31))),
              QStringLiteral("202612061831"));
    EXPECT_EQ(BackUpStamp().size(), 12);
    EXPECT_EQ(BackUpName(QStringLiteral("report.txt"), QStringLiteral("202702010907")),
              QStringLiteral("Bk202702010907_report.txt"));
    EXPECT_EQ(RenewalName(QStringLiteral("b.xls"), QStringLiteral("202612061831")),
              QStringLiteral("Renewal202612061831_b.xls"));
}

TEST(BackUpFile, RecognisesOnlyTheStampedForms)
{
    const struct {
        const char* name;
        bool backUp;
        bool renewal;
    } cases[] = {
        {"Bk202612061831_a.txt", true, false},
        {"Bk000000000000_a.txt", true, false},
        {"Bk202612061831_", true, false},
        {"bk202612061831_a.txt", false, false},  // lower-case b
        {"BK202612061831_a.txt", false, false},
        {"Bk20261206183_a.txt", false, false},   // 11 digits
        {"Bk2026120618311_a.txt", false, false}, // 13 digits, no "_" at position 15
        {"Bk 20261206183_a.txt", false, false},
        {"Bk２０２６１２０６１８３１_a.txt", false, false},  // full-width digits
        {"Renewal202612061831_b.xls", false, true},
        {"renewal202612061831_b.xls", false, false},
        {"Renewal20261206183_b.xls", false, false},
        {"a.txt", false, false},
        {"Bk", false, false},
    };
    for (const auto& c : cases) {
        const QString name = QString::fromUtf8(c.name);
        EXPECT_EQ(HasBackUpForm(name), c.backUp) << c.name;
        EXPECT_EQ(HasRenewalForm(name), c.renewal) << c.name;
    }
    // A name built by the program always has its form.
    EXPECT_TRUE(HasBackUpForm(BackUpName(QStringLiteral("x"), BackUpStamp())));
    EXPECT_TRUE(HasRenewalForm(RenewalName(QStringLiteral("x"), BackUpStamp())));
}

TEST(BackUpFile, MirrorsTheFolderBelowTheRoot)
{
    const QString stamp = QStringLiteral("202702010907");
    EXPECT_EQ(BackUpFolder(QString(), QStringLiteral("/data/sub/")), QStringLiteral("/data/sub/"));
    EXPECT_EQ(BackUpFolder(QString(), QStringLiteral("/data/sub")), QStringLiteral("/data/sub/"));
    EXPECT_EQ(BackUpFolder(QStringLiteral("/bk"), QStringLiteral("/data/sub/")),
              QStringLiteral("/bk/data/sub/"));
    EXPECT_EQ(BackUpFolder(QStringLiteral("/bk/"), QStringLiteral("/data/")),
              QStringLiteral("/bk/data/"));
    EXPECT_EQ(BackUpFolder(QStringLiteral("/bk"), QStringLiteral("/")), QStringLiteral("/bk/"));
    EXPECT_EQ(BackUpFolder(QStringLiteral("/bk"), QStringLiteral("/data/x/../sub/")),
              QStringLiteral("/bk/data/sub/"));
    EXPECT_EQ(BackUpFilePath(QString(), QStringLiteral("/data/"), QStringLiteral("a.txt"), stamp,
                             false, QStringLiteral("clsTextTralex")),
              QStringLiteral("/data/Bk202702010907_a.txt"));
}

TEST(BackUpFile, CreatesTheMirroredChain)
{
    test::TempFolder temp;
    const QString bk = temp.mkdir(QStringLiteral("bk"));
    const QString data = temp.mkdir(QStringLiteral("data/sub"));
    const QString path = BackUpFilePath(bk, data, QStringLiteral("a.txt"), QStringLiteral("202702010907"),
                                        true, QStringLiteral("clsTextTralex"));
    const QString chain = bk + data.mid(1);
    EXPECT_EQ(path, chain + QStringLiteral("Bk202702010907_a.txt"));
    EXPECT_TRUE(QFileInfo(chain).isDir());

    // A chain blocked by a file raises the engine's error.
    temp.write(QStringLiteral("blocked"), "x");
    try {
        BackUpFilePath(temp.file(QStringLiteral("blocked")), data, QStringLiteral("a.txt"),
                       QStringLiteral("202702010907"), true, QStringLiteral("clsTextTralex"));
        FAIL() << "no error";
    } catch (const ProgramError& e) {
        EXPECT_EQ(e.source(), QStringLiteral("clsTextTralex"));
        EXPECT_EQ(e.description(), QStringLiteral("バックアップフォルダを作成できません"));
    }
}
