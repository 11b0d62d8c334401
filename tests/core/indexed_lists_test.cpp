#include "core/song/indexed_lists.h"

#include "lyric_items.h"

#include <gtest/gtest.h>

using namespace cantelo;

// The lists walk from the nearest end or from the item reached last; every edit must leave that
// cursor on an item that is still there.
TEST(IndexedList, LookUpsEditsAndTheCursorAgree) {
    TItemLyr l;
    setItems(l, "0@0,1@10,2@20,3@30,4@40,5@50,6@60,7@70,8@80,9@90");
    for (int i = 0; i < 10; ++i) ASSERT_EQ(l.get(i)->text, std::to_string(i));
    for (int i = 9; i >= 0; --i) ASSERT_EQ(l.get(i)->text, std::to_string(i));
    EXPECT_EQ(l.get(3)->text, "3");
    EXPECT_EQ(l.cursorIndex(), 3);
    EXPECT_EQ(l.get(8)->text, "8");
    EXPECT_EQ(l.get(1)->text, "1");
    EXPECT_EQ(l.get(10), nullptr);
    EXPECT_EQ(l.get(-1), nullptr);
    EXPECT_EQ(l.cursorIndex(), 1);

    // Removing leaves the cursor on the item before.
    setItems(l, "0@0,1@10,2@20");
    l.remove(0);
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

TEST(IndexedList, ClearThenAddGivesTheNewItem) {
    TItemKL lines;
    lines.add("one", 1);
    lines.add("two", 2);
    lines.clear();
    EXPECT_EQ(lines.cursorIndex(), -1);
    EXPECT_EQ(lines.get(0), nullptr);
    lines.add("three", 3);
    ASSERT_NE(lines.get(lines.count() - 1), nullptr);
    EXPECT_EQ(*lines.get(0), "three");
}

TEST(IndexedList, InsertPlacesBeforeOrAppends) {
    TItemLyr l;
    setItems(l, "0@0,1@10,2@20");
    l.insert(5, "end", 0, 0);
    l.insert(1, "mid", 0, 0);
    EXPECT_EQ(l.cursorIndex(), 1);
    l.insert(0, "first", 0, 0);
    EXPECT_EQ(joinedItems(l), "first@0,0@0,mid@0,1@10,2@20,end@0");

    TItemLyr one;
    one.add("a", 0, 0);
    one.insert(0, "b", 0, 0);                         // a one-item list too: before the item at 0
    const LyrItem* front = one.insert(-3, "c", 0, 0); // a negative index means the front
    EXPECT_EQ(front, one.head());
    EXPECT_EQ(joinedItems(one), "c@0,b@0,a@0");
}
