// CQuickVector: inline storage, growth steps, clearing and copies.
#include <gtest/gtest.h>

#include "enviro/effector/QuickVector.h"

namespace {

using IntList = CQuickVector<int, 3>;

bool inline_(const IntList& list) {
    const char* self = reinterpret_cast<const char*>(&list);
    return reinterpret_cast<const char*>(list.data()) >= self && reinterpret_cast<const char*>(list.data()) < self + sizeof(list);
}

void fill(IntList& list, int n, int first = 0) {
    for (int i = 0; i < n; ++i) ASSERT_TRUE(list.append(first + i));
}

TEST(QuickVector, AppendAndResizeGrowByTheSameSteps) {
    // Capacities worked by hand: 16 inline, then each step adds one eighth of the length plus 16.
    const int steps[] = {16, 34, 54, 76, 101, 129, 161, 197};
    IntList appended, resized, jump;
    for (int capacity : steps) {
        fill(appended, capacity - appended.count(), appended.count());
        ASSERT_TRUE(resized.resize(capacity));
        EXPECT_EQ(appended.capacity(), capacity);  // a full list grows only with one more element
        EXPECT_EQ(inline_(appended), capacity == 16);
        ASSERT_TRUE(appended.append(capacity));
        ASSERT_TRUE(resized.resize(capacity + 1));
        EXPECT_EQ(resized.capacity(), appended.capacity());  // to the next step, not to the length
    }
    for (int i = 0; i <= 197; ++i) ASSERT_EQ(appended[i], i);
    for (int i = 0; i <= 197; ++i) ASSERT_EQ(resized[i], 0);  // new elements are zero-filled
    ASSERT_TRUE(jump.resize(500));  // a jump past the next step goes straight to the length asked for
    EXPECT_EQ(jump.capacity(), 500);
    ASSERT_TRUE(jump.resize(-1));
    EXPECT_EQ(jump.count(), 0);
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
    EXPECT_TRUE(inline_(IntList(small)));  // a short copy stays inline
    IntList copy(list);
    EXPECT_NE(copy.data(), list.data());
    list = small;
    EXPECT_TRUE(list.data() == block && list.capacity() == 300);
    EXPECT_TRUE(list.count() == 5 && list[4] == 54);
    EXPECT_EQ(copy[9], 16);
    EXPECT_TRUE(small.reserve(100) && small[4] == 54);  // leaving the inline block keeps the elements too
    fill(copy, 50);
    IntList target;
    target = copy;  // a smaller block grows only to the source's count
    EXPECT_TRUE(target.capacity() == 60 && target[59] == 49);
}

}  // namespace
