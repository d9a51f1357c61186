#include "services/basDataChange.h"

#include <gtest/gtest.h>

using namespace tralex;

TEST(basDataChange, NumericFormGivesADoubleOrTheIntegerZero)
{
    struct Case {
        QVariant value;
        QVariant expected;
    } const cases[] = {
        {QVariant(12), QVariant(12.0)},
        {QVariant(0xC0FFFF), QVariant(double(0xC0FFFF))},
        {QVariant(QStringLiteral(" 2500 ")), QVariant(2500.0)},
        {QVariant(QStringLiteral("-1.5e3")), QVariant(-1500.0)},
        {QVariant(QStringLiteral("12abc")), QVariant(int(0))},
        {QVariant(QStringLiteral("")), QVariant(int(0))},
        {QVariant(QStringLiteral("inf")), QVariant(int(0))},
        {QVariant(), QVariant(int(0))},
        {QVariant::fromValue(nullptr), QVariant(int(0))},
    };
    for (const Case& c : cases) {
        const QVariant got = CleanValue(c.value, true);
        EXPECT_EQ(got.typeId(), c.expected.typeId()) << c.value.toString().toStdString();
        EXPECT_EQ(got, c.expected) << c.value.toString().toStdString();
    }
}

TEST(basDataChange, TextFormTrimsSpacesOrGivesTheEmptyText)
{
    struct Case {
        QVariant value;
        QString expected;
    } const cases[] = {
        {QVariant(QStringLiteral("  終了しました  ")), QStringLiteral("終了しました")},
        {QVariant(QStringLiteral("a\r\n")), QStringLiteral("a\r\n")},  // only spaces go
        {QVariant(QStringLiteral("\u3000x\u3000 ")), QStringLiteral("\u3000x\u3000")},
        {QVariant(42), QStringLiteral("42")},
        {QVariant(), QString()},
        {QVariant::fromValue(nullptr), QString()},
    };
    for (const Case& c : cases) {
        const QVariant got = CleanValue(c.value, false);
        EXPECT_EQ(got.typeId(), QMetaType::QString);
        EXPECT_EQ(got.toString(), c.expected) << c.value.toString().toStdString();
    }
}
