#include "core/song/indexed_lists.h"

#include <gtest/gtest.h>

using namespace cantelo;

namespace {

void fill(TItemLyr& l, int n) {
    for (int i = 0; i < n; ++i) l.add(std::to_string(i), 0, i * 10.0);
}

} // namespace

TEST(IndexedList, WalksFromTheNearestEndOrCursor) {
    TItemLyr l;
    fill(l, 10);
    for (int i = 0; i < 10; ++i) ASSERT_EQ(l.get(i)->text, std::to_string(i));
    for (int i = 9; i >= 0; --i) ASSERT_EQ(l.get(i)->text, std::to_string(i));
    EXPECT_EQ(l.get(3)->text, "3");
    EXPECT_EQ(l.cursorIndex(), 3);
    EXPECT_EQ(l.get(8)->text, "8");
    EXPECT_EQ(l.get(1)->text, "1");
    EXPECT_EQ(l.get(10), nullptr);
    EXPECT_EQ(l.get(-1), nullptr);
    EXPECT_EQ(l.cursorIndex(), 1);
}

TEST(IndexedList, RemoveLeavesCursorOnThePreviousItem) {
    TItemLyr l;
    fill(l, 3);
    l.remove(0);
    EXPECT_EQ(l.count(), 2);
    EXPECT_EQ(l.cursorIndex(), 0);
    EXPECT_EQ(l.get(0)->text, "1");
    l.add("x", 1, 5);
    l.remove(2);
    EXPECT_EQ(l.cursorIndex(), 1);
    EXPECT_EQ(l.get(1)->text, "2");
    l.remove(7); // out of range: nothing
    EXPECT_EQ(l.count(), 2);
    l.remove(1);
    l.remove(0);
    EXPECT_EQ(l.count(), 0);
    EXPECT_EQ(l.head(), nullptr);
    EXPECT_EQ(l.tail(), nullptr);
}

TEST(IndexedList, InsertPlacesBeforeOrAppends) {
    TItemLyr l;
    fill(l, 3);
    l.insert(5, "end", 0, 0);
    EXPECT_EQ(l.get(3)->text, "end");
    l.insert(1, "mid", 1, 0);
    EXPECT_EQ(l.cursorIndex(), 1);
    EXPECT_EQ(l.get(0)->text, "0");
    EXPECT_EQ(l.get(1)->text, "mid");
    EXPECT_EQ(l.get(2)->text, "1");
    l.insert(0, "first", 0, 0);
    EXPECT_EQ(l.head()->text, "first");
    EXPECT_EQ(l.count(), 6);

    TItemLyr one;
    one.add("a", 0, 0);
    one.insert(0, "b", 0, 0); // a one-item list too: before the item at 0
    EXPECT_EQ(one.head()->text, "b");
    EXPECT_EQ(one.tail()->text, "a");
    const LyrItem* front = one.insert(-3, "c", 0, 0); // a negative index means the front
    EXPECT_EQ(front, one.head());
}

TEST(IndexedList, ClearThenAddGivesTheNewItem) {
    TItemKL l;
    l.add("one", 1);
    l.add("two", 2);
    l.clear();
    EXPECT_EQ(l.cursorIndex(), -1);
    EXPECT_EQ(l.get(0), nullptr);
    l.add("three", 3);
    ASSERT_NE(l.get(l.count() - 1), nullptr);
    EXPECT_EQ(*l.get(0), "three");
}
