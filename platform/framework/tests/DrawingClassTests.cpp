// The drawing classes on real memory DCs and pixels, and the classes that load resources.
#include "FrameworkTestResources.h"

#include "platform/framework/DC.h"
#include "platform/framework/File.h"
#include "platform/framework/ImageList.h"
#include "platform/framework/Menu.h"
#include "platform/framework/ResourceHandle.h"
#include "platform/user/Resources.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <unistd.h>

namespace {

// A memory DC with a 32-bit bitmap of the given size, filled white.
class Canvas {
public:
    Canvas(int width, int height)
    {
        EXPECT_TRUE(dc.CreateCompatibleDC(nullptr));
        EXPECT_TRUE(bitmap.CreateBitmap(width, height, 1, 32, nullptr));
        // The handle, not the wrapper: a test may clear the temporary wrappers meanwhile.
        old = dc.SelectObject(&bitmap)->m_hObject;
        dc.FillSolidRect(0, 0, width, height, RGB(255, 255, 255));
    }
    ~Canvas() { ::SelectObject(dc.m_hDC, old); }
    std::vector<COLORREF> Pixels(int width, int height)
    {
        std::vector<COLORREF> out;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                out.push_back(dc.GetPixel(x, y));
        return out;
    }

    CDC dc;
    CBitmap bitmap;
    HGDIOBJ old = nullptr;
};

TEST(DrawingClasses, SolidRectanglesAnd3dFrames)
{
    Canvas c(10, 8);
    c.dc.FillSolidRect(CRect(1, 1, 4, 3), RGB(1, 2, 3));
    EXPECT_EQ(c.dc.GetBkColor(), RGB(1, 2, 3)); // the fill colour stays the background colour
    c.dc.Draw3dRect(CRect(5, 2, 9, 7), RGB(255, 0, 0), RGB(0, 0, 255));
    struct {
        int x, y;
        COLORREF colour;
    } cases[] = {
        { 0, 0, RGB(255, 255, 255) }, { 1, 1, RGB(1, 2, 3) }, { 3, 2, RGB(1, 2, 3) }, { 4, 2, RGB(255, 255, 255) },
        { 1, 3, RGB(255, 255, 255) },
        // Frame 5..8 x 2..6: top and left red except the far corners, right and bottom blue.
        { 5, 2, RGB(255, 0, 0) }, { 7, 2, RGB(255, 0, 0) }, { 8, 2, RGB(0, 0, 255) }, { 5, 5, RGB(255, 0, 0) },
        { 5, 6, RGB(0, 0, 255) }, { 8, 6, RGB(0, 0, 255) }, { 8, 4, RGB(0, 0, 255) }, { 6, 4, RGB(255, 255, 255) },
        { 9, 4, RGB(255, 255, 255) },
    };
    for (const auto& p : cases)
        EXPECT_EQ(c.dc.GetPixel(p.x, p.y), p.colour) << p.x << "," << p.y;
}

TEST(DrawingClasses, SelectionGivesThePreviousObjectAndTemporariesGoAtIdle)
{
    Canvas c(4, 4);
    CPen red(PS_SOLID, 1, RGB(255, 0, 0));
    CPen* before = c.dc.SelectObject(&red);
    ASSERT_NE(before, nullptr);
    HGDIOBJ stockPen = before->m_hObject;
    // The pen we own comes back as itself; the DC's first pen as a temporary wrapper.
    EXPECT_EQ(c.dc.SelectObject(before), &red);
    EXPECT_EQ(CPen::FromHandle(static_cast<HPEN>(stockPen)), before);
    EXPECT_TRUE(before->IsKindOf(RUNTIME_CLASS(CPen)));
    CGdiObject::DeleteTempMap();
    EXPECT_NE(GetObjectType(stockPen), 0u); // the temporary did not delete what it showed

    HPEN handle = red;
    {
        CPen scoped(PS_SOLID, 1, RGB(0, 0, 0));
        handle = scoped;
        EXPECT_EQ(GetObjectType(handle), OBJ_PEN);
    }
    EXPECT_EQ(GetObjectType(handle), 0u); // the owner deleted it

    CBrush detached(RGB(1, 1, 1));
    HGDIOBJ kept = detached.Detach();
    EXPECT_EQ(detached.m_hObject, nullptr);
    EXPECT_EQ(GetObjectType(kept), OBJ_BRUSH);
    DeleteObject(kept);

    // Temporary DC wrappers too.
    CDC* wrapper = CDC::FromHandle(c.dc.m_hDC);
    EXPECT_EQ(wrapper, &c.dc); // the attached DC is permanent
    HDC other = CreateCompatibleDC(nullptr);
    CDC* temporary = CDC::FromHandle(other);
    EXPECT_EQ(temporary->m_hDC, other);
    CDC::DeleteTempMap();
    EXPECT_TRUE(DeleteDC(other));
}

TEST(DrawingClasses, PointFontsAndRegions)
{
    struct {
        int tenths;
        LONG height;
    } cases[] = { { 90, -12 }, { 80, -11 }, { 100, -13 }, { 120, -16 } };
    for (const auto& f : cases) {
        CFont font;
        ASSERT_TRUE(font.CreatePointFont(f.tenths, u"Sans"));
        LOGFONTW logFont {};
        ASSERT_EQ(font.GetLogFont(&logFont), int(sizeof logFont));
        EXPECT_EQ(logFont.lfHeight, f.height) << f.tenths;
        EXPECT_EQ(std::u16string(logFont.lfFaceName), u"Sans");
    }

    CRgn a, b, both;
    a.CreateRectRgn(0, 0, 10, 10);
    b.CreateEllipticRgn(5, 5, 15, 15);
    both.CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(both.CombineRgn(&a, &b, RGN_AND), COMPLEXREGION);
    CRect box;
    both.GetRgnBox(&box);
    EXPECT_EQ(box, CRect(5, 5, 10, 10));
    EXPECT_TRUE(both.PtInRegion(9, 9));
    EXPECT_FALSE(both.PtInRegion(5, 5)); // outside the ellipse's corner
    CRgn copy;
    copy.CreateRectRgn(0, 0, 0, 0);
    copy.CopyRgn(&both);
    EXPECT_TRUE(copy.EqualRgn(&both));

    // Filling through the region wrapper lands in the pixels.
    Canvas c(16, 16);
    CBrush black(RGB(0, 0, 0));
    c.dc.FillRgn(&both, &black);
    EXPECT_EQ(c.dc.GetPixel(9, 9), RGB(0, 0, 0));
    EXPECT_EQ(c.dc.GetPixel(5, 5), RGB(255, 255, 255));
    EXPECT_EQ(c.dc.GetPixel(11, 11), RGB(255, 255, 255));
}

TEST(DrawingClasses, DragRectanglesLeaveNoTrail)
{
    const int w = 24, h = 20;
    Canvas c(w, h);
    c.dc.FillSolidRect(2, 2, 10, 10, RGB(0, 128, 0)); // something underneath
    const std::vector<COLORREF> clean = c.Pixels(w, h);

    CRect first(1, 1, 15, 12), second(6, 5, 22, 19);
    const CSize thick(3, 2);
    c.dc.DrawDragRect(first, thick, nullptr, CSize(0, 0));
    const std::vector<COLORREF> withFirst = c.Pixels(w, h);
    EXPECT_NE(withFirst, clean);
    // Inside the hole nothing changed; the halftone leaves every other pixel of the frame alone.
    EXPECT_EQ(c.dc.GetPixel(6, 6), clean[6 * w + 6]);
    int changed = 0;
    for (int x = first.left; x < first.right; ++x)
        changed += c.dc.GetPixel(x, first.top) != clean[first.top * w + x];
    EXPECT_EQ(changed, first.Width() / 2);

    // Moving: the result equals the second frame drawn alone on the clean picture.
    c.dc.DrawDragRect(second, thick, first, thick);
    const std::vector<COLORREF> moved = c.Pixels(w, h);
    Canvas alone(w, h);
    alone.dc.FillSolidRect(2, 2, 10, 10, RGB(0, 128, 0));
    alone.dc.DrawDragRect(second, thick, nullptr, CSize(0, 0));
    EXPECT_EQ(moved, alone.Pixels(w, h));

    // Removing the last frame gives the clean picture back.
    c.dc.DrawDragRect(nullptr, CSize(0, 0), second, thick);
    EXPECT_EQ(c.Pixels(w, h), clean);
}

class FrameworkResources : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_module = platform::modules::Register(u"framework_test_module", {});
        ASSERT_TRUE(platform::resources::RegisterModuleTable(m_module, FrameworkTestResources));
        AfxSetResourceHandle(m_module);
    }
    void TearDown() override
    {
        AfxSetResourceHandle(nullptr);
        platform::resources::ForgetModule(m_module);
        platform::modules::Remove(u"framework_test_module");
    }
    HMODULE m_module = nullptr;
};

TEST_F(FrameworkResources, StringsFromTheCurrentResourceModule)
{
    CString text = u"unchanged";
    EXPECT_TRUE(text.LoadString(IDS_GREETING));
    EXPECT_EQ(text, CString(u"Gr\u00fc\u00dfe"));
    CStringA narrow;
    EXPECT_TRUE(narrow.LoadString(IDS_GREETING));
    EXPECT_EQ(std::string(narrow), "Gr\xC3\xBC\xC3\x9F" "e");
    text = u"unchanged";
    EXPECT_FALSE(text.LoadString(IDS_GREETING + 50));
    EXPECT_EQ(text, CString(u"unchanged"));
    AfxSetResourceHandle(nullptr); // back to the program's module, which lacks it
    EXPECT_FALSE(text.LoadString(IDS_GREETING));
    EXPECT_TRUE(text.LoadString(m_module, IDS_GREETING));
}

TEST_F(FrameworkResources, BitmapsAndImageListsFromResources)
{
    CBitmap strip;
    ASSERT_TRUE(strip.LoadBitmap(IDB_BUTTONS));
    BITMAP info {};
    strip.GetBitmap(&info);
    EXPECT_EQ(info.bmWidth, 16);
    EXPECT_EQ(info.bmHeight, 8);

    CImageList list;
    ASSERT_TRUE(list.Create(IDB_BUTTONS, 8, 1, RGB(255, 0, 255)));
    EXPECT_EQ(list.GetImageCount(), 2);
    int cx = 0, cy = 0;
    list.GetIconSize(&cx, &cy);
    EXPECT_EQ(cx, 8);
    EXPECT_EQ(cy, 8);

    // Image 1 drawn transparently: blue, with the masked corner showing the white beneath.
    Canvas c(8, 8);
    EXPECT_TRUE(list.Draw(&c.dc, 1, CPoint(0, 0), ILD_TRANSPARENT));
    EXPECT_EQ(c.dc.GetPixel(3, 3), RGB(0, 0, 255));
    EXPECT_EQ(c.dc.GetPixel(0, 0), RGB(255, 255, 255));

    HIMAGELIST handle = list.Detach();
    EXPECT_EQ(list.m_hImageList, nullptr);
    EXPECT_TRUE(ImageList_Destroy(handle));
    EXPECT_FALSE(list.Create(IDB_BUTTONS + 7, 8, 1, RGB(255, 0, 255)));
}

class StdioFiles : public ::testing::Test {
protected:
    void SetUp() override { m_path = ::testing::TempDir() + "stdio_" + std::to_string(::getpid()) + "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name(); }
    void TearDown() override { std::remove(m_path.c_str()); }
    std::u16string Wide() const { return std::u16string(m_path.begin(), m_path.end()); }
    std::string Bytes() const
    {
        std::ifstream in(m_path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::string m_path;
};

TEST_F(StdioFiles, TextModeWritesAndReadsCrLfLines)
{
    {
        CStdioFile file(Wide().c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeText);
        file.WriteString(u"first\nzweite \u00e4\n");
        file.WriteString(u"\nlast");
    }
    EXPECT_EQ(Bytes(), "first\r\nzweite \xC3\xA4\r\n\r\nlast");

    CStdioFile file(Wide().c_str(), CFile::modeRead);
    CString line;
    std::vector<CString> lines;
    while (file.ReadString(line))
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], CString(u"first"));
    EXPECT_EQ(lines[1], CString(u"zweite \u00e4"));
    EXPECT_EQ(lines[2], CString(u""));
    EXPECT_EQ(lines[3], CString(u"last"));

    // The buffer form keeps the "\n" and cuts long lines.
    file.SeekToBegin();
    WCHAR buffer[8];
    ASSERT_NE(file.ReadString(buffer, 8), nullptr);
    EXPECT_EQ(std::u16string(buffer), u"first\n");
    ASSERT_NE(file.ReadString(buffer, 5), nullptr);
    EXPECT_EQ(std::u16string(buffer), u"zwei");
    EXPECT_EQ(file.GetPosition(), 11u); // the rest of the line is still to read
}

TEST_F(StdioFiles, BinaryModeKeepsLineEnds)
{
    {
        CStdioFile file(Wide().c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
        file.WriteString(u"a\nb\r\n");
    }
    EXPECT_EQ(Bytes(), "a\nb\r\n");
    CStdioFile file(Wide().c_str(), CFile::modeRead | CFile::typeBinary);
    CString line;
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, CString(u"a"));
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, CString(u"b\r"));
    EXPECT_FALSE(file.ReadString(line));
}

TEST(MenuClass, AttachDetachAndOneWrapperPerHandle)
{
    HMENU popup = nullptr;
    {
        CMenu bar;
        ASSERT_TRUE(bar.CreateMenu());
        CMenu file;
        ASSERT_TRUE(file.CreatePopupMenu());
        EXPECT_TRUE(file.AppendMenu(MF_STRING, 10, u"&Open"));
        EXPECT_TRUE(file.AppendMenu(MF_SEPARATOR));
        EXPECT_TRUE(file.AppendMenu(MF_STRING, 11, u"Save"));
        EXPECT_TRUE(file.InsertMenu(11, MF_BYCOMMAND | MF_STRING, 12, u"Close"));
        // The bar owns the submenu from here on: the wrapper lets go of it.
        popup = file.Detach();
        EXPECT_EQ(file.GetSafeHmenu(), nullptr);
        EXPECT_TRUE(bar.AppendMenu(MF_POPUP, UINT_PTR(popup), u"&File"));
        EXPECT_TRUE(bar.AppendMenu(MF_STRING, 20, u"&Help"));

        EXPECT_EQ(CMenu::FromHandle(bar.GetSafeHmenu()), &bar);
        CMenu* sub = bar.GetSubMenu(0);
        ASSERT_NE(sub, nullptr);
        EXPECT_EQ(sub->GetSafeHmenu(), popup);
        EXPECT_EQ(bar.GetSubMenu(0), sub); // the same temporary wrapper while it lives
        EXPECT_EQ(bar.GetSubMenu(1), nullptr);
        EXPECT_EQ(sub->GetMenuItemCount(), 4);
        EXPECT_EQ(sub->GetMenuItemID(2), 12u);
        CString text;
        EXPECT_EQ(sub->GetMenuString(0, text, MF_BYPOSITION), 5);
        EXPECT_EQ(text, CString(u"&Open"));
        EXPECT_EQ(sub->GetMenuString(1, text, MF_BYPOSITION), 0);
        EXPECT_TRUE(text.IsEmpty());

        EXPECT_EQ(bar.EnableMenuItem(12, MF_GRAYED), UINT(MF_ENABLED));
        EXPECT_EQ(bar.CheckMenuItem(10, MF_CHECKED), UINT(MF_UNCHECKED));
        EXPECT_EQ(sub->GetMenuState(12, MF_BYCOMMAND), UINT(MF_GRAYED));
        EXPECT_TRUE(sub->CheckMenuRadioItem(10, 11, 11, MF_BYCOMMAND));
        MENUITEMINFOW info {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STATE;
        ASSERT_TRUE(sub->GetMenuItemInfo(11, &info));
        EXPECT_EQ(info.fType & MFT_RADIOCHECK, MFT_RADIOCHECK);
        EXPECT_EQ(info.fState & MFS_CHECKED, MFS_CHECKED);
        EXPECT_EQ(sub->GetMenuState(10, MF_BYCOMMAND) & MF_CHECKED, 0u);
        info.fMask = MIIM_ID;
        info.wID = 13;
        EXPECT_TRUE(sub->SetMenuItemInfo(3, &info, TRUE));
        EXPECT_EQ(sub->GetMenuItemID(3), 13u);
        EXPECT_TRUE(sub->SetDefaultItem(10));
        EXPECT_EQ(sub->GetDefaultItem(0), 10u);
        EXPECT_EQ(sub->GetDefaultItem(0, TRUE), 0u);
        EXPECT_TRUE(sub->ModifyMenu(13, MF_BYCOMMAND | MF_STRING, 14, u"Save as"));
        EXPECT_TRUE(sub->RemoveMenu(14, MF_BYCOMMAND));
        EXPECT_TRUE(sub->DeleteMenu(1, MF_BYPOSITION));
        EXPECT_EQ(sub->GetMenuItemCount(), 2);

        // Clearing temporary wrappers leaves the menu alone.
        CMenu::DeleteTempMap();
        EXPECT_TRUE(IsMenu(popup));

        // An object that takes a handle over is the one FromHandle gives from then on.
        CMenu owner;
        ASSERT_TRUE(owner.Attach(bar.Detach()));
        EXPECT_EQ(bar.GetSafeHmenu(), nullptr);
        EXPECT_EQ(CMenu::FromHandle(owner.GetSafeHmenu()), &owner);
        EXPECT_FALSE(bar.DestroyMenu());
        EXPECT_FALSE(owner.Attach(nullptr));
    }
    // The owner's destruction took the bar and its submenu with it.
    EXPECT_FALSE(IsMenu(popup));
    EXPECT_EQ(CMenu::FromHandle(nullptr), nullptr);
    CMenu::DeleteTempMap();
}

TEST_F(FrameworkResources, MenusFromTheCurrentResourceModule)
{
    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDR_FRAME_MENU));
    ASSERT_EQ(menu.GetMenuItemCount(), 2);
    CMenu* file = menu.GetSubMenu(0);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->GetMenuItemCount(), 3);
    EXPECT_EQ(file->GetMenuItemID(0), UINT(ID_FRAME_OPEN));
    EXPECT_EQ(file->GetMenuState(1, MF_BYPOSITION), UINT(MF_SEPARATOR));
    EXPECT_EQ(menu.GetMenuState(ID_FRAME_EXIT, MF_BYCOMMAND), UINT(MF_GRAYED));
    EXPECT_EQ(menu.GetMenuItemID(1), UINT(ID_FRAME_ABOUT));

    // A failed load keeps the menu held before.
    HMENU held = menu.GetSafeHmenu();
    EXPECT_FALSE(menu.LoadMenu(IDR_FRAME_MENU + 100));
    EXPECT_EQ(menu.GetSafeHmenu(), held);
    EXPECT_TRUE(menu.DestroyMenu());
    EXPECT_FALSE(IsMenu(held));
    CMenu::DeleteTempMap();
}

} // namespace
