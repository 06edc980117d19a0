// CQuickVector: inline storage, growth steps, clearing and copy semantics.
#include <gtest/gtest.h>

#include "enviro/effector/QuickVector.h"

namespace {

using IntList = CQuickVector<int, 3>;

void fill(IntList& list, int n, int first = 0) {
    for (int i = 0; i < n; ++i) ASSERT_TRUE(list.append(first + i));
}

TEST(QuickVector, KeepsSixteenElementsInline) {
    IntList list;
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.capacity(), 16);
    EXPECT_FALSE(list.usesHeap());
    fill(list, 16);
    EXPECT_EQ(list.count(), 16);
    EXPECT_EQ(list.capacity(), 16);
    EXPECT_FALSE(list.usesHeap());
    // The data pointer still points inside the object.
    const char* self = reinterpret_cast<const char*>(&list);
    const char* data = reinterpret_cast<const char*>(list.data());
    EXPECT_TRUE(data >= self && data < self + sizeof(list));
}

TEST(QuickVector, SeventeenthAppendMovesElementsToHeap) {
    IntList list;
    fill(list, 17, 100);
    EXPECT_TRUE(list.usesHeap());
    EXPECT_EQ(list.capacity(), 34);
    EXPECT_EQ(list.count(), 17);
    for (int i = 0; i < 17; ++i) EXPECT_EQ(list[i], 100 + i) << i;
    const char* self = reinterpret_cast<const char*>(&list);
    const char* data = reinterpret_cast<const char*>(list.data());
    EXPECT_FALSE(data >= self && data < self + sizeof(list));
}

TEST(QuickVector, CapacityRunsByOneEighthPlusSixteen) {
    IntList list;
    const int expected[] = {16, 34, 54, 76, 101, 129, 161, 197};
    int step = 0;
    int last = list.capacity();
    EXPECT_EQ(last, expected[0]);
    for (int i = 0; i < 197; ++i) {
        ASSERT_TRUE(list.append(i));
        if (list.capacity() != last) {
            last = list.capacity();
            ++step;
            ASSERT_LT(step, 8);
            EXPECT_EQ(last, expected[step]) << "after " << i + 1 << " appends";
            // Growth happens exactly when a full list gets one more element.
            EXPECT_EQ(i, expected[step - 1]);
        }
    }
    EXPECT_EQ(step, 7);
    for (int i = 0; i < 197; ++i) ASSERT_EQ(list[i], i);
}

TEST(QuickVector, ClearKeepsStorage) {
    IntList list;
    fill(list, 40);
    ASSERT_EQ(list.capacity(), 54);
    const int* block = list.data();
    list.clear();
    EXPECT_EQ(list.count(), 0);
    fill(list, 10, 7);
    EXPECT_EQ(list.capacity(), 54);
    EXPECT_EQ(list.data(), block);
    EXPECT_EQ(list.count(), 10);
    EXPECT_EQ(list[9], 16);
}

TEST(QuickVector, ReserveKeepsContentsAndNeverShrinks) {
    IntList list;
    fill(list, 5, 1);
    EXPECT_TRUE(list.reserve(8));  // within the inline block: nothing happens
    EXPECT_FALSE(list.usesHeap());
    EXPECT_TRUE(list.reserve(100));
    EXPECT_EQ(list.capacity(), 100);
    EXPECT_TRUE(list.reserve(20));
    EXPECT_EQ(list.capacity(), 100);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(list[i], 1 + i);
    EXPECT_TRUE(list.reserve(300));  // an existing heap block keeps its contents when it grows
    for (int i = 0; i < 5; ++i) EXPECT_EQ(list[i], 1 + i);
    EXPECT_TRUE(list.reserve(-5));
    EXPECT_EQ(list.capacity(), 300);
}

TEST(QuickVector, ResizeZeroFillsNewElements) {
    IntList list;
    fill(list, 3, 9);
    ASSERT_TRUE(list.resize(20));
    EXPECT_EQ(list.count(), 20);
    EXPECT_EQ(list[2], 11);
    for (int i = 3; i < 20; ++i) EXPECT_EQ(list[i], 0);
    ASSERT_TRUE(list.resize(-1));
    EXPECT_EQ(list.count(), 0);
}

TEST(QuickVector, ResizeGrowsByTheAppendStepsNotToTheExactLength) {
    // A list resized to a length one longer each frame reallocates only at the growth steps.
    IntList list;
    int reallocations = 0;
    for (int n = 1; n <= 197; ++n) {
        const int before = list.capacity();
        ASSERT_TRUE(list.resize(n));
        reallocations += list.capacity() != before;
    }
    EXPECT_EQ(list.capacity(), 197);
    EXPECT_EQ(reallocations, 7);  // 34, 54, 76, 101, 129, 161, 197
    // A jump past the next step goes straight to the length asked for.
    IntList jump;
    ASSERT_TRUE(jump.resize(500));
    EXPECT_EQ(jump.capacity(), 500);
    ASSERT_TRUE(jump.resize(501));
    EXPECT_EQ(jump.capacity(), 500 + 500 / 8 + 16);
}

TEST(QuickVector, CopyHasItsOwnStorage) {
    IntList a;
    fill(a, 20);
    IntList b(a);
    ASSERT_EQ(b.count(), 20);
    EXPECT_NE(b.data(), a.data());
    for (int i = 0; i < 20; ++i) EXPECT_EQ(b[i], i);
    b[0] = -1;
    a[1] = -2;
    EXPECT_EQ(a[0], 0);
    EXPECT_EQ(b[1], 1);

    // A copy of a short list stays inline.
    IntList small;
    fill(small, 3);
    IntList smallCopy(small);
    EXPECT_FALSE(smallCopy.usesHeap());
    EXPECT_EQ(smallCopy.count(), 3);
}

TEST(QuickVector, AssignmentKeepsOwnStorage) {
    IntList big;
    fill(big, 60);
    ASSERT_EQ(big.capacity(), 76);
    const int* block = big.data();
    IntList small;
    fill(small, 5, 50);
    big = small;  // the larger block stays; only the count and elements change
    EXPECT_EQ(big.count(), 5);
    EXPECT_EQ(big.capacity(), 76);
    EXPECT_EQ(big.data(), block);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(big[i], 50 + i);

    IntList target;  // a smaller target grows only to the source's count
    target = big;
    EXPECT_EQ(target.count(), 5);
    EXPECT_EQ(target.capacity(), 16);
    fill(big, 30);
    target = big;
    EXPECT_EQ(target.count(), 35);
    EXPECT_EQ(target.capacity(), 35);
    EXPECT_EQ(target[34], 29);

    IntList& alias = target;
    target = alias;  // self-assignment changes nothing
    EXPECT_EQ(target.count(), 35);
    EXPECT_EQ(target[0], 50);
}

}  // namespace
