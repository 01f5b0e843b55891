#include "platform/user/Menu.h"

#include "platform/base/LastError.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string itemText(HMENU menu, UINT item, UINT flags)
{
    WCHAR buffer[64] {};
    int length = GetMenuStringW(menu, item, buffer, 64, flags);
    return std::u16string(buffer, std::size_t(length));
}

// File (Open 100, separator, Recent > (A 201, B 202), Exit 103), Edit 300 as a plain bar item.
struct SampleMenu {
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    HMENU recent = CreatePopupMenu();
    SampleMenu()
    {
        AppendMenuW(recent, MF_STRING, 201, u"A");
        AppendMenuW(recent, MF_STRING | MF_CHECKED, 202, u"B");
        AppendMenuW(file, MF_STRING, 100, u"&Open...");
        AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(file, MF_POPUP, UINT_PTR(recent), u"Recent");
        AppendMenuW(file, MF_STRING | MF_GRAYED, 103, u"E&xit");
        AppendMenuW(bar, MF_POPUP, UINT_PTR(file), u"&File");
        AppendMenuW(bar, MF_STRING, 300, u"&Edit");
    }
};

}

TEST(Menus, StructureAndQueriesByPositionAndByCommand)
{
    SampleMenu m;
    EXPECT_EQ(GetMenuItemCount(m.bar), 2);
    EXPECT_EQ(GetMenuItemCount(m.file), 4);
    EXPECT_EQ(GetSubMenu(m.bar, 0), m.file);
    EXPECT_EQ(GetSubMenu(m.bar, 1), nullptr);
    EXPECT_EQ(GetMenuItemID(m.bar, 0), UINT(-1)); // opens a submenu
    EXPECT_EQ(GetMenuItemID(m.file, 0), 100u);
    EXPECT_EQ(GetMenuItemID(m.file, 9), UINT(-1));

    // By command the search descends into submenus.
    EXPECT_EQ(itemText(m.bar, 202, MF_BYCOMMAND), u"B");
    EXPECT_EQ(itemText(m.file, 3, MF_BYPOSITION), u"E&xit");
    EXPECT_EQ(GetMenuState(m.bar, 202, MF_BYCOMMAND), MF_CHECKED);
    EXPECT_EQ(GetMenuState(m.file, 103, MF_BYCOMMAND), MF_GRAYED);
    EXPECT_EQ(GetMenuState(m.file, 1, MF_BYPOSITION), MF_SEPARATOR);
    // A submenu item: the count in the high byte, MF_POPUP in the low one.
    EXPECT_EQ(GetMenuState(m.file, 2, MF_BYPOSITION), (2u << 8) | MF_POPUP);
    EXPECT_EQ(GetMenuState(m.bar, 999, MF_BYCOMMAND), UINT(-1));

    // A short buffer truncates and terminates; a null buffer asks for the length.
    WCHAR small[4] = { 'x', 'x', 'x', 'x' };
    EXPECT_EQ(GetMenuStringW(m.file, 100, small, 4, MF_BYCOMMAND), 3);
    EXPECT_EQ(std::u16string(small), u"&Op");
    EXPECT_EQ(GetMenuStringW(m.file, 100, nullptr, 0, MF_BYCOMMAND), 8);
    DestroyMenu(m.bar);
}

TEST(Menus, EnableCheckAndRadioReturnPreviousState)
{
    SampleMenu m;
    EXPECT_EQ(EnableMenuItem(m.bar, 103, MF_ENABLED), BOOL(MF_GRAYED));
    EXPECT_EQ(EnableMenuItem(m.bar, 103, MF_DISABLED), BOOL(MF_ENABLED));
    EXPECT_EQ(GetMenuState(m.bar, 103, MF_BYCOMMAND), MF_DISABLED);
    EXPECT_EQ(EnableMenuItem(m.bar, 4711, MF_GRAYED), -1);

    EXPECT_EQ(CheckMenuItem(m.bar, 202, MF_UNCHECKED), DWORD(MF_CHECKED));
    EXPECT_EQ(CheckMenuItem(m.bar, 201, MF_CHECKED), DWORD(MF_UNCHECKED));
    EXPECT_EQ(CheckMenuItem(m.bar, 4711, MF_CHECKED), DWORD(-1));

    ASSERT_TRUE(CheckMenuRadioItem(m.recent, 0, 1, 1, MF_BYPOSITION));
    MENUITEMINFOW info {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STATE | MIIM_FTYPE;
    ASSERT_TRUE(GetMenuItemInfoW(m.recent, 202, FALSE, &info));
    EXPECT_EQ(info.fState, MFS_CHECKED);
    EXPECT_EQ(info.fType, MFT_RADIOCHECK);
    ASSERT_TRUE(GetMenuItemInfoW(m.recent, 0, TRUE, &info));
    EXPECT_EQ(info.fState & MFS_CHECKED, 0u);
    DestroyMenu(m.bar);
}

TEST(Menus, ItemInfoRoundTripsEveryField)
{
    HMENU menu = CreatePopupMenu();
    HMENU sub = CreatePopupMenu();
    WCHAR text[] = u"Zoom &in\tCtrl++";
    MENUITEMINFOW in {};
    in.cbSize = sizeof(in);
    in.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_DATA | MIIM_STRING;
    in.fType = MFT_MENUBARBREAK;
    in.fState = MFS_GRAYED | MFS_CHECKED | MFS_DEFAULT;
    in.wID = 42;
    in.hSubMenu = sub;
    in.dwItemData = 0xABCDEF;
    in.dwTypeData = text;
    ASSERT_TRUE(InsertMenuItemW(menu, 0, TRUE, &in));
    // Inserted by command before item 42: lands at position 0.
    MENUITEMINFOW sep {};
    sep.cbSize = MENUITEMINFOW_V1_SIZE; // the older record size is accepted
    sep.fMask = MIIM_FTYPE;
    sep.fType = MFT_SEPARATOR;
    ASSERT_TRUE(InsertMenuItemW(menu, 42, FALSE, &sep));
    ASSERT_EQ(GetMenuItemCount(menu), 2);

    WCHAR buffer[32] {};
    MENUITEMINFOW out {};
    out.cbSize = sizeof(out);
    out.fMask = in.fMask;
    out.dwTypeData = buffer;
    out.cch = 32;
    ASSERT_TRUE(GetMenuItemInfoW(menu, 1, TRUE, &out));
    EXPECT_EQ(out.fType, MFT_MENUBARBREAK);
    EXPECT_EQ(out.fState, MFS_GRAYED | MFS_CHECKED | MFS_DEFAULT);
    EXPECT_EQ(out.wID, 42u);
    EXPECT_EQ(out.hSubMenu, sub);
    EXPECT_EQ(out.dwItemData, 0xABCDEFu);
    EXPECT_EQ(std::u16string(buffer), u"Zoom &in\tCtrl++");
    EXPECT_EQ(out.cch, 15u);

    // The default item: disabled ones only with GMDI_USEDISABLED.
    EXPECT_EQ(GetMenuDefaultItem(menu, TRUE, 0), UINT(-1));
    EXPECT_EQ(GetMenuDefaultItem(menu, TRUE, GMDI_USEDISABLED), 1u);
    EXPECT_EQ(GetMenuDefaultItem(menu, FALSE, GMDI_USEDISABLED), 42u);
    ASSERT_TRUE(SetMenuDefaultItem(menu, 0, TRUE));
    EXPECT_EQ(GetMenuDefaultItem(menu, TRUE, 0), 0u);

    // A bad record size or a stale handle fails cleanly.
    out.cbSize = 12;
    EXPECT_FALSE(GetMenuItemInfoW(menu, 0, TRUE, &out));
    DestroyMenu(menu);
    EXPECT_FALSE(IsMenu(sub)); // destroyed with its parent
    out.cbSize = sizeof(out);
    EXPECT_FALSE(GetMenuItemInfoW(menu, 0, TRUE, &out));
    EXPECT_EQ(GetLastError(), 1401u);
}

TEST(Menus, ModifyDeleteAndRemoveHandleSubmenus)
{
    SampleMenu m;
    // Modify by command keeps the position and replaces text and flags.
    ASSERT_TRUE(ModifyMenuW(m.bar, 100, MF_BYCOMMAND | MF_STRING | MF_CHECKED, 110, u"Open &again"));
    EXPECT_EQ(GetMenuItemID(m.file, 0), 110u);
    EXPECT_EQ(itemText(m.file, 0, MF_BYPOSITION), u"Open &again");
    EXPECT_EQ(GetMenuState(m.file, 0, MF_BYPOSITION), MF_CHECKED);

    // InsertMenuW by command lands in the submenu that holds the item.
    ASSERT_TRUE(InsertMenuW(m.bar, 202, MF_BYCOMMAND | MF_STRING, 250, u"Between"));
    EXPECT_EQ(GetMenuItemCount(m.recent), 3);
    EXPECT_EQ(GetMenuItemID(m.recent, 1), 250u);

    // RemoveMenu detaches a submenu, DeleteMenu destroys it.
    ASSERT_TRUE(RemoveMenu(m.file, 2, MF_BYPOSITION));
    EXPECT_TRUE(IsMenu(m.recent));
    ASSERT_TRUE(AppendMenuW(m.file, MF_POPUP, UINT_PTR(m.recent), u"Recent"));
    ASSERT_TRUE(DeleteMenu(m.file, 3, MF_BYPOSITION));
    EXPECT_FALSE(IsMenu(m.recent));
    EXPECT_FALSE(DeleteMenu(m.file, 9, MF_BYPOSITION));

    // A menu can hold neither itself nor one of its ancestors, and a dead handle is no submenu.
    EXPECT_FALSE(AppendMenuW(m.file, MF_POPUP, UINT_PTR(m.file), u"self"));
    EXPECT_FALSE(AppendMenuW(m.file, MF_POPUP, UINT_PTR(m.bar), u"loop"));
    EXPECT_FALSE(AppendMenuW(m.file, MF_POPUP, UINT_PTR(m.recent), u"gone"));
    DestroyMenu(m.bar);
    EXPECT_FALSE(IsMenu(m.file));
    EXPECT_FALSE(DestroyMenu(m.bar));
    EXPECT_EQ(GetMenuItemCount(m.bar), -1);
}
