#include "services/OrderedList.h"
#include "platform/ProgramError.h"

#include <gtest/gtest.h>

using namespace tralex;

TEST(OrderedList, PositionsCountFromOneAndRemovalMovesLaterItemsUp)
{
    OrderedList list;
    list.Add(QStringLiteral("a"));
    list.Add(QStringLiteral("b"));
    list.Add(QStringLiteral("c"));
    list.Remove(1);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Item(1), QStringLiteral("b"));
    EXPECT_EQ(list.Item(2), QStringLiteral("c"));
}

TEST(OrderedList, PositionsOutsideTheListRaiseTheProgramError)
{
    OrderedList list;
    list.Add(QStringLiteral("a"));
    for (int position : {0, 2, -1}) {
        EXPECT_THROW(list.Item(position), ProgramError) << position;
        EXPECT_THROW(list.Remove(position), ProgramError) << position;
    }
    EXPECT_EQ(list.Count(), 1);
}

TEST(OrderedList, DuplicateKeysAreRefusedWithoutRegardToCase)
{
    OrderedList list;
    EXPECT_TRUE(list.Add(QStringLiteral("/t/Sub/"), QStringLiteral("/t/Sub/")));
    EXPECT_FALSE(list.Add(QStringLiteral("/t/SUB/"), QStringLiteral("/t/SUB/")));
    EXPECT_FALSE(list.Add(QStringLiteral("/t/ｓｕｂ/"), QStringLiteral("/t/sub/")));
    EXPECT_EQ(list.Count(), 1);
    EXPECT_TRUE(list.ContainsKey(QStringLiteral("/T/sub/")));
    // Items without a key are never refused.
    list.Add(QStringLiteral("/t/Sub/"));
    EXPECT_EQ(list.Count(), 2);
}

TEST(OrderedList, RemovingAKeyedItemFreesItsKey)
{
    OrderedList list;
    list.Add(QStringLiteral("x"), QStringLiteral("k"));
    list.Add(QStringLiteral("y"), QStringLiteral("j"));
    list.Remove(1);
    EXPECT_FALSE(list.ContainsKey(QStringLiteral("K")));
    EXPECT_TRUE(list.ContainsKey(QStringLiteral("J")));
    EXPECT_TRUE(list.Add(QStringLiteral("z"), QStringLiteral("K")));
    list.Clear();
    EXPECT_TRUE(list.Add(QStringLiteral("y"), QStringLiteral("j")));
}

TEST(OrderedList, ReferencesShareOneList)
{
    OrderedListRef owner = makeOrderedList();
    OrderedListRef engine = owner;
    engine->Add(QStringLiteral("pair"));
    ASSERT_EQ(owner->Count(), 1);
    EXPECT_EQ(owner->Item(1), QStringLiteral("pair"));
}
