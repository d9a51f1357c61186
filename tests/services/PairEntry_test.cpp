#include "services/PairEntry.h"

#include <gtest/gtest.h>

using namespace tralex;

TEST(PairEntry, BuildsTheSixPartFormWithUnitSeparators)
{
    const QString entry = BuildPairEntry(QStringLiteral("表"), QStringLiteral("ソ"));
    EXPECT_EQ(entry, QStringLiteral("表\x1F  \u21D2  \x1Fソ\x1F"));
    EXPECT_EQ(DefaultSepTralex.size(), 5);
}

TEST(PairEntry, SplitTakesFieldsZeroAndTwo)
{
    const struct {
        QString entry, find, replace;
    } cases[] = {
        {BuildPairEntry(QStringLiteral("abc"), QStringLiteral("xyz")), QStringLiteral("abc"), QStringLiteral("xyz")},
        {BuildPairEntry(QStringLiteral(" a "), QString()), QStringLiteral(" a "), QString()},
        {BuildPairEntry(QString(), QStringLiteral("r")), QString(), QStringLiteral("r")},
        {BuildPairEntry(QStringLiteral("a\r\nb"), QStringLiteral("c\r\nd")), QStringLiteral("a\r\nb"), QStringLiteral("c\r\nd")},
        // A damaged entry without the later fields gives empty texts instead of failing.
        {QStringLiteral("only"), QStringLiteral("only"), QString()},
        {QString(), QString(), QString()},
    };
    for (const auto& c : cases) {
        const PairTexts t = SplitPairEntry(c.entry);
        EXPECT_EQ(t.find, c.find) << c.entry.toStdString();
        EXPECT_EQ(t.replace, c.replace) << c.entry.toStdString();
    }
}

TEST(PairEntry, AnotherSeparatorIsHonoured)
{
    const QString entry = BuildPairEntry(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("|"));
    EXPECT_EQ(SplitPairEntry(entry, QStringLiteral("|")).replace, QStringLiteral("b"));
    EXPECT_EQ(DisplayPairEntry(entry, QStringLiteral("|")), QStringLiteral("a  \u21D2  b"));
}
