// Buffers handed from one file to the next: what is taken is empty and has the room asked for,
// the memory of a file's buffer is used again, and nothing large or released is held on to.
#include "platform/SpareBuffers.h"

#include <gtest/gtest.h>

using namespace tralex;

TEST(SpareBuffers, AFilesBufferIsUsedAgainEmptyAndALargeOneIsNotKept)
{
    struct Case {
        const char* what;
        qsizetype size;
        bool usedAgain;
    };
    const Case cases[] = {
        {"a file's buffer", 50'000, true},
        {"a buffer too large to keep", qsizetype(40) << 20, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SpareBuffers::Give(QByteArray(c.size, 'x'));

        const QByteArray taken = SpareBuffers::Take(1000);
        EXPECT_TRUE(taken.isEmpty());
        EXPECT_GE(taken.capacity(), 1000);
        // The buffer given has all of its room; a new one only what was asked for.
        EXPECT_EQ(taken.capacity() >= c.size, c.usedAgain);
        SpareBuffers::Release();
    }
}

// A buffer smaller than asked for is not handed out; after Release, none is.
TEST(SpareBuffers, TakeGivesRoomEnoughAndReleaseEmptiesThePool)
{
    QByteArray small(100, 'a');
    const char* smallData = small.constData();
    SpareBuffers::Give(std::move(small));
    QByteArray large = SpareBuffers::Take(10'000);
    EXPECT_NE(large.constData(), smallData);
    EXPECT_GE(large.capacity(), 10'000);

    SpareBuffers::Release();
    SpareBuffers::Give(QByteArray(20'000, 'b'));
    EXPECT_GE(SpareBuffers::Take(10).capacity(), 20'000);
    SpareBuffers::Give(QByteArray(20'000, 'b'));
    SpareBuffers::Release();
    EXPECT_LT(SpareBuffers::Take(10).capacity(), 20'000);
}
