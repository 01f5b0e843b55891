#include "platform/framework/Geometry.h"
#include "platform/framework/String.h"

#include <gtest/gtest.h>

TEST(CString, FormatFollowsTheTypeSafeFormatter)
{
    CString name(u"Resize");
    CString text;
    text.Format(u"%s: %d%%, %.2f", name, 7, 2.5); // a CString argument, '.' whatever the locale
    EXPECT_EQ(text, u"Resize: 7%, 2.50");
    text.AppendFormat(u" [%s]", "narrow \xC3\xA9");
    EXPECT_EQ(text, u"Resize: 7%, 2.50 [narrow \u00E9]");
    CStringA narrow;
    narrow.Format("%s=%u", CString(u"w"), -1);
    EXPECT_EQ(narrow, "w=4294967295");
}

TEST(CString, ConversionsAndComparisons)
{
    CString wide("gr\xC3\xBC\xC3\x9F");
    EXPECT_EQ(wide, u"gr\u00FC\u00DF");
    EXPECT_EQ(CStringA(wide), "gr\xC3\xBC\xC3\x9F");
    EXPECT_EQ(CString(static_cast<const WCHAR*>(nullptr)).GetLength(), 0);
    EXPECT_LT(CString(u"Abc").Compare(u"abc"), 0);
    EXPECT_EQ(CString(u"Abc").CompareNoCase(u"aBC"), 0);
    EXPECT_GT(CString(u"b").Compare(u"a"), 0);
    const WCHAR* raw = CString(u"x") + u'y' + u"z" == u"xyz" ? u"ok" : u"bad";
    EXPECT_EQ(CString(raw), u"ok");
}

TEST(CString, SearchAndEditTable)
{
    CString s(u"a,b,,c");
    EXPECT_EQ(s.Find(u','), 1);
    EXPECT_EQ(s.Find(u',', 2), 3);
    EXPECT_EQ(s.Find(u",c"), 4);
    EXPECT_EQ(s.Find(u"x"), -1);
    EXPECT_EQ(s.Find(u"a", 99), -1);
    EXPECT_EQ(s.ReverseFind(u','), 4);
    EXPECT_EQ(s.Mid(2), u"b,,c");
    EXPECT_EQ(s.Mid(2, 1), u"b");
    EXPECT_EQ(s.Mid(99), u"");
    EXPECT_EQ(s.Left(99), s);
    EXPECT_EQ(s.Right(2), u",c");
    EXPECT_EQ(s.Left(-1), u"");

    CString r(u"one two one");
    EXPECT_EQ(r.Replace(u"one", u"1"), 2);
    EXPECT_EQ(r, u"1 two 1");
    EXPECT_EQ(r.Replace(u"", u"x"), 0);
    EXPECT_EQ(r.Replace(u' ', u'_'), 2);
    EXPECT_EQ(r.Remove(u'1'), 2);
    EXPECT_EQ(r, u"_two_");
    EXPECT_EQ(r.Insert(0, u'<'), 6);
    EXPECT_EQ(r.Insert(99, u">"), 7); // past the end appends
    EXPECT_EQ(r, u"<_two_>");
    EXPECT_EQ(r.Delete(1, 1), 6);
    EXPECT_EQ(r.Delete(4, 99), 4);
    EXPECT_EQ(r, u"<two");

    CString t(u"  \tpad \r\n");
    EXPECT_EQ(CString(t).Trim(), u"pad");
    EXPECT_EQ(CString(t).TrimLeft(), u"pad \r\n");
    EXPECT_EQ(CString(u"xxaxx").Trim(u'x'), u"a");
    EXPECT_EQ(CString(u"-+a+-").TrimRight(u"+-"), u"-+a");
    EXPECT_EQ(CString(u"MiXeD \u00C4").MakeUpper(), u"MIXED \u00C4");
    EXPECT_EQ(CString(u"MiXeD").MakeLower(), u"mixed");
}

TEST(CString, TokenizeSkipsEmptyFieldsAndEnds)
{
    CString s(u";a;;bc;");
    int pos = 0;
    EXPECT_EQ(s.Tokenize(u";", pos), u"a");
    EXPECT_EQ(s.Tokenize(u";", pos), u"bc");
    EXPECT_EQ(s.Tokenize(u";", pos), u"");
    EXPECT_EQ(pos, -1);
    EXPECT_EQ(s.Tokenize(u";", pos), u""); // stays finished
    EXPECT_EQ(pos, -1);
}

TEST(CString, BufferAccess)
{
    CString s(u"ab");
    WCHAR* buffer = s.GetBuffer(10);
    buffer[2] = u'c';
    buffer[3] = 0;
    s.ReleaseBuffer();
    EXPECT_EQ(s, u"abc");
    buffer = s.GetBufferSetLength(5);
    buffer[3] = u'd';
    buffer[4] = u'e';
    s.ReleaseBuffer(5);
    EXPECT_EQ(s, u"abcde");
    s.GetBuffer(0);
    s.ReleaseBuffer(2);
    EXPECT_EQ(s, u"ab");
}

TEST(Geometry, RectOperationsTable)
{
    CRect a(0, 0, 10, 10), b(5, 5, 20, 20), r;
    EXPECT_TRUE(r.IntersectRect(&a, &b));
    EXPECT_EQ(r, CRect(5, 5, 10, 10));
    EXPECT_FALSE(r.IntersectRect(&a, CRect(10, 0, 20, 10))); // touching edges do not overlap
    EXPECT_TRUE(r.IsRectNull());
    EXPECT_TRUE(r.UnionRect(&a, &b));
    EXPECT_EQ(r, CRect(0, 0, 20, 20));
    EXPECT_TRUE(r.UnionRect(&a, CRect(50, 50, 50, 60))); // empty operand ignored
    EXPECT_EQ(r, a);
    EXPECT_TRUE(r.SubtractRect(&a, CRect(0, 0, 4, 10)));
    EXPECT_EQ(r, CRect(4, 0, 10, 10));
    EXPECT_TRUE(r.SubtractRect(&a, CRect(2, 2, 4, 4))); // a hole leaves the rectangle whole
    EXPECT_EQ(r, a);
    EXPECT_FALSE(r.SubtractRect(&a, CRect(-1, -1, 11, 11)));

    EXPECT_TRUE(a.PtInRect(CPoint(0, 9)));
    EXPECT_FALSE(a.PtInRect(CPoint(10, 5)));
    CRect n(10, 10, 0, 0);
    EXPECT_TRUE(n.IsRectEmpty());
    n.NormalizeRect();
    EXPECT_EQ(n, a);
    n.DeflateRect(1, 2);
    EXPECT_EQ(n, CRect(1, 2, 9, 8));
    n.OffsetRect(CPoint(1, 1));
    EXPECT_EQ(n.TopLeft(), CPoint(2, 3));
    EXPECT_EQ(n.Size(), CSize(8, 6));
    n &= CRect(0, 0, 5, 5);
    EXPECT_EQ(n, CRect(2, 3, 5, 5));
    EXPECT_EQ(CPoint(7, 9) - CPoint(2, 3), CSize(5, 6));
    EXPECT_EQ(CPoint(LPARAM(0xFFFE0003)), CPoint(3, -2)); // signed halves
    RECT* raw = n;
    EXPECT_EQ(raw->left, 2);
}
