#include "components/foundation/ClsStringArray.h"
#include "components/foundation/ExtIntArray.h"
#include "components/foundation/ExtPtrArray.h"
#include "components/foundation/HashMap.h"
#include "components/foundation/NamedObject.h"
#include "components/foundation/Queue.h"
#include "components/foundation/StringBuffer.h"
#include "components/foundation/StringPair.h"
#include "components/foundation/TV_List.h"
#include "components/foundation/TextMatch.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

using torvane::StringBuffer;

namespace {
// Counts its own destructions, to prove who deletes what.
struct Tracked : TorvaneObject {
    explicit Tracked(int* counter)
        : counter(counter)
    {
    }
    ~Tracked() override { ++*counter; }
    int* counter;
};
} // namespace

TEST(ExtPtrArrayTest, CapacityDoublesThroughTheStep)
{
    ExtPtrArray array;
    std::vector<int> capacities;
    TorvaneObject object;
    for (int i = 0; i < 41; ++i) {
        array.Append(&object);
        if (capacities.empty() || capacities.back() != array.GetCapacity())
            capacities.push_back(array.GetCapacity());
        if (i == 5) {
            EXPECT_EQ(array.GetCapacity(), 10);
            EXPECT_EQ(array.GetGrowthStep(), 10);
        }
    }
    EXPECT_EQ(capacities, (std::vector<int> { 5, 10, 20, 40, 80 }));
    array.Forget();
    EXPECT_EQ(array.GetCount(), 0);
}

TEST(ExtPtrArrayTest, InsertSetRemove)
{
    TorvaneObject a, b, p;
    ExtPtrArray array;
    array.Append(&a);
    array.Append(&b);
    array.InsertAt(-3, &p);
    EXPECT_EQ(array.GetAt(0), &p);
    EXPECT_EQ(array.GetAt(1), &a);
    array.InsertAt(9, &p);
    EXPECT_EQ(array.GetCount(), 4);
    EXPECT_EQ(array.Last(), &p);
    EXPECT_EQ(array.RemoveAt(1), &a);
    EXPECT_EQ(array.GetAt(1), &b);
    EXPECT_EQ(array.RemoveAt(7), nullptr);
    EXPECT_EQ(array.Pop(), &p);
    EXPECT_EQ(array.GetAt(-1), nullptr);

    ExtPtrArray sparse;
    sparse.SetAt(4, &p);
    EXPECT_EQ(sparse.GetCount(), 5);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(sparse.GetAt(i), nullptr);
    EXPECT_EQ(sparse.GetAt(4), &p);
    sparse.Forget();
}

TEST(ExtPtrArrayTest, DeleteAllDeletesOnlyWhenAsked)
{
    int deleted = 0;
    {
        ExtPtrArray array;
        array.Append(new Tracked(&deleted));
        array.Append(nullptr);
        array.Append(new Tracked(&deleted));
        array.DeleteAll();
        EXPECT_EQ(deleted, 2);
        EXPECT_EQ(array.GetCount(), 0);
    }
    Tracked kept(&deleted);
    {
        ExtPtrArray array;
        array.Append(&kept);
    }
    EXPECT_EQ(deleted, 2);

    ExtPtrArray raw;
    raw.AppendRaw(std::malloc(16));
    raw.FreeAllRaw();
    EXPECT_EQ(raw.GetCount(), 0);
}

TEST(ExtIntArrayTest, GrowthAndRemoval)
{
    ExtIntArray array;
    std::vector<int> capacities { array.GetCapacity() };
    for (int i = 0; i < 1000; ++i) {
        array.Append(i);
        if (capacities.back() != array.GetCapacity())
            capacities.push_back(array.GetCapacity());
    }
    EXPECT_EQ(capacities, (std::vector<int> { 80, 280, 560, 1120 }));
    EXPECT_EQ(array.GetAt(999), 999);

    ExtIntArray three;
    three.Append(1);
    three.Append(2);
    three.Append(3);
    EXPECT_EQ(three.RemoveAt(5), 3);
    EXPECT_EQ(three.RemoveAt(-1), 0);
    EXPECT_EQ(three.GetCount(), 3);
    EXPECT_EQ(three.RemoveAt(0), 2);
    EXPECT_EQ(three.GetAt(0), 2);
}

TEST(TextMatchTest, WildcardMatch)
{
    struct Case {
        const char* text;
        const char* pattern;
        bool caseSensitive;
        bool expected;
    };
    const Case cases[] = {
        { "report.txt", "*.TXT", false, true },
        { "report.txt", "*.TXT", true, false },
        { "abc", "a*b*c", true, true },
        { "abc", "a*c*", true, true },
        { "ab", "a*bc", true, false },
        { "", "**", true, true },
        { "", "", true, true },
        { "", nullptr, true, true },
        { "", "a", true, false },
        { "x", "", true, false },
        { "x", nullptr, true, false },
        { "abc", "abc", true, true },
        { "abc", "ab", true, false },
        { "aXbXc", "a*X*c", true, true },
        { "abcabc", "*bc*bc", true, true },
        { "abcab", "*bc*bc", true, false },
        { "ABC", "a*", false, true },
    };
    for (const Case& c : cases)
        EXPECT_EQ(WildcardMatch(c.text, c.pattern, c.caseSensitive), c.expected)
            << c.text << " ~ " << (c.pattern ? c.pattern : "(null)");
    EXPECT_FALSE(MatchWildcardArgs(nullptr, "", true));
    EXPECT_TRUE(MatchWildcardArgs("*", "", true));
}

TEST(TextMatchTest, FindSubstringNoCase)
{
    const char* text = "Content-Type";
    EXPECT_EQ(FindSubstringNoCase(text, "TYPE"), text + 8);
    EXPECT_EQ(FindSubstringNoCase(text, ""), nullptr);
    EXPECT_EQ(FindSubstringNoCase(nullptr, "a"), nullptr);
    EXPECT_EQ(FindSubstringNoCase(text, "types"), nullptr);
}

TEST(HashMapTest, TenThousandKeysAreAllFoundAgain)
{
    HashMap map(400);
    for (int i = 0; i < 10000; ++i) {
        std::string key = "key-" + std::to_string(i);
        map.SetString(key.c_str(), std::to_string(i * 7).c_str());
    }
    std::set<unsigned> bucketsUsed;
    for (int i = 0; i < 10000; ++i) {
        std::string key = "key-" + std::to_string(i);
        StringBuffer value;
        ASSERT_TRUE(map.GetString(key.c_str(), value)) << key;
        EXPECT_EQ(std::string(value.GetText()), std::to_string(i * 7));
        bucketsUsed.insert(map.BucketOf(key.c_str(), int(key.size())));
    }
    EXPECT_EQ(bucketsUsed.size(), 400u);
    EXPECT_FALSE(map.Contains("key-10000"));
    EXPECT_FALSE(map.Contains("KEY-1"));
}

TEST(HashMapTest, ReplaceRemoveAndOwnership)
{
    int deleted = 0;
    HashMap map(400);
    map.SetString("a", "1");
    map.SetString("a", "2");
    StringBuffer out("x=");
    EXPECT_TRUE(map.GetString("a", out));
    EXPECT_STREQ(out.GetText(), "x=2");
    EXPECT_FALSE(map.GetString(nullptr, out));

    map.SetObjectByName("t", new Tracked(&deleted));
    map.SetObjectByName("t", new Tracked(&deleted));
    EXPECT_EQ(deleted, 1);
    map.RemoveByName("t");
    EXPECT_EQ(deleted, 2);
    EXPECT_EQ(map.LookupByName("t"), nullptr);

    map.AddName("member");
    EXPECT_TRUE(map.Contains("member"));
    EXPECT_NE(map.FindEntry(StringBuffer("member")), nullptr);
    map.SetObjectByName("u", new Tracked(&deleted));
    map.Clear();
    EXPECT_EQ(deleted, 3);
    EXPECT_FALSE(map.Contains("a"));
    EXPECT_EQ(map.GetBucketCount(), 400u);
}

TEST(ListAndQueueTest, OwnItemsNotObjects)
{
    TorvaneObject a, b, c;
    TV_List list;
    list.PushFront(&a);
    list.PushFront(&b);
    list.PushFront(&c);
    EXPECT_EQ(list.GetHead()->m_object, &c);
    list.RemoveObject(&b);
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.GetHead()->m_next->m_object, &a);
    EXPECT_TRUE(list.GetHead()->SameObject(TV_ListItem(&c)));
    list.Clear();
    EXPECT_EQ(list.GetCount(), 0);

    Queue queue;
    EXPECT_EQ(queue.Pop(), nullptr);
    queue.Push(&a);
    queue.Push(&b);
    EXPECT_EQ(queue.Pop(), &a);
    queue.Push(&c);
    EXPECT_EQ(queue.Pop(), &b);
    EXPECT_EQ(queue.Pop(), &c);
    EXPECT_TRUE(queue.IsEmpty());
    queue.Push(&a); // left for the destructor, which frees only the node
}

TEST(StringPairTest, MissingTextsReadAsEmpty)
{
    StringPair pair("name", nullptr);
    EXPECT_STREQ(pair.GetName(), "name");
    EXPECT_STREQ(pair.GetValue(), "");
    EXPECT_EQ(pair.ValueBuffer().GetCapacity(), 100);
    pair.ValueBuffer().Append("v");
    EXPECT_STREQ(pair.GetValue(), "v");
    NamedObject named("n", nullptr);
    EXPECT_STREQ(named.GetName(), "n");
}

TEST(ClsStringArrayTest, DuplicatesAndCounts)
{
    ClsStringArray rejecting;
    rejecting.SetRejectDuplicates(true);
    rejecting.Append("x");
    rejecting.Append("x");
    EXPECT_EQ(rejecting.GetCount(), 1);

    ClsStringArray counting;
    counting.Append("x");
    counting.Append("x");
    EXPECT_EQ(counting.GetCount(), 2);
    EXPECT_TRUE(counting.RemoveAt(0));
    counting.SetRejectDuplicates(true);
    counting.Append("x"); // the count entry of the remaining 'x' is still there
    EXPECT_EQ(counting.GetCount(), 1);
    EXPECT_FALSE(counting.RemoveAt(3));

    ClsStringArray lines;
    lines.Append("a\nb");
    EXPECT_STREQ(lines.GetString(0), "a\r\nb");
    EXPECT_EQ(lines.GetString(1), nullptr);
    StringBuffer out;
    EXPECT_TRUE(lines.PopLast(out));
    EXPECT_STREQ(out.GetText(), "a\r\nb");
    EXPECT_EQ(out.GetEncodingTag(), StringBuffer::TagUtf8);
    EXPECT_FALSE(lines.PopLast(out));
}
