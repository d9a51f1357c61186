// Units, colours and fonts of the windows, and the Japanese set-up made at start-up.
#include <QApplication>
#include <QFontInfo>
#include <QLineEdit>

#include "dialogs/JapaneseFonts.h"
#include "dialogs/basFormLayout.h"
#include <gtest/gtest.h>

using namespace tralex;

namespace {

TEST(basFormLayout, ColourValuesHoldRedInTheLowestByte)
{
    EXPECT_EQ(RGB(255, 255, 192), 0xC0FFFF);
    EXPECT_EQ(RGB(0, 0, 128), 0x800000);
    EXPECT_EQ(ColorFromValue(0x800000), QColor(0, 0, 128));
    EXPECT_EQ(ColorFromValue(0xC0FFFF), QColor(255, 255, 192));
    EXPECT_EQ(ColorFromValue(RGB(12, 34, 56)), QColor(12, 34, 56));
}

TEST(basFormLayout, FifteenTwipsMakeOnePixel)
{
    EXPECT_EQ(Twips(5880), 392);
    EXPECT_EQ(Twips(2333), 156);  // 155.53 rounds up
    EXPECT_EQ(TwipsRect(600, 195, 4680, 180), QRect(40, 13, 312, 12));
}

TEST(JapaneseFonts, WindowsFontNamesResolveToTheIpaFonts)
{
    ASSERT_TRUE(InstallJapaneseFonts());
    EXPECT_EQ(QFontInfo(QFont(QStringLiteral("ＭＳ ゴシック"))).family(), QStringLiteral("IPAGothic"));
    EXPECT_EQ(QFontInfo(QFont(QStringLiteral("MS Gothic"))).family(), QStringLiteral("IPAGothic"));
    EXPECT_EQ(QFontInfo(QFont(QStringLiteral("ＭＳ 明朝"))).family(), QStringLiteral("IPAMincho"));
    EXPECT_EQ(QFontInfo(QFont(QStringLiteral("MS Mincho"))).family(), QStringLiteral("IPAMincho"));

    const QFontInfo nine(GothicFont(9, true));
    EXPECT_EQ(nine.family(), QStringLiteral("IPAGothic"));
    EXPECT_EQ(nine.pixelSize(), 12);
    EXPECT_TRUE(nine.bold());
    EXPECT_EQ(QFontInfo(GothicFont(12)).pixelSize(), 16);
}

TEST(JapaneseFonts, QtsOwnTextsAreJapanese)
{
    ASSERT_TRUE(InstallJapaneseFonts());
    EXPECT_TRUE(InstallJapaneseFonts());  // a second call is harmless
    const QString undo = QCoreApplication::translate("QLineEdit", "&Undo");
    EXPECT_NE(undo, QStringLiteral("&Undo"));
    EXPECT_TRUE(undo.contains(QStringLiteral("元に戻す"))) << undo.toStdString();
}

}  // namespace
