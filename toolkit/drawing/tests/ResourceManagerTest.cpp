#include "toolkit/drawing/ResourceManager.h"
#include "toolkit/drawing/images/GraphicBitmapPng.h"
#include "toolkit/drawing/images/ImageManager.h"

#include "ToolkitDrawingGermanResources.h"
#include "ToolkitDrawingTestResources.h"

#include "platform/framework/ResourceHandle.h"
#include "toolkit/drawing/images/AlphaBitmaps.h"
#include "resources/MessageBox.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The test resources in a module of their own, made the current resource module.
class ToolkitResources : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_module = platform::modules::Register(u"toolkit_resource_test_module", {});
        ASSERT_TRUE(platform::resources::RegisterModuleTable(m_module, ToolkitDrawingTestResources));
        AfxSetResourceHandle(m_module);
    }
    void TearDown() override
    {
        AfxSetResourceHandle(nullptr);
        platform::resources::ForgetModule(m_module);
        platform::modules::Remove(u"toolkit_resource_test_module");
    }
    HMODULE m_module = nullptr;
};

} // namespace

TEST(ResourceManagerLanguage, GermanResourcesBesideEnglishOnesAreReported)
{
    CJQWResourceManager manager;
    EXPECT_EQ(manager.GetResourcesLanguage(), 1033);
    // The program's own resources: English only, then German beside them. (Program tables stay
    // for the life of the process, so both steps are one test.)
    static const bool added = platform::resources::RegisterProgramTable(ToolkitDrawingTestResources);
    ASSERT_TRUE(added);
    EXPECT_EQ(manager.UpdateResourcesLanguage(), 1033);
    EXPECT_EQ(manager.GetResourcesLanguage(), 1033);
    static const bool german = platform::resources::RegisterProgramTable(ToolkitDrawingGermanResources);
    ASSERT_TRUE(german);
    EXPECT_EQ(manager.UpdateResourcesLanguage(), 1031);
    EXPECT_EQ(GetResourceManager(), GetResourceManager());
    EXPECT_EQ(GetResourceManager()->UpdateResourcesLanguage(), 1031);
}

TEST_F(ToolkitResources, TextsPagesAndDialogsFromTheCurrentModule)
{
    CJQWResourceManager manager;
    CString text = u"unchanged";
    EXPECT_TRUE(manager.LoadString(text, IDS_TOOLKIT_HELLO));
    EXPECT_EQ(text, CString(u"Customize"));
    EXPECT_FALSE(manager.LoadString(text, IDS_TOOLKIT_HELLO + 100));

    CString page;
    EXPECT_TRUE(manager.LoadHtml(page, IDR_TOOLKIT_PAGE));
    EXPECT_EQ(page.GetLength(), 10);
    EXPECT_EQ(page, CString(u"<b>Hi</b>!"));
    EXPECT_FALSE(manager.LoadHtml(page, IDR_TOOLKIT_PAGE + 100));

    EXPECT_NE(manager.LoadDialogTemplate(IDD_TOOLKIT_ABOUT), nullptr);
    EXPECT_EQ(manager.LoadDialogTemplate(IDD_TOOLKIT_ABOUT + 100), nullptr);
    EXPECT_EQ(manager.FindDialogResource(MAKEINTRESOURCEW(IDD_TOOLKIT_ABOUT + 100)), nullptr);

    std::u16string shown, caption;
    SetMessageBoxSink([&](HWND, std::u16string_view message, std::u16string_view title, UINT style) {
        shown = message;
        caption = title;
        return style == MB_YESNO ? IDNO : IDOK;
    });
    EXPECT_EQ(manager.ShowMessage(IDS_TOOLKIT_HELLO, MB_YESNO), IDNO);
    EXPECT_EQ(shown, u"Customize");
    // The application's message box is captioned with the program's name.
    EXPECT_EQ(caption, u"toolkit_drawing_tests");
    SetMessageBoxSink({});
}

TEST_F(ToolkitResources, MenusFromTheCurrentModule)
{
    CJQWResourceManager manager;
    CMenu menu;
    ASSERT_TRUE(manager.LoadMenu(&menu, IDR_TOOLKIT_MENU));
    ASSERT_EQ(menu.GetMenuItemCount(), 1);
    CMenu* context = menu.GetSubMenu(0);
    ASSERT_NE(context, nullptr);
    ASSERT_EQ(context->GetMenuItemCount(), 4);
    EXPECT_EQ(context->GetMenuItemID(0), UINT(ID_TOOLKIT_CUT));
    EXPECT_EQ(context->GetMenuState(ID_TOOLKIT_PASTE, MF_BYCOMMAND), UINT(MF_GRAYED));
    EXPECT_EQ(context->GetMenuState(2, MF_BYPOSITION), UINT(MF_SEPARATOR));
    CMenu* icons = context->GetSubMenu(3);
    ASSERT_NE(icons, nullptr);
    EXPECT_EQ(icons->GetMenuState(ID_TOOLKIT_SMALL, MF_BYCOMMAND), UINT(MF_CHECKED));
    CString text;
    context->GetMenuString(ID_TOOLKIT_CUT, text, MF_BYCOMMAND);
    EXPECT_EQ(text, CString(u"Cu&t"));

    // Loading again replaces the menu held; a missing menu leaves it as it is.
    HMENU first = menu.GetSafeHmenu();
    ASSERT_TRUE(manager.LoadMenu(&menu, IDR_TOOLKIT_MENU));
    EXPECT_NE(menu.GetSafeHmenu(), first);
    EXPECT_FALSE(IsMenu(first));
    HMENU second = menu.GetSafeHmenu();
    EXPECT_FALSE(manager.LoadMenu(&menu, IDR_TOOLKIT_MENU + 100));
    EXPECT_EQ(menu.GetSafeHmenu(), second);
    CMenu::DeleteTempMap();
}

TEST_F(ToolkitResources, PicturesCursorsAndIconGroups)
{
    CJQWResourceManager manager;
    CBitmap bitmap;
    ASSERT_TRUE(manager.LoadBitmap(&bitmap, IDB_TOOLKIT_BITMAP));
    BITMAP size {};
    bitmap.GetBitmap(&size);
    EXPECT_EQ(size.bmWidth, 2);
    EXPECT_EQ(size.bmHeight, 1);
    CBitmap missing;
    EXPECT_FALSE(manager.LoadBitmap(&missing, IDB_TOOLKIT_BITMAP + 100));

    HCURSOR cursor = manager.LoadCursor(IDC_TOOLKIT_CURSOR);
    EXPECT_NE(cursor, nullptr);
    EXPECT_EQ(manager.LoadCursor(IDC_TOOLKIT_CURSOR + 100), nullptr);

    for (int side : { 16, 32 }) {
        HICON icon = manager.LoadIconById(IDI_TOOLKIT_ICON, side, side);
        ASSERT_NE(icon, nullptr) << side;
        EXPECT_EQ(GetIconExtent(icon).cx, side);
        DestroyIcon(icon);
        HICON fromGroup = manager.CreateIconFromGroup(m_module, MAKEINTRESOURCEW(IDI_TOOLKIT_ICON), side, side);
        ASSERT_NE(fromGroup, nullptr) << side;
        EXPECT_EQ(GetIconExtent(fromGroup).cx, side);
        DestroyIcon(fromGroup);
    }
    EXPECT_EQ(manager.CreateIconFromGroup(m_module, MAKEINTRESOURCEW(IDI_TOOLKIT_ICON + 100), 16, 16), nullptr);
    EXPECT_EQ(manager.LoadIconById(IDI_TOOLKIT_ICON + 100, 16, 16), nullptr);

    // A "PNG" resource with alpha, as the image manager loads it.
    CJQWGraphicBitmapPng png;
    ASSERT_TRUE(png.LoadFromResource(m_module, FindResourceW(m_module, MAKEINTRESOURCEW(IDR_TOOLKIT_ALPHA), u"PNG")));
    EXPECT_TRUE(png.IsAlpha());
    DIBSECTION section {};
    ASSERT_TRUE(GetObjectW(png, sizeof section, &section));
    const BYTE* second = static_cast<const BYTE*>(section.dsBm.bmBits) + 4;
    EXPECT_EQ(second[1], 255);
    EXPECT_EQ(second[3], 128);
    EXPECT_FALSE(png.LoadFromResource(m_module, nullptr));
    EXPECT_EQ(png.GetSafeHandle(), nullptr);
    EXPECT_FALSE(png.LoadFromResource(m_module, FindResourceW(m_module, MAKEINTRESOURCEW(IDR_TOOLKIT_PAGE), RT_HTML)));
}

TEST_F(ToolkitResources, ToolbarsAndBitmapsFillTheImageManager)
{
    // Ids 100, 0 (a separator), 101 over a 32-pixel strip: two icons of 16 pixels.
    CJQWImageManager manager;
    ASSERT_TRUE(manager.SetIconsFromToolBar(IDR_TOOLKIT_TOOLBAR));
    ASSERT_NE(manager.GetImage(100, 16), nullptr);
    ASSERT_NE(manager.GetImage(101, 16), nullptr);
    EXPECT_EQ(manager.FindIconSet(0), nullptr);
    EXPECT_EQ(manager.GetImage(100, 16)->GetExtent(), CSize(16, 16));
    EXPECT_FALSE(manager.SetIconsFromToolBar(IDR_TOOLKIT_TOOLBAR + 100));
    // The second button is red where it is drawn.
    HDC dc = CreateCompatibleDC(nullptr);
    BYTE* bits = nullptr;
    HBITMAP target = CreateDibSection32(nullptr, 16, 16, &bits);
    HGDIOBJ old = SelectObject(dc, target);
    manager.GetImage(101, 16)->DrawNormalImage(dc, 0, 0);
    EXPECT_EQ(GetPixel(dc, 8, 8), RGB(255, 0, 0));
    SelectObject(dc, old);
    DeleteObject(target);
    DeleteDC(dc);

    // A 32-bit bitmap resource loads with its alpha; a 24-bit one without.
    BOOL alpha = FALSE;
    HBITMAP loaded = LoadBitmapFromResource(MAKEINTRESOURCEW(IDB_TOOLKIT_ALPHA32), &alpha);
    ASSERT_NE(loaded, nullptr);
    EXPECT_TRUE(alpha);
    EXPECT_TRUE(IsBitmapResource32(m_module, MAKEINTRESOURCEW(IDB_TOOLKIT_ALPHA32)));
    BitmapBits32 read;
    ASSERT_TRUE(ReadBitmapBits32(nullptr, loaded, &read));
    EXPECT_EQ(read.pixels[3], 0);
    EXPECT_EQ(read.pixels[7], 64);
    EXPECT_EQ(read.pixels[15], 255);
    DeleteObject(loaded);
    loaded = LoadBitmapFromResource(MAKEINTRESOURCEW(IDR_TOOLKIT_TOOLBAR), &alpha);
    ASSERT_NE(loaded, nullptr);
    EXPECT_FALSE(alpha);
    DeleteObject(loaded);
    loaded = LoadBitmapFromResource(MAKEINTRESOURCEW(IDR_TOOLKIT_ALPHA), &alpha);
    ASSERT_NE(loaded, nullptr);
    EXPECT_TRUE(alpha) << "a PNG resource with four channels";
    DeleteObject(loaded);
    EXPECT_EQ(LoadAlphaBitmapResourceById(IDR_TOOLKIT_TOOLBAR), nullptr);
    EXPECT_EQ(LoadBitmapFromResource(MAKEINTRESOURCEW(IDB_TOOLKIT_ALPHA32 + 100), &alpha), nullptr);
    EXPECT_FALSE(alpha);

    // Icons of a group by exact size only.
    CJQWIconImageHandle icon;
    EXPECT_TRUE(icon.LoadIconResource(IDI_TOOLKIT_ICON, 32, 32, TRUE));
    EXPECT_EQ(icon.GetExtent(), CSize(32, 32));
    CJQWIconImageHandle none;
    EXPECT_FALSE(none.LoadIconResource(IDI_TOOLKIT_ICON, 24, 24, TRUE));
}
