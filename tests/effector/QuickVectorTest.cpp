// CQuickVector: inline storage, growth steps, clearing and copies.
#include <gtest/gtest.h>

#include "enviro/effector/QuickVector.h"

namespace {

using IntList = CQuickVector<int, 3>;

void fill(IntList& list, int n, int first = 0) {
    for (int i = 0; i < n; ++i) ASSERT_TRUE(list.append(first + i));
}

TEST(QuickVector, AppendAndResizeGrowByTheSameSteps) {
    // Capacities worked by hand: 16 inline, then each step adds one eighth of the length plus 16.
    IntList appended, resized, jump;
    for (int capacity : {16, 34, 54, 76, 101, 129, 161, 197}) {
        fill(appended, capacity - appended.count(), appended.count());
        ASSERT_TRUE(resized.resize(capacity));
        EXPECT_EQ(appended.capacity(), capacity);  // a full list grows only with one more element
        EXPECT_EQ(appended.usesHeap(), capacity > 16);
        ASSERT_TRUE(appended.append(capacity) && resized.resize(capacity + 1));
        EXPECT_EQ(resized.capacity(), appended.capacity());  // to the next step, not to the length
    }
    for (int i = 0; i <= 197; ++i) ASSERT_TRUE(appended[i] == i && resized[i] == 0);  // new elements are zero-filled
    ASSERT_TRUE(jump.resize(500) && jump.capacity() == 500);  // a jump past the next step goes straight to the length
    ASSERT_TRUE(jump.resize(-1) && jump.count() == 0);
}

TEST(QuickVector, ClearReserveAndAssignmentKeepTheStorage) {
    IntList list, small;
    fill(list, 40, 1);
    EXPECT_TRUE(list.reserve(20) && list.capacity() == 54);  // never shrinks
    EXPECT_TRUE(list.reserve(300) && list[39] == 40);  // a heap block keeps its contents when it grows
    const int* block = list.data();
    list.clear();
    fill(list, 10, 7);
    fill(small, 5, 50);
    IntList copy(list), shortCopy(small);
    list = small;
    EXPECT_TRUE(list.data() == block && list.capacity() == 300 && list.count() == 5 && list[4] == 54);
    EXPECT_TRUE(copy.data() != block && copy[9] == 16 && copy.capacity() == 16 && !shortCopy.usesHeap());  // copies take the source's count
    EXPECT_TRUE(small.reserve(100) && small[4] == 54);  // leaving the inline block keeps the elements too
}

}  // namespace
