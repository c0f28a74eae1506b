#include "zel/KeyedCollection.h"

#include <gtest/gtest.h>

#include <string>

using zel::Error;
using zel::KeyedCollection;

namespace {

long NumberOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Error& e) {
        return e.Number();
    }
    return 0;
}

} // namespace

TEST(KeyedCollection, PositionsAreOneBasedAndOrdered)
{
    KeyedCollection<int> c;
    c.Add(10, "a");
    c.Add(20);
    c.Add(30, "c");
    ASSERT_EQ(c.Count(), 3);
    EXPECT_EQ(c.Item(1), 10);
    EXPECT_EQ(c.Item(2), 20);
    EXPECT_EQ(c.Item(3), 30);
    EXPECT_EQ(NumberOf([&] { c.Item(0); }), 9);
    EXPECT_EQ(NumberOf([&] { c.Item(4); }), 9);
    EXPECT_EQ(NumberOf([&] { c.Remove(4); }), 9);
}

TEST(KeyedCollection, KeysIgnoreLetterCase)
{
    KeyedCollection<int> c;
    c.Add(1, "Alpha");
    c.Add(2, "Ärger");
    EXPECT_TRUE(c.Contains("ALPHA"));
    EXPECT_EQ(c.Item("alpha"), 1);
    EXPECT_EQ(c.Item("äRGER"), 2);
    EXPECT_EQ(c.KeyAt(1), "Alpha");
    EXPECT_EQ(NumberOf([&] { c.Add(3, "aLPHA"); }), 457);
    EXPECT_EQ(c.Count(), 2);
    EXPECT_EQ(NumberOf([&] { c.Item("beta"); }), 5);
    EXPECT_EQ(NumberOf([&] { c.Remove("beta"); }), 5);
    EXPECT_EQ(c.Find("beta"), nullptr);
}

TEST(KeyedCollection, RemoveKeepsOrderAndFreesTheKey)
{
    KeyedCollection<std::string> c;
    c.Add("x", "1");
    c.Add("y", "2");
    c.Add("z", "3");
    c.Remove("2");
    EXPECT_EQ(c.Count(), 2);
    EXPECT_EQ(c.Item(2), "z");
    EXPECT_EQ(c.PositionOf("3"), 2);
    c.Add("y2", "2");
    EXPECT_EQ(c.Item(3), "y2");
    c.Remove(1);
    EXPECT_FALSE(c.Contains("1"));
    EXPECT_EQ(c.Item(1), "z");
    c.AddBefore(1, "first", "0");
    EXPECT_EQ(c.Item(1), "first");
    std::string all;
    for (auto& s : c)
        all += s + ",";
    EXPECT_EQ(all, "first,z,y2,");
}
