#include "platform/framework/Collections.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

TEST(CArray, GrowInsertRemove)
{
    CUIntArray a;
    a.SetSize(0, 16);
    for (UINT i = 0; i < 5; ++i)
        EXPECT_EQ(a.Add(i * 10), INT_PTR(i));
    a.InsertAt(1, 5, 2);
    a.RemoveAt(0);
    ASSERT_EQ(a.GetSize(), 6);
    EXPECT_EQ(a[0], 5u);
    EXPECT_EQ(a[1], 5u);
    EXPECT_EQ(a[2], 10u);
    a.SetAtGrow(9, 99);
    EXPECT_EQ(a.GetSize(), 10);
    EXPECT_EQ(a[8], 0u); // the gap is value-initialised
    a.InsertAt(0, a[9]); // an element of the array itself
    EXPECT_EQ(a[0], 99u);
    EXPECT_THROW(a.GetAt(11), std::out_of_range);
    EXPECT_THROW(a.RemoveAt(5, 99), std::out_of_range);
    EXPECT_THROW(a.SetAtGrow(-1, 0), std::out_of_range);

    CStringArray names;
    names.Add(u"a");
    names.InsertAt(3, u"d"); // past the end grows first
    EXPECT_EQ(names.GetSize(), 4);
    EXPECT_EQ(names[3], u"d");
    EXPECT_TRUE(names[1].IsEmpty());
}

TEST(CList, PositionsWalkBothWays)
{
    CStringList list;
    POSITION b = list.AddTail(u"b");
    list.AddHead(u"a");
    list.InsertAfter(b, u"c");
    list.InsertBefore(nullptr, u"first");
    std::vector<CString> forward;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        forward.push_back(list.GetNext(pos));
    EXPECT_EQ(forward, (std::vector<CString> { u"first", u"a", u"b", u"c" }));
    EXPECT_EQ(list.Find(u"c"), list.GetTailPosition());
    EXPECT_EQ(list.Find(u"b", b), nullptr);
    EXPECT_EQ(list.FindIndex(2), b);
    EXPECT_EQ(list.FindIndex(4), nullptr);
    list.RemoveAt(b);
    EXPECT_EQ(list.RemoveTail(), u"c");
    EXPECT_EQ(list.RemoveHead(), u"first");
    EXPECT_EQ(list.GetCount(), 1);
    POSITION back = list.GetTailPosition();
    EXPECT_EQ(list.GetPrev(back), u"a");
    EXPECT_EQ(back, nullptr);
    list.RemoveAll();
    EXPECT_THROW(list.RemoveHead(), std::out_of_range);
}

namespace {
template <typename Map, typename K, typename V> std::vector<std::pair<K, V>> Walk(const Map& map)
{
    std::vector<std::pair<K, V>> items;
    K key;
    V value;
    for (POSITION pos = map.GetStartPosition(); pos;) {
        map.GetNextAssoc(pos, key, value);
        items.emplace_back(key, value);
    }
    return items;
}
}

TEST(CMap, BucketOrderIsDeterministic)
{
    // Keys hash as key >> 4 into 17 buckets; a chain lists its newest entry first.
    CMap<UINT, UINT, int, int> map;
    map[0x10] = 1; // bucket 1
    map[0x00] = 2; // bucket 0
    map[0x120] = 3; // 0x12 % 17 = 1, ahead of 0x10
    map[0x20] = 4; // bucket 2
    auto items = Walk<decltype(map), UINT, int>(map);
    EXPECT_EQ(items, (std::vector<std::pair<UINT, int>> { { 0x00, 2 }, { 0x120, 3 }, { 0x10, 1 }, { 0x20, 4 } }));

    map[0x10] = 5; // replacing keeps the place
    EXPECT_EQ(map.GetCount(), 4);
    EXPECT_TRUE(map.RemoveKey(0x120));
    EXPECT_FALSE(map.RemoveKey(0x120));
    items = Walk<decltype(map), UINT, int>(map);
    EXPECT_EQ(items, (std::vector<std::pair<UINT, int>> { { 0x00, 2 }, { 0x10, 5 }, { 0x20, 4 } }));
}

TEST(CMap, StringKeysLookupAndSameOrderEveryTime)
{
    auto build = [](CMapStringToString& map) {
        map.InitHashTable(7);
        for (const char16_t* key : { u"alpha", u"beta", u"gamma", u"delta", u"epsilon", u"zeta", u"eta", u"theta" })
            map.SetAt(key, CString(key) + u"!");
    };
    CMapStringToString first, second;
    build(first);
    build(second);
    EXPECT_EQ(first.GetHashTableSize(), 7u);
    auto a = Walk<CMapStringToString, CString, CString>(first);
    EXPECT_EQ(a, (Walk<CMapStringToString, CString, CString>(second)));
    EXPECT_EQ(a.size(), 8u);

    CString value;
    EXPECT_TRUE(first.Lookup(u"gamma", value));
    EXPECT_EQ(value, u"gamma!");
    EXPECT_FALSE(first.Lookup(u"Gamma", value));
    first.InitHashTable(31); // refused while entries exist
    EXPECT_EQ(first.GetHashTableSize(), 7u);
    first.RemoveAll();
    EXPECT_EQ(first.GetStartPosition(), nullptr);
    EXPECT_FALSE(first.Lookup(u"gamma", value));
}
